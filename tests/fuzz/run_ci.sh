#!/usr/bin/env bash
# The fuzzing part of CI: builds the fuzz targets (tools/fuzz.sh build), replays every input of
# the saved corpus through its target, then fuzzes each target for a short bounded time
# (FUZZ_SECONDS each, default 20; as many at once as there are cores). A target passes when both
# its replay and its short run end without a failure. Ends with "fuzz: N passed, M failed".
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$root/build/hard-fuzz
seconds=${FUZZ_SECONDS:-20}
targets=(scanners rewriter restorer insert_blocks command_line round_trip)

if ! command -v clang++ >/dev/null || ! bash "$root/tools/fuzz.sh" build; then
    echo "fuzz: cannot build the fuzz targets (clang++ and libclang-rt-14-dev are needed)"
    echo "fuzz: 0 passed, ${#targets[@]} failed"
    exit 1
fi

export NEXTPICS_FUZZ_BUILT=1
results=$(mktemp -d)
trap 'rm -rf "$results"' EXIT

# check <target>: replays the saved corpus, then fuzzes from it; records pass or fail.
check() {
    local target=$1 fuzzer=$build/fuzz/fuzz_$1
    local replay_log=$build/logs/$target.replay.log
    mkdir -p "$build/logs"
    local options=()
    [ "$target" = command_line ] && options+=(-max_len=140000)
    if ! "$fuzzer" "${options[@]}" -runs=0 "$root/tests/fuzz/corpus/$target" >"$replay_log" 2>&1; then
        echo "fuzz $target: the saved corpus fails, see $replay_log"
        grep -m1 -A3 -E 'ERROR|property failed' "$replay_log"
        echo failed >"$results/$target"
        return
    fi
    # A fresh scratch corpus each time, so CI never adds to the one in build/.
    rm -rf "$build/corpus/$target"
    if bash "$root/tools/fuzz.sh" "$target" "$seconds"; then
        echo passed >"$results/$target"
    else
        echo failed >"$results/$target"
    fi
}

running=0
for target in "${targets[@]}"; do
    check "$target" &
    running=$((running + 1))
    if [ "$running" -ge "$(nproc)" ]; then
        wait -n
        running=$((running - 1))
    fi
done
wait

passed=$(grep -lx passed "$results"/* 2>/dev/null | wc -l)
failed=$((${#targets[@]} - passed))
echo "fuzz: $passed passed, $failed failed"
[ "$failed" = 0 ]
