#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build/hard-fuzz and runs them.
#
#   tools/fuzz.sh build                      configure and build only
#   tools/fuzz.sh <target> [seconds]         fuzz one target (default 600 s)
#   tools/fuzz.sh all [seconds]              fuzz every target, as many at once as there are cores
#   tools/fuzz.sh replay <target> <file>...  run the given inputs once (to reproduce a crash)
#
# Targets: scanners rewriter restorer insert_blocks command_line round_trip.
# The saved corpus in tests/fuzz/corpus/<target> is read, never written: new inputs go to
# build/hard-fuzz/corpus/<target>, crashing inputs to build/hard-fuzz/artifacts/, the fuzzer's
# output to build/hard-fuzz/logs/<target>.log. Each run ends with one line: the target, the
# number of executions and whether it failed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/hard-fuzz
targets=(scanners rewriter restorer insert_blocks command_line round_trip)

build_targets() {
    # Set by a caller that has built them already (and may run several targets at once).
    [ "${NEXTPICS_FUZZ_BUILT:-}" = 1 ] && return
    if [ ! -f "$build/build.ninja" ]; then
        CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
            -DNEXTPICS_FUZZ=ON >"$build.configure.log" 2>&1 ||
            { cat "$build.configure.log"; exit 1; }
    fi
    cmake --build "$build" --target fuzz_targets -j "$(nproc)" >"$build/build.log" 2>&1 ||
        { tail -40 "$build/build.log"; exit 1; }
}

# Options every run of a target gets.
target_options() {
    local options=(-dict="$root/tests/fuzz/pages.dict" -timeout=20 -print_final_stats=1)
    # The splitter's limits lie beyond 128 KiB of command line.
    [ "$1" = command_line ] && options+=(-max_len=140000)
    echo "${options[@]}"
}

# run_target <target> <seconds>: fuzzes, prints the summary line, returns the fuzzer's status.
run_target() {
    local target=$1 seconds=$2
    mkdir -p "$build/corpus/$target" "$build/artifacts" "$build/logs"
    local log=$build/logs/$target.log status=0
    # shellcheck disable=SC2046
    "$build/fuzz/fuzz_$target" $(target_options "$target") -max_total_time="$seconds" \
        -artifact_prefix="$build/artifacts/$target-" "$build/corpus/$target" "$root/tests/fuzz/corpus/$target" \
        >"$log" 2>&1 || status=$?
    local runs
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || true)
    if [ "$status" = 0 ]; then
        echo "fuzz $target: ${runs:-?} executions in $seconds s, no failure"
    else
        echo "fuzz $target: FAILED after ${runs:-?} executions (status $status), see $log"
        grep -m1 -A3 -E 'ERROR|property failed' "$log" || true
        ls "$build/artifacts/$target-"* 2>/dev/null | sed 's/^/  input: /' || true
    fi
    return "$status"
}

command=${1:-}
case "$command" in
build)
    build_targets
    ;;
all)
    build_targets
    seconds=${2:-600}
    status=0
    pids=()
    for target in "${targets[@]}"; do
        run_target "$target" "$seconds" &
        pids+=($!)
        if [ ${#pids[@]} -ge "$(nproc)" ]; then
            wait "${pids[0]}" || status=1
            pids=("${pids[@]:1}")
        fi
    done
    for pid in "${pids[@]}"; do wait "$pid" || status=1; done
    exit "$status"
    ;;
replay)
    build_targets
    target=$2
    shift 2
    # shellcheck disable=SC2046
    exec "$build/fuzz/fuzz_$target" $(target_options "$target") "$@"
    ;;
scanners | rewriter | restorer | insert_blocks | command_line | round_trip)
    build_targets
    run_target "$command" "${2:-600}"
    ;;
*)
    sed -n '2,13p' "$0" | sed 's/^# \{0,1\}//'
    exit 2
    ;;
esac
