#!/usr/bin/env bash
# Sets up the machine, builds both toolchains and runs every test: native, native under ASan and
# UBSan, and the Windows build under Wine in an English (code page 1252) and a Japanese (code page
# 932) locale. Prints the runners' summary lines; exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh

jobs=$(nproc)
status=0
step() { echo; echo "== $*"; }

step "native build and tests"
cmake --preset native >/dev/null
cmake --build --preset native -j "$jobs" >/dev/null
ctest --preset native -j "$jobs" || status=1

step "native tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset native-asan >/dev/null
cmake --build --preset native-asan -j "$jobs" >/dev/null
# Only our C++ runs under the sanitizers; the applet, browser and reader checks ran above already.
ctest --preset native-asan -j "$jobs" -E '^(applet|browser_preload|reader_.*)$' || status=1

step "Windows build"
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$jobs" >/dev/null

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
