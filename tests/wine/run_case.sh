#!/usr/bin/env bash
# Runs one program under Wine on a virtual X display while box_driver plays the user's part with
# the given steps; leaves the driver's observations, exit statuses and screenshots in one folder.
#
# usage: run_case.sh --build DIR --out DIR [--step LINE]... [--steps FILE] [--env VAR=VALUE]...
#                    [--cwd DIR] [--timeout SECONDS] -- PROGRAM.exe [ARGUMENT]...
#
# Results in the --out folder (emptied first):
#   driver.txt       one line per observation of box_driver (see box_driver.cpp)
#   driver.status    box_driver's exit status (0 when every step saw what it waited for)
#   program.status   the program's exit status, 124 when it had to be stopped after --timeout
#   program.ms       the program's run time in milliseconds, Wine's start included
#   program.txt      what the program wrote to standard output and standard error
#   NAME.png         the screen at each "snap NAME" step
# The display is started here and stopped again, unless WINE_CASE_DISPLAY names one that the
# caller keeps for several cases. The Wine prefix lives in the build folder and is made once.
set -uo pipefail

build=""
out=""
cwd=""
limit=30
steps=()
envs=()
while [ $# -gt 0 ]; do
    case "$1" in
        --build) build=$2; shift 2 ;;
        --out) out=$2; shift 2 ;;
        --step) steps+=("$2"); shift 2 ;;
        --steps) while IFS= read -r line || [ -n "$line" ]; do steps+=("$line"); done <"$2"; shift 2 ;;
        --env) envs+=("$2"); shift 2 ;;
        --cwd) cwd=$2; shift 2 ;;
        --timeout) limit=$2; shift 2 ;;
        --) shift; break ;;
        *) echo "run_case: unknown option $1" >&2; exit 2 ;;
    esac
done
if [ -z "$build" ] || [ -z "$out" ] || [ $# -lt 1 ]; then
    echo "usage: run_case.sh --build DIR --out DIR [--step LINE]... -- PROGRAM.exe [ARGUMENT]..." >&2
    exit 2
fi

driver=$build/tests/wine/box_driver.exe
prefix=${WINE_CASE_PREFIX:-$build/wine-prefix}
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
[ -f "$driver" ] || { echo "run_case: $driver is missing" >&2; exit 2; }

rm -rf "$out"
mkdir -p "$out"
out=$(cd "$out" && pwd)

# A Unix path as Wine's Z: drive shows it.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

started_pids=()
xvfb_pid=""
# shellcheck disable=SC2317  # runs from the exit trap
cleanup() {
    for pid in "${started_pids[@]}"; do
        kill "$pid" 2>/dev/null
    done
    if [ -n "$xvfb_pid" ]; then
        # Wine's background processes of this prefix talk to the display that goes away now.
        wineserver -k 2>/dev/null
        kill "$xvfb_pid" 2>/dev/null
        wait "$xvfb_pid" 2>/dev/null
    fi
}
trap cleanup EXIT

# One case at a time per prefix: all programs of a prefix share one list of windows, and the driver
# must see only the boxes of its own program.
exec 9>"$prefix.lock"
flock 9

if [ ! -f "$prefix/system.reg" ]; then
    wineboot -i >"$out/wineboot.txt" 2>&1
    wineserver -w
fi

start_display() {
    for n in $(seq 90 120); do
        [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
        Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >"$out/xvfb.txt" 2>&1 &
        xvfb_pid=$!
        for _ in $(seq 100); do
            if xdpyinfo -display ":$n" >/dev/null 2>&1; then
                display=":$n"
                return 0
            fi
            kill -0 "$xvfb_pid" 2>/dev/null || break
            sleep 0.05
        done
        kill "$xvfb_pid" 2>/dev/null
        wait "$xvfb_pid" 2>/dev/null
        xvfb_pid=""
    done
    return 1
}

if [ -n "${WINE_CASE_DISPLAY:-}" ]; then
    display=$WINE_CASE_DISPLAY
else
    start_display || { echo "run_case: no free display in :90..:120" >&2; exit 2; }
fi
export DISPLAY=$display

# Takes a screenshot for every "snap NAME" line of the driver and answers it with NAME.done.
serve_snapshots() {
    local seen=" "
    while :; do
        while read -r name; do
            case "$seen" in *" $name "*) continue ;; esac
            seen="$seen$name "
            xwd -root -silent -display "$display" | convert xwd:- "png:$out/$name.png" 2>>"$out/snap.txt"
            : >"$out/$name.done"
        done < <(sed -n 's/^snap name=\([^ ]*\).*/\1/p' "$out/driver.txt" 2>/dev/null)
        sleep 0.05
    done
}

program=$1
shift
: >"$out/driver.txt"
serve_snapshots &
started_pids+=($!)

(
    [ -z "$cwd" ] || cd "$cwd" || exit 2
    start=$(now_ms)
    env "${envs[@]}" timeout -k 2 "$limit" wine "$program" "$@" >"$out/program.txt" 2>&1
    echo $? >"$out/program.status"
    echo $(( $(now_ms) - start )) >"$out/program.ms"
) &
program_pid=$!
started_pids+=("$program_pid")

env "${envs[@]}" timeout -k 2 $((limit + 10)) wine "$driver" --snap-dir "$(windows_path "$out")" "${steps[@]}" \
    >>"$out/driver.txt" 2>"$out/driver.err"
echo $? >"$out/driver.status"

wait "$program_pid"
exit 0
