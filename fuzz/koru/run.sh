#!/usr/bin/env bash
# A fuzzing campaign of koru: fuzz/koru/run.sh SECONDS [WORKDIR]
#
# Builds the libFuzzer harness (clang, optimised, AddressSanitizer and UBSan) in
# build-fuzz-koru/, fuzzes for SECONDS on a fresh copy of the seed corpus (assembly that
# lumoc wrote, hand-written corner cases, debugger command scripts) and the kept
# regressions, then prints executions, executions per second and the coverage reached.
# Exits non-zero when any crash, sanitizer report, failed property, hang or out-of-memory
# was found, after printing each offending input and how to reproduce it.
set -euo pipefail

usage() {
    echo "usage: fuzz/koru/run.sh SECONDS [WORKDIR]" >&2
    exit 2
}

[[ $# -ge 1 && $# -le 2 && $1 =~ ^[0-9]+$ && $1 -gt 0 ]] || usage
seconds=$1
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
build=$repo/build-fuzz-koru
work=${2:-$build/campaign}
harness=$build/koru_fuzz

export ASAN_OPTIONS=abort_on_error=1:symbolize=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

echo "== building the harness in $build"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2

rm -rf "$work/corpus" "$work/artifacts"
mkdir -p "$work/corpus" "$work/artifacts"
cp "$here"/corpus/* "$work/corpus/"
if compgen -G "$here/regressions/*" >/dev/null; then cp "$here"/regressions/* "$work/corpus/"; fi

echo "== fuzzing for $seconds s in $work"
status=0
"$harness" -max_total_time="$seconds" -max_len=8192 -dict="$here/koru.dict" -timeout=10 \
    -rss_limit_mb=4096 -malloc_limit_mb=512 -print_final_stats=1 \
    -artifact_prefix="$work/artifacts/" "$work/corpus" >"$work/log" 2>&1 || status=$?

executions=$(awk '$1 == "stat::number_of_executed_units:" { print $2 }' "$work/log")
echo "executions: ${executions:-0}"
echo "execs/s: $(( ${executions:-0} / seconds ))"
echo "coverage: $(grep -E '^#[0-9]+[[:space:]]+(DONE|INITED|NEW|REDUCE|pulse)' "$work/log" | tail -n 1 |
    grep -oE 'cov: [0-9]+ ft: [0-9]+ corp: [0-9]+/[0-9]+[a-zA-Z]*')"
echo "corpus: $(find "$work/corpus" -type f | wc -l) inputs in $work/corpus"

found=0
for artifact in "$work"/artifacts/*; do
    [[ -e $artifact ]] || continue
    found=1
    echo "== found: $artifact"
    od -c "$artifact" | head -n 20
    echo "reproduce: $harness $artifact"
done
grep -h -A30 -E 'ERROR: (AddressSanitizer|libFuzzer|UndefinedBehaviorSanitizer)|runtime error:|property violated' \
    "$work/log" | head -n 60 || true
if ((status != 0 || found != 0)); then
    echo "== FAILED: the campaign found a fault (libFuzzer status $status); once fixed, keep"
    echo "   the input in fuzz/koru/regressions/ under a name that says what it broke"
    exit 1
fi
echo "== no crash, hang, out-of-memory or failed property found"
