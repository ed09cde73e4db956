#!/usr/bin/env bash
# addNextpics.exe works through one page of 200 MB under Wine on a virtual display while
# responsive_probe asks its console window every few milliseconds whether it answers: every probe
# must be answered within 100 ms until the page is done. The page has exactly one link (to a small
# next page), so no question is asked.
#
# usage: responsive_case.sh BUILD_FOLDER [PAGE_MB]
# The Wine prefix is BUILD_FOLDER/bench-wine-prefix (made once); the page goes to /dev/shm when it
# has room, else TMPDIR.
set -uo pipefail

build=$(cd "${1:?usage: responsive_case.sh BUILD_FOLDER [PAGE_MB]}" && pwd)
page_mb=${2:-200}
program=$build/bin/addNextpics.exe
probe=$build/bench/responsive_probe.exe
for file in "$program" "$probe" "$build/bin/insert.ini"; do
    [ -f "$file" ] || { echo "responsive_case: $file is missing" >&2; exit 2; }
done
for tool in wine Xvfb xdpyinfo; do
    command -v "$tool" >/dev/null || { echo "responsive_case: $tool is missing (tools/setup.sh)" >&2; exit 2; }
done

room=/dev/shm
[ -d "$room" ] && [ "$(df -Pk "$room" | awk 'NR == 2 { print $4 }')" -gt $((page_mb * 3 * 1024 + 100000)) ] ||
    room=${TMPDIR:-/tmp}
work=$(mktemp -d "$room/responsive_case.XXXXXX")
xvfb_pid=""
program_pid=""
cleanup() {
    [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null
    wineserver -k 2>/dev/null
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null
        wait "$xvfb_pid" 2>/dev/null
    fi
    rm -rf "$work"
}
trap cleanup EXIT

export WINEPREFIX=$build/bench-wine-prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# One user of the prefix at a time (the site benchmark uses it too).
exec 9>"$WINEPREFIX.lock"
flock 9
[ -f "$WINEPREFIX/system.reg" ] || { wineboot -i >/dev/null 2>&1; wineserver -w; }

for n in $(seq 170 199); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do
        xdpyinfo -display ":$n" >/dev/null 2>&1 && break
        sleep 0.05
    done
    if xdpyinfo -display ":$n" >/dev/null 2>&1; then
        export DISPLAY=":$n"
        break
    fi
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
    xvfb_pid=""
done
[ -n "$xvfb_pid" ] || { echo "responsive_case: no free display in :170..:199" >&2; exit 2; }

# The program beside its data files, and the page: a link to its next page, then paragraphs with
# tags, images and text, CR LF line ends.
mkdir -p "$work/kit" "$work/site"
cp "$program" "$build/bin/insert.ini" "$work/kit/"
[ -f "$build/bin/nextpics.class" ] && cp "$build/bin/nextpics.class" "$work/kit/"
{
    printf '<html>\r\n<head><title>A long page</title></head>\r\n<body bgcolor="white">\r\n'
    printf '<p><a href="next.html">next page</a></p>\r\n'
    yes $'<p>Some text of a long page, <b>bold</b> and <i>slanted</i>, <img src="images/pic.jpg" alt="a picture"> and more.</p>\r' |
        head -c $((page_mb << 20))
    printf '\r\n</body>\r\n</html>\r\n'
} >"$work/site/page.html"
printf '<html><body><img src="images/next.jpg"></body></html>\r\n' >"$work/site/next.html"

cd "$work/site" || exit 2
wine "$work/kit/addNextpics.exe" page.html >"$work/program.txt" 2>&1 &
program_pid=$!
wine "$probe" "addNextpics V1.07" 100 100000 addnex0.tmp >"$work/probe.txt" 2>&1
probe_status=$?
wait "$program_pid"
program_status=$?
program_pid=""
cat "$work/probe.txt"

failed=0
[ "$probe_status" = 0 ] || { echo "FAILED: the window did not answer within 100 ms (probe status $probe_status)"; failed=1; }
[ "$program_status" = 0 ] || { echo "FAILED: addNextpics.exe ended with status $program_status"; failed=1; }
grep -q 'onLoad="preloadImage()"' <(head -c 100000 page.html) ||
    { echo "FAILED: the page was not prepared"; failed=1; }
[ ! -e addnex0.tmp ] || { echo "FAILED: the temporary copy stayed"; failed=1; }
echo "$((1 - failed)) passed, $failed failed"
exit "$failed"
