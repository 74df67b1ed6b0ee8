#!/usr/bin/env bash
# A fuzzing campaign of lumoc: fuzz/run.sh SECONDS [WORKDIR]
#
# Builds the libFuzzer harness (clang, optimised, AddressSanitizer and UBSan) in
# build-fuzz/, fuzzes for SECONDS on a fresh copy of the seed corpus and the kept
# regressions, then prints executions, executions per second and the coverage reached.
# Exits non-zero when any crash, sanitizer report, outcome violation, hang or
# out-of-memory was found, after printing each offending input as a C string and the
# commands that reproduce it.
#
# Each compilation releases what it made, so the harness stays the same size however long
# it runs: one libFuzzer session with leak detection on and a tight RSS limit, which a
# leak or a runaway allocation would hit.
set -euo pipefail

usage() {
    echo "usage: fuzz/run.sh SECONDS [WORKDIR]" >&2
    exit 2
}

[[ $# -ge 1 && $# -le 2 && $1 =~ ^[0-9]+$ && $1 -gt 0 ]] || usage
total=$1
here=$(cd "$(dirname "$0")" && pwd)
repo=$(dirname "$here")
build=$repo/build-fuzz
work=${2:-$build/campaign}
harness=$build/lumoc_fuzz

rssLimitMb=1024
mallocLimitMb=256  # no single allocation of a 4 KB input comes near this
timeoutSeconds=10

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:symbolize=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

build_harness() {
    echo "== building the harness in $build"
    cmake -S "$here" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
        -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$build" -j2
}

prepare_workdir() {
    rm -rf "$work/corpus" "$work/artifacts" "$work/logs"
    mkdir -p "$work/corpus" "$work/artifacts" "$work/logs"
    cp "$here"/corpus/* "$work/corpus/"
    if compgen -G "$here/regressions/*" >/dev/null; then
        cp "$here"/regressions/* "$work/corpus/"
    fi
}

# One libFuzzer session of $1 seconds, its output in $2; returns libFuzzer's status.
fuzz_session() {
    "$harness" -max_total_time="$1" -max_len=4096 -dict="$here/lumo.dict" \
        -rss_limit_mb=$rssLimitMb -malloc_limit_mb=$mallocLimitMb -timeout=$timeoutSeconds \
        -detect_leaks=1 -print_final_stats=1 -artifact_prefix="$work/artifacts/" \
        "$work/corpus" >"$2" 2>&1
}

run_campaign() {
    local started=$SECONDS status=0
    sessions=1
    fuzz_session "$total" "$work/logs/session-1.log" || status=$?
    duration=$((SECONDS - started))
    return $status
}

# The sum of one final-stats figure over all sessions.
sum_stat() {
    cat "$work"/logs/session-*.log | awk -v key="stat::$1:" '$1 == key { s += $2 } END { print s + 0 }'
}

print_figures() {
    local executions last=$work/logs/session-$sessions.log
    executions=$(sum_stat number_of_executed_units)
    echo "== campaign: $sessions sessions, ${duration} s"
    echo "executions: $executions"
    echo "execs/s: $((executions / (duration > 0 ? duration : 1)))"
    echo "coverage: $(grep -E '^#[0-9]+[[:space:]]+(DONE|INITED|NEW|REDUCE|pulse)' "$last" | tail -n 1 |
        grep -oE 'cov: [0-9]+ ft: [0-9]+ corp: [0-9]+/[0-9]+[a-zA-Z]*')"
    echo "peak rss: $(cat "$work"/logs/session-*.log |
        awk '$1 == "stat::peak_rss_mb:" && $2 > m { m = $2 } END { print m + 0 }') MB"
    echo "corpus: $(find "$work/corpus" -type f | wc -l) inputs in $work/corpus"
}

# A file's bytes as a C string literal.
c_string() {
    od -An -v -tu1 "$1" | awk 'BEGIN { ORS = ""; print "\"" }
        { for (i = 1; i <= NF; i++) { c = $i
            if (c == 34) print "\\\""; else if (c == 92) print "\\\\"
            else if (c == 10) print "\\n"; else if (c == 9) print "\\t"
            else if (c >= 32 && c < 127) printf "%c", c; else printf "\\%03o", c } }
        END { print "\"\n" }'
}

report_findings() {
    local found=0 artifact
    for artifact in "$work"/artifacts/*; do
        [[ -e $artifact ]] || continue
        found=1
        echo "== found: $(basename "$artifact")"
        echo "input: $(c_string "$artifact")"
        echo "reproduce: $harness $artifact"
        echo "       or: $repo/build/bin/lumoc < $artifact; echo \$?"
    done
    grep -h -A30 -E 'ERROR: (AddressSanitizer|libFuzzer|UndefinedBehaviorSanitizer)|runtime error:|outcome property violated' \
        "$work"/logs/session-*.log | head -n 80 || true
    return $found
}

build_harness
prepare_workdir
echo "== fuzzing for $total s in $work"
campaign_status=0
run_campaign || campaign_status=$?
print_figures
findings=0
report_findings || findings=1
if ((campaign_status != 0 || findings != 0)); then
    echo "== FAILED: the campaign found a fault (libFuzzer status $campaign_status)"
    exit 1
fi
echo "== no crash, hang, out-of-memory or outcome violation found"
