#!/usr/bin/env bash
# Checks that lumoc binaries write the same bytes and exit with the same status as a
# reference lumoc, on every program of the test suite and many more:
#
#   bench/same-output.sh BUILD_DIR REFERENCE_LUMOC LUMOC... [--runs N]
#
# The programs: the examples, the broken programs, the constructs of the docs, the fuzz
# corpus and regressions, 400 generated programs (lumogen, with and without a planted
# fault), the benchmark's programs of 10k, 100k and 1M statements, and programs of about
# 1.3 MB (long enough for two threads) with one error planted at each of 40 places along
# the block. Each program goes to each lumoc from a regular file and through a pipe,
# `--runs` times (default 3) for the long ones, whose two threads meet elsewhere each time.
# BUILD_DIR must hold lumogen and benchgen (a build with -DLUMO_TESTS=ON).
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
[ $# -ge 3 ] || { sed -n '2,/^set -euo/{/^#/s/^# \{0,1\}//p}' "${BASH_SOURCE[0]}"; exit 2; }
build=$1
reference=$2
shift 2
lumocs=()
runs=3
while [ $# -gt 0 ]; do
    case "$1" in
        --runs) runs=$2; shift 2 ;;
        *) lumocs+=("$1"); shift ;;
    esac
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/programs"

# The programs, one file each.
n=0
add() { cp "$1" "$work/programs/$(printf %05d $n)-$(basename "$1")"; n=$((n + 1)); }
for f in "$repo"/examples/*.lumo "$repo"/examples/broken/*.lumo "$repo"/docs/constructs/*.lumo \
    "$repo"/fuzz/corpus/* "$repo"/fuzz/regressions/*; do
    [ -f "$f" ] && add "$f"
done
for seed in $(seq 1 100); do
    "$build/bin/lumogen" --seed "$seed" >"$work/programs/gen-$seed.lumo"
    for fault in lexical syntax static type; do
        "$build/bin/lumogen" --seed "$seed" --fault "$fault" >"$work/programs/gen-$seed-$fault.lumo"
    done
done
for size in 10000 100000 1000000; do
    "$build/bin/benchgen" --statements "$size" --lang lumo >"$work/programs/bench-$size.lumo"
done
# A long block, and one error planted in it at each of 40 places.
body="$work/body.lumo"
for i in $(seq 1 9000); do
    echo " x = x + $((i % 97)) * y; b = !b && (x < y); if (x >= 7) { y = y - 1; } else { b = (y <= 2) == b; };"
    echo " while (y != 0) { y = y / 2; }; cout << s; // a comment ; with } braces {"
done >"$body"
lines=$(wc -l <"$body")
faults=(" z = 1;" " x = b;" " x = 1 # 2;" " x = ((1;" " cout << ;" " if (x) { };" " x = 99999999;" " b = 1 < ;")
for k in $(seq 0 39); do
    at=$((lines * (k * 5 / 2 + 1) / 100))
    {
        echo 'int x; int y = 3; bool b; const string s = "it'"'"'s";'
        echo "{"
        head -n "$at" "$body"
        echo "${faults[$((k % 8))]}"
        tail -n +"$((at + 1))" "$body"
        echo " }"
    } >"$work/programs/planted-$k.lumo"
done

checked=0
differ=0
compare() {  # program, lumoc, how: file or pipe
    local expected_status got_status
    if [ "$3" = file ]; then
        set +e
        "$2" <"$1" >"$work/got" 2>"$work/got-err"
        got_status=$?
        set -e
    else
        set +e
        cat "$1" | "$2" >"$work/got" 2>"$work/got-err"
        got_status=$?
        set -e
    fi
    expected_status=$(cat "$work/expected-status")
    checked=$((checked + 1))
    if [ "$got_status" != "$expected_status" ] || ! cmp -s "$work/got" "$work/expected"; then
        differ=$((differ + 1))
        echo "DIFFERENT: $(basename "$1") $2 ($3): status $got_status, reference $expected_status"
    fi
}
count=0
for program in "$work"/programs/*; do
    set +e
    "$reference" <"$program" >"$work/expected" 2>/dev/null
    echo $? >"$work/expected-status"
    set -e
    repeat=1
    [ "$(stat -c %s "$program")" -ge 524288 ] && repeat=$runs
    for lumoc in "${lumocs[@]}"; do
        for ((r = 0; r < repeat; r++)); do
            compare "$program" "$lumoc" file
            compare "$program" "$lumoc" pipe
        done
    done
    count=$((count + 1))
done
echo "$count programs, $checked runs compared with $reference: $differ different"
[ "$differ" -eq 0 ]
