#!/usr/bin/env bash
# koru/speed.sh [BUILD_DIR] [RUNS] [KORU...]: the best wall time of RUNS runs (default 7) of
#   loop:  a compiled Lumo program of nested loops, 10,013,517 steps;
#   read:  a compiled Lumo program that reads 100,000 numbers from a pipe (cat FILE | koru).
# for the koru of BUILD_DIR (default build) and any other koru binaries given, so that two
# builds can be compared on the same machine in the same minute. Needs BUILD_DIR/bin/lumoc.
set -euo pipefail
build=${1:-build}
runs=${2:-7}
shift $(( $# < 2 ? $# : 2 )) || true
korus=("$build/bin/koru" "$@")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cat >"$work/loop.lumo" <<'LUMO'
int i;
int j;
{
    i = 0;
    while (i < 357) {
        j = 0;
        while (j < 1000) {
            j = j + 1;
        };
        i = i + 1;
    };
}
LUMO
cat >"$work/read.lumo" <<'LUMO'
int i;
int j;
int n;
int s;
{
    s = 0;
    i = 0;
    while (i < 100) {
        j = 0;
        while (j < 1000) {
            cin >> n;
            s = (s + n) % 10000;
            j = j + 1;
        };
        i = i + 1;
    };
    cout << s;
}
LUMO
"$build/bin/lumoc" <"$work/loop.lumo" >"$work/loop.asm"
"$build/bin/lumoc" <"$work/read.lumo" >"$work/read.asm"
seq 100000 | awk '{ print $1 % 20000 }' >"$work/numbers"

# The best of $runs wall times of the command, in seconds.
best() {
    local best=inf start end
    for ((r = 0; r < runs; r++)); do
        start=$(date +%s.%N)
        bash -c "$1" >/dev/null 2>&1
        end=$(date +%s.%N)
        best=$(awk -v s="$start" -v e="$end" -v b="$best" 'BEGIN { t = e - s; print (b == "inf" || t < b) ? t : b }')
    done
    printf '%.3f' "$best"
}

for koru in "${korus[@]}"; do
    echo "$koru: loop $(best "'$koru' --max-steps 0 '$work/loop.asm'") s," \
        "read $(best "cat '$work/numbers' | '$koru' '$work/read.asm'") s"
done
