#!/usr/bin/env bash
# Prepared pages in a real browser. Headless Chromium loads pages from a server on the loopback
# address, whose log tells what the browser fetched and when: after the load event of a page that
# addNextpics prepared, the next page and its images are fetched, without a script error, whether
# the next page has images or not, and its streams are not (Chromium takes the next page through
# speculation rules, and would download a prefetched stream again); once delNextpics has restored
# the page, none of them is. A screenshot shows that the prepared page looks exactly like the
# original. bench/reader_bench measures what the reader's click then takes from the cache.
#
# Usage: browser_cases.sh <folder with the programs> <folder with the test's Java classes>
#                         <folder for the screenshots>
# Exits 77 (skipped) where Chromium is missing or cannot start.
set -u
bin=$(cd "$1" && pwd)
classes=$(cd "$2" && pwd)
shots=$3
mkdir -p "$shots"
work=$(mktemp -d "${TMPDIR:-/tmp}/nextpics_browser.XXXXXX")
server_pid=
cleanup() {
    [ -z "$server_pid" ] || kill "$server_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
# shellcheck source=../check.sh
source "$(dirname "$0")/../check.sh"

browser=$(command -v chromium || command -v chromium-browser) || {
    echo "SKIPPED: Chromium is not installed (tools/setup.sh installs the chromium package)"
    exit 77
}

# browse <profile> <chromium arguments...>: one headless run with a fresh profile, so that
# nothing comes from the cache of an earlier run.
browse() {
    local profile=$work/profile-$1
    shift
    timeout 60 "$browser" --headless --no-sandbox --disable-gpu --disable-background-networking \
        --disable-component-update --disable-sync --no-first-run --no-default-browser-check \
        --mute-audio --hide-scrollbars --user-data-dir="$profile" --enable-logging=stderr --v=0 \
        --virtual-time-budget=5000 "$@"
}

if ! browse probe --dump-dom 'data:text/html,<p>up</p>' >"$work/probe.dom" 2>"$work/probe.err" ||
    ! grep -q '<p>up</p>' "$work/probe.dom"; then
    echo "SKIPPED: Chromium cannot start here:"
    tail -5 "$work/probe.err"
    exit 77
fi

# ---- the site: two runs of two pages, served from $site

site=$work/site
mkdir -p "$site/images/pics" "$site/images/sounds" "$site/plain" "$site/shared"
log=$work/server.log
java -cp "$classes" PageServer "$site" "$log" "$work/port" 100 &
server_pid=$!
for _ in $(seq 1 100); do
    [ -f "$work/port" ] && break
    sleep 0.1
done
[ -f "$work/port" ] || { echo "FAILED: the page server did not start"; exit 1; }
origin=http://127.0.0.1:$(cat "$work/port")

gif() {  # gif <file> <red> <green> <blue>: a one-pixel GIF of that colour, in hex
    printf "GIF89a\x01\x00\x01\x00\x80\x00\x00\x$2\x$3\x$4\x00\x00\x00,\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02D\x01\x00;" >"$1"
}
crlf() { local text=${1//\\n/\\r\\n}; printf '%b' "$text"; }  # "\n" in the text becomes CR LF

# A first page whose own picture comes a second late (its load event waits for it), and a next
# page with pictures, one of them at a full address, and two streams.
first_page() {  # first_page <title>
    crlf "<html>\n<head><title>$1, page 1</title></head>\n<body bgcolor=\"white\">\n<h1>$1</h1>\n"
    crlf '<p><img src="slow-quay.gif" width=200 height=120> <img src="boats.gif" width=120 height=120></p>\n'
    crlf '<p>Morning light over the quay.</p>\n<p><a href="page2.html">next page</a></p>\n</body>\n</html>\n'
}
first_page Harbour >"$site/images/page1.html"
crlf '<html>\n<head><title>Harbour, page 2</title></head>\n<body bgcolor="white">\n<h1>Lighthouse</h1>\n' >"$site/images/page2.html"
crlf '<img src="lighthouse.gif" width=200 height=120>\n<img src="pics/rocks.gif" width=120 height=120>\n' >>"$site/images/page2.html"
crlf "<img src=\"$origin/shared/gull.gif\">\n<bgsound src=\"sounds/waves.mid\">\n<embed src=\"$origin/shared/horn.mid\">\n" >>"$site/images/page2.html"
crlf '<p><a href="page3.html">next page</a></p>\n</body>\n</html>\n' >>"$site/images/page2.html"
# A next page without pictures: only the load event starts its fetch.
first_page Rain >"$site/plain/page1.html"
crlf '<html>\n<body>\n<p>Rain all day.</p>\n<bgsound src="rain.mid">\n</body>\n</html>\n' >"$site/plain/page2.html"

gif "$site/images/slow-quay.gif" 2c 6e 9b
gif "$site/images/boats.gif" c8 32 2d
gif "$site/images/lighthouse.gif" ff ff ff
gif "$site/images/pics/rocks.gif" 5b 52 48
gif "$site/shared/gull.gif" dd dd dd
cp "$site/images/slow-quay.gif" "$site/images/boats.gif" "$site/plain/"
printf 'MThd' >"$site/images/sounds/waves.mid"
printf 'MThd' >"$site/shared/horn.mid"
printf 'MThd' >"$site/plain/rain.mid"
cp "$site/images/page1.html" "$site/images/original.html"

# visit <name> <path>: loads the page; what the server saw meanwhile goes to $work/<name>.log,
# the page as the browser ended with it to .dom, the browser's own log to .err.
visit() {
    local before
    before=$(wc -l <"$log")
    browse "$1" --dump-dom "$origin$2" >"$work/$1.dom" 2>"$work/$1.err"
    sleep 0.2
    tail -n +$((before + 1)) "$log" >"$work/$1.log"
}

requested_once() {  # requested_once <name> <path>
    local count
    count=$(grep -c " GET $2\$" "$work/$1.log")
    [ "$count" = 1 ] || { echo "  $2: $count requests"; return 1; }
}
not_requested() {  # not_requested <name> <path>
    ! grep -q " GET $2\$" "$work/$1.log"
}
# after_load <name> <path>: the path was asked for only once the late picture of the page was on
# its way, so after the page's load event.
after_load() {
    awk -v p="$2" '$2 == "ANSWER" && $3 ~ /\/slow-quay.gif$/ { loaded = $1 }
                   $2 == "GET" && $3 == p { asked = $1 }
                   END { exit !(loaded != "" && asked != "" && asked + 0 >= loaded + 0) }' "$work/$1.log" ||
        { echo "  $2 asked before the load event:"; cat "$work/$1.log"; return 1; }
}
no_console_messages() {  # no_console_messages <name>: no script error, no message at all
    ! grep 'CONSOLE' "$work/$1.err"
}

prepare() {  # prepare <folder>: addNextpics on page1.html there
    (cd "$site/$1" && "$bin/addNextpics" page1.html </dev/null 2>&1)
}

# ---- a next page with pictures and streams

check "add: the page with a picture-laden next page is prepared" \
    grep -q 'page1.html -> page2.html (3 imgs, 2 strms) : OK.' <(prepare images)
visit images /images/page1.html
check "prepared: the page itself loads" grep -q '<h1>Harbour</h1>' "$work/images.dom"
for path in /images/page2.html /images/lighthouse.gif /images/pics/rocks.gif /shared/gull.gif; do
    check "prepared: $path fetched once" requested_once images "$path"
    check "prepared: $path fetched after the load event" after_load images "$path"
done
for path in /images/sounds/waves.mid /shared/horn.mid; do
    check "prepared: stream $path not fetched ahead" not_requested images "$path"
done
check "prepared: no script error or other console message" no_console_messages images

# ---- a next page without pictures

check "add: the page with a picture-less next page is prepared" \
    grep -q 'page1.html -> page2.html (0 imgs, 1 strms) : OK.' <(prepare plain)
visit plain /plain/page1.html
check "no pictures: the next page fetched once" requested_once plain /plain/page2.html
check "no pictures: the next page fetched after the load event" after_load plain /plain/page2.html
check "no pictures: its stream not fetched ahead" not_requested plain /plain/rain.mid
check "no pictures: no script error or other console message" no_console_messages plain

# ---- nothing of the applet or its script shows

browse shot-original --screenshot="$shots/original_page.png" --window-size=800,600 \
    "$origin/images/original.html" >/dev/null 2>&1
browse shot-prepared --screenshot="$shots/prepared_page.png" --window-size=800,600 \
    "$origin/images/page1.html" >/dev/null 2>&1
comparison=$(java -cp "$classes" ScreenshotCompare "$shots/original_page.png" "$shots/prepared_page.png" 2>&1)
check "screenshot: the original page shows its pictures (${comparison})" \
    awk '{ exit !($1 == "800x600" && $3 + 0 > 10000) }' <<<"$comparison"
check "screenshot: the prepared page looks exactly like the original" \
    awk '{ exit !($1 == "800x600" && $2 == 0) }' <<<"$comparison"

# ---- restored, the page fetches nothing of the next page

check "del: the page is restored" \
    grep -q 'page1.html : OK.' <(cd "$site/images" && "$bin/delNextpics" page1.html </dev/null 2>&1)
check "del: nothing of the preloading is left in the page" \
    bash -c '! grep -qi "nextpics\|preload\|applet\|script" "$1"' _ "$site/images/page1.html"
visit restored /images/page1.html
check "restored: the page itself loads" grep -q ' GET /images/slow-quay.gif$' "$work/restored.log"
for path in /images/page2.html /images/lighthouse.gif /images/pics/rocks.gif /shared/gull.gif \
            /images/sounds/waves.mid /shared/horn.mid; do
    check "restored: $path not fetched" not_requested restored "$path"
done
check "restored: no console message" no_console_messages restored

echo "browser: $passed passed, $failed failed"
[ "$failed" = 0 ]
