#!/usr/bin/env bash
# Builds the "coverage" preset (gcc, Debug, coverage counters) in build/hard-coverage, runs the
# native unit and end-to-end tests, and reports line and branch coverage of the core folders
# textio/, scan/, insert/ and remove/ with gcovr: a table per file and the totals on standard
# output, an HTML report in build/hard-coverage/coverage/index.html.
# COVERAGE_MIN_LINES and COVERAGE_MIN_BRANCHES (percent) make the script fail below them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/hard-coverage
cd "$root"

if ! command -v gcovr >/dev/null; then
    echo "coverage: gcovr is needed (bash tools/setup.sh installs it)"
    exit 1
fi

if [ ! -f "$build/build.ninja" ]; then
    cmake --preset coverage >/dev/null
fi
cmake --build --preset coverage -j "$(nproc)" >"$build/build.log" 2>&1 || { tail -40 "$build/build.log"; exit 1; }

find "$build" -name '*.gcda' -delete
status=0
# The native unit and end-to-end tests; the Java, browser and picture checks add nothing here.
ctest --preset coverage -j "$(nproc)" \
    -R '^(unit_tests|fault_injection|native_end_to_end|sample_site)$' || status=1

mkdir -p "$build/coverage"
report=(gcovr --root "$root" --object-directory "$build"
        --filter 'textio/' --filter 'scan/' --filter 'insert/' --filter 'remove/' --exclude '.*_test\.cpp'
        --exclude-unreachable-branches --exclude-throw-branches)
echo
echo "== lines"
"${report[@]}" --txt
echo "== branches"
"${report[@]}" --txt --branches
"${report[@]}" --html-details "$build/coverage/index.html" --print-summary \
    --fail-under-line "${COVERAGE_MIN_LINES:-0}" --fail-under-branch "${COVERAGE_MIN_BRANCHES:-0}" || status=1
exit "$status"
