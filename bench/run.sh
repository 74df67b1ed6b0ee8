#!/usr/bin/env bash
# Compares lumoc with real compilers on programs of 10k, 100k and 1M statements.
#
#   bench/run.sh [BUILD_DIR] [--sizes "N M ..."] [--runs N] [--gcc-limit SECONDS]
#                [--compare LUMOC] [--order turns|batches] [--markdown FILE]
#
# For each size it generates a Lumo program and the same program in C (benchgen), then
# times, taking the best of --runs runs (default 5; a run of 10 s or more is not
# repeated):
#   lumoc              compiling the Lumo program, output to a file; wall time and peak memory
#   floor              `cat` of the input to /dev/null plus `cat` of lumoc's output to a
#                      file: moving the same bytes without compiling them
#   tcc -c             compiling the C program to an object file
#   gcc -O0 -S         compiling the C program to assembly, stopped after --gcc-limit
#                      seconds (default 600)
# and prints the figures, the ratios lumoc/tcc, lumoc/gcc and lumoc/floor, peak memory
# per statement, and how lumoc's time grows between the two largest sizes. --compare times
# another lumoc (say, a build of an earlier version) on the same programs, and prints its
# time, its memory and lumoc/other. lumoc, the other lumoc and tcc are run by turns, one
# run of each at a time, so that the ratios compare runs of the same minutes; with
# --order batches all runs of each come one after another instead, so that each run
# finds the machine as the run of the same program before it left it.
#
# BUILD_DIR (default: build in the repository) is configured in Release, profile-guided,
# with the benchmark tools, when it has no CMake cache yet; lumoc, benchgen and benchtime
# are built in it. Generated files go to
# BUILD_DIR/bench-run. tcc is installed from Debian's packages when missing (as root).
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$repo/build"
sizes="10000 100000 1000000"
runs=5
gcc_limit=600
markdown=""
other=""
order=turns
lumoc="" benchgen="" benchtime=""  # set from the build's bench-tools.txt

die() {
    echo "run.sh: $*" >&2
    exit 1
}

parse_arguments() {
    while [ $# -gt 0 ]; do
        case "$1" in
            --sizes) sizes=${2:?--sizes needs a list}; shift 2 ;;
            --runs) runs=${2:?--runs needs a number}; shift 2 ;;
            --gcc-limit) gcc_limit=${2:?--gcc-limit needs seconds}; shift 2 ;;
            --markdown) markdown=${2:?--markdown needs a file}; shift 2 ;;
            --compare) other=${2:?--compare needs a lumoc}; shift 2 ;;
            --order) order=${2:?--order needs turns or batches}; shift 2 ;;
            -h|--help) sed -n '2,/^set -euo/{/^#/s/^# \{0,1\}//p}' "${BASH_SOURCE[0]}"; exit 0 ;;
            -*) die "unknown option $1" ;;
            *) build=$1; shift ;;
        esac
    done
    [[ $order =~ ^(turns|batches)$ ]] || die "--order is turns or batches, not $order"
    for n in $sizes $runs $gcc_limit; do
        [[ $n =~ ^[1-9][0-9]*$ ]] || die "not a positive number: $n"
    done
    mkdir -p "$build"
    build=$(cd "$build" && pwd)
}

# Configures a new build folder in Release; an existing one is used as it is, with a
# warning when its figures would not be those of a release build.
prepare_build() {
    if [ ! -f "$build/CMakeCache.txt" ]; then
        cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DLUMO_PGO=ON \
            -DLUMO_BENCH=ON >/dev/null \
            || die "cannot configure $build"
    fi
    local type
    type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$build/CMakeCache.txt")
    [ "$type" = Release ] || echo "run.sh: warning: $build is a '$type' build, not Release" >&2
    if grep -q '^LUMO_SANITIZE:BOOL=ON' "$build/CMakeCache.txt"; then
        echo "run.sh: warning: $build is built with sanitizers; times are not representative" >&2
    fi
    cmake --build "$build" -j2 --target lumoc benchgen benchtime >/dev/null \
        || die "cannot build lumoc, benchgen and benchtime in $build"
    read_tool_paths "$build/bench-tools.txt"
}

# The build writes where it put each program, one "name=path" a line.
read_tool_paths() {
    [ -f "$1" ] || die "$1 is missing: is bench/ part of the build (Google Benchmark found)?"
    local name path
    while IFS='=' read -r name path; do
        case "$name" in
            lumoc) lumoc=$path ;;
            benchgen) benchgen=$path ;;
            benchtime) benchtime=$path ;;
        esac
    done <"$1"
    for path in "$lumoc" "$benchgen" "$benchtime"; do
        [ -x "$path" ] || die "not built: $path"
    done
}

prepare_tcc() {
    command -v tcc >/dev/null && return 0
    if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null; then
        echo "run.sh: installing tcc" >&2
        { apt-get install -y tcc || { apt-get update && apt-get install -y tcc; }; } \
            >"$work/apt.log" 2>&1 || true
    fi
    command -v tcc >/dev/null || echo "run.sh: warning: no tcc; its columns stay empty" >&2
}

# Prints "SECONDS KIB" for a command, "fail" when it failed, or ">LIMIT" when it ran past
# the limit.
measure() {
    local result status=0
    result=$("$benchtime" --runs "$runs" --enough 10 "$@" 2>>"$work/errors.log") || status=$?
    case $status in
        0) echo "$result" ;;
        3) echo ">$gcc_limit -" ;;
        *) echo "fail -" ;;
    esac
}

# The faster of two "SECONDS KIB" lines (either may be empty).
keep_best() {
    printf '%s\n%s\n' "$1" "$2" | awk 'NF && (b == "" || $1 < b) { b = $1; l = $0 } END { print l }'
}

# Measures one size; appends one line of raw figures to $work/figures.
measure_size() {
    local n=$1 base="$work/p$1"
    "$benchgen" --statements "$n" --lang lumo >"$base.lumo"
    "$benchgen" --statements "$n" --lang c >"$base.c"
    local lumo tcc_result=(n/a -) gcc_result=(n/a -) in_floor out_floor other_result=(n/a -)
    # By turns, one run of each per turn: lumoc, the other lumoc and tcc, so that all of
    # them meet the machine in the same minutes (it varies from one minute to the next
    # by far more than the differences measured). In batches, one turn of all the runs
    # of each.
    local best="" best_other="" best_tcc="" run one two three turns=$runs each=1
    [ "$order" = batches ] && turns=1 each=$runs
    for ((run = 0; run < turns; run++)); do
        one=$("$benchtime" --runs "$each" --enough 10 --stdin "$base.lumo" --stdout "$base.asm" \
            -- "$lumoc") \
            || die "lumoc failed on $base.lumo: $(head -c 300 "$base.asm")"
        best=$(keep_best "$best" "$one")
        if [ -n "$other" ]; then
            two=$("$benchtime" --runs "$each" --enough 10 --stdin "$base.lumo" \
                --stdout "$base.other" -- "$other") \
                || die "$other failed on $base.lumo"
            cmp -s "$base.asm" "$base.other" || die "$other writes other bytes than lumoc for $base.lumo"
            best_other=$(keep_best "$best_other" "$two")
        fi
        if command -v tcc >/dev/null && [ "$best_tcc" != "fail -" ]; then
            three=$("$benchtime" --runs "$each" --enough 10 -- tcc -c "$base.c" -o "$base.o" \
                2>>"$work/errors.log") \
                || three="fail -"
            [ "$three" = "fail -" ] && best_tcc=$three || best_tcc=$(keep_best "$best_tcc" "$three")
        fi
        # A long run is not repeated, as in measure.
        [ "$(awk -v t="${one%% *}" 'BEGIN { print (t >= 10) }')" = 1 ] && break
    done
    rm -f "$base.other"
    lumo=$best
    [ -n "$other" ] && read -ra other_result <<<"$best_other"
    [ -n "$best_tcc" ] && read -ra tcc_result <<<"$best_tcc"
    in_floor=$(measure --stdin "$base.lumo" --stdout /dev/null -- cat)
    out_floor=$(measure --stdin "$base.asm" --stdout "$base.copy" -- cat)
    rm -f "$base.copy"
    if command -v gcc >/dev/null; then
        read -ra gcc_result <<<"$(measure --limit "$gcc_limit" -- gcc -O0 -S "$base.c" -o "$base.s")"
    fi
    echo "$n $(stat -c %s "$base.lumo") $(stat -c %s "$base.asm") $lumo" \
        "${in_floor%% *} ${out_floor%% *} ${tcc_result[*]} ${gcc_result[*]} ${other_result[*]}" \
        >>"$work/figures"
    rm -f "$base.o" "$base.s"
}

# Turns the raw figures into the table (text, or markdown with "md") and the growth line.
report() {
    awk -v style="$1" -v compare="$([ -n "$other" ] && echo 1 || echo 0)" '
        function ratio(a, b) { return (a ~ /^[0-9.]+$/ && b ~ /^[0-9.]+$/ && b > 0) ? sprintf("%.2f", a / b) : "n/a" }
        function per(kib, n) { return kib ~ /^[0-9]+$/ ? sprintf("%.0f", kib * 1024 / n) : "n/a" }
        function secs(s) { return s ~ /^[0-9.]+$/ ? sprintf("%.3f", s) : s }
        function row(c, i, line) {
            line = ""
            for (i = 1; i <= columns; i++) {
                if (style == "md") line = line "| " c[i] " "
                else line = line sprintf(i == 1 ? "%-10s" : "%13s", c[i])
            }
            print line (style == "md" ? "|" : "")
        }
        BEGIN {
            columns = compare ? 17 : 14
            split("statements|input B|output B|lumoc s|lumoc MiB|floor s|tcc s|gcc s|lumoc/tcc|lumoc/gcc|lumoc/floor|lumoc B/stmt|tcc B/stmt|gcc B/stmt|other s|other MiB|lumoc/other", h, "|")
            row(h)
            if (style == "md") { for (i = 1; i <= columns; i++) sep[i] = "---"; row(sep) }
        }
        {
            n = $1; lumo = $4; floor = $6 + $7
            c[1] = n; c[2] = $2; c[3] = $3; c[4] = secs(lumo); c[5] = sprintf("%.1f", $5 / 1024)
            c[6] = secs(floor); c[7] = secs($8); c[8] = secs($10)
            c[9] = ratio(lumo, $8); c[10] = ratio(lumo, $10); c[11] = ratio(lumo, floor)
            c[12] = per($5, n); c[13] = per($9, n); c[14] = per($11, n)
            c[15] = secs($12); c[16] = $13 ~ /^[0-9]+$/ ? sprintf("%.1f", $13 / 1024) : "n/a"
            c[17] = ratio(lumo, $12)
            row(c)
            prev_n = last_n; prev_t = last_t; last_n = n; last_t = lumo
        }
        END {
            if (prev_n > 0) {
                growth = sprintf("lumoc time from %d to %d statements: x%s (x%s would be linear)", prev_n, last_n, ratio(last_t, prev_t), ratio(last_n, prev_n))
                print (style == "md" ? "\n" growth "." : "\n" growth)
            }
        }' "$work/figures"
}

versions() {
    local tcc_version gcc_version
    tcc_version=$(tcc -v 2>/dev/null | head -1 || true)
    gcc_version=$(gcc --version 2>/dev/null | head -1 || true)
    echo "lumoc against tcc -c and gcc -O0 -S, best of $runs runs ($order), $(nproc) cores, $(date -u +%F)"
    echo "${tcc_version:-no tcc}; ${gcc_version:-no gcc}"
}

parse_arguments "$@"
prepare_build
work="$build/bench-run"
mkdir -p "$work"
: >"$work/figures"
: >"$work/errors.log"
prepare_tcc
for n in $sizes; do
    echo "run.sh: measuring $n statements" >&2
    measure_size "$n"
done
versions
report text
if [ -n "$markdown" ]; then report md >"$markdown"; fi
if [ -s "$work/errors.log" ]; then
    echo "run.sh: some runs failed or were stopped at a limit; see $work/errors.log" >&2
fi
