#!/usr/bin/env bash
# Sets up the machine, builds both toolchains and runs every test: native, native under ASan and
# UBSan, and the Windows build under Wine in an English (code page 1252) and a Japanese (code page
# 932) locale. Prints the runners' summary lines, and the build's own output when a build fails;
# exits non-zero on any failure. NEXTPICS_SETUP=skip leaves the set-up step out (a machine without
# apt, or one set up by other means).
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${NEXTPICS_SETUP:-}" = skip ]; then
    echo "set-up skipped (NEXTPICS_SETUP=skip)"
else
    bash tools/setup.sh
fi

jobs=$(nproc)
status=0
step() { echo; echo "== $*"; }

# build PRESET: configures and builds quietly; on a failure shows the end of what the build said
# and stops, since nothing can be tested then.
build() {
    local log
    log=$(mktemp "${TMPDIR:-/tmp}/nextpics_build.XXXXXX")
    if ! { cmake --preset "$1" && cmake --build --preset "$1" -j "$jobs"; } >"$log" 2>&1; then
        tail -n 60 "$log"
        rm -f "$log"
        echo "BUILD FAILED: $1"
        exit 1
    fi
    rm -f "$log"
}

step "layering of the includes"
bash tools/check_layers.sh || status=1

step "native build and tests"
build native
ctest --preset native -j "$jobs" || status=1

step "native tests under AddressSanitizer and UndefinedBehaviorSanitizer"
build native-asan
# Only our C++ runs under the sanitizers; the applet, browser, reader and real-manual checks ran
# above already.
ctest --preset native-asan -j "$jobs" -E '^(applet|browser_preload|reader_.*|real_manuals)$' || status=1

step "Windows build"
build win32

export WINEDEBUG=-all
export WINEPREFIX=${WINEPREFIX:-$PWD/build/wineprefix}
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    step "creating the Wine prefix"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w || true
fi
# The Wine cases set the locale of each run themselves; the unit tests run in both locales.
step "Windows tests under Wine, LC_ALL=C"
LC_ALL=C ctest --preset win32 || status=1
step "Windows unit tests under Wine, LC_ALL=ja_JP.UTF-8"
LC_ALL=ja_JP.UTF-8 ctest --preset win32 -R '^unit_tests$' || status=1
wineserver -k 2>/dev/null || true

step "fuzzing: saved corpus and short runs (clang, libFuzzer)"
bash tests/fuzz/run_ci.sh || status=1

echo
[ "$status" = 0 ] && echo "all tests passed" || echo "SOME TESTS FAILED"
exit "$status"
