#!/usr/bin/env bash
# End-to-end cases of the native programs: exact page bytes, log rows, exit status, answers on
# standard input. Usage: native_cases.sh <folder with addNextpics and delNextpics>
set -u
bin=$(cd "$1" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/nextpics_e2e.XXXXXX")
trap 'rm -rf "$work"' EXIT
# shellcheck source=../check.sh
source "$(dirname "$0")/../check.sh"


same_file() { cmp -s "$1" "$2" || { diff <(cat -A "$1") <(cat -A "$2") | head -20; return 1; }; }


crlf() { local text=${1//\\n/\\r\\n}; printf '%b' "$text"; }  # "\n" in the text becomes CR LF

new_site() {
    site="$work/$1"
    rm -rf "$site"
    mkdir -p "$site"
    crlf '<html>\n<head><title>Album</title></head>\n<body bgcolor="white">\n<h1>Photo 1</h1>\n<img src="p1.jpg">\n<a href="index.html">index</a> <a href="photo2.html">next</a>\n</body>\n</html>' >"$site/photo1.html"
    crlf '<html>\n<body>\n<img src="p2.jpg"><img src="http://example.org/b.gif">\n<bgsound src="s.mid">\n<a href="index.html">index</a>\n</body>\n</html>' >"$site/photo2.html"
    crlf '<html><body><a href="photo1.html">start</a></body></html>' >"$site/index.html"
    cp "$site/photo1.html" "$work/photo1.orig"
}

banner_add='AddNextpics V1.07  preloads the next page of each page'
banner_del='delNextpics V1.07  removes the preloading from pages'

# ---- addNextpics

new_site empty
run addNextpics ''
check "add without pages: banner, empty line, done." same "$banner_add"$'\n\ndone.' "$out"
check "add without pages: exit 0" [ "$rc" = 0 ]

new_site prepare
run addNextpics 'n\ny\n' photo1.html
check "add: log row names the chosen page and the counts" \
    same "$banner_add"$'\n  photo1.html -> index.html  -> photo2.html (2 imgs, 1 strms) : OK.\n\ndone.' "$out"
{
    crlf '<html>\n<head><title>Album</title></head>\n\n'
    crlf '<!-- Nextpics insert -->\n<script language="Javascript">\n<!-- \nfunction preloadImage()  {\n'
    crlf '  nextImg1= new Image;  nextImg1.src="p2.jpg";\n  document.preload.next();\n'
    crlf '  nextImg2= new Image;  nextImg2.src="http://example.org/b.gif";\n  document.preload.next();\n'
    crlf '}\n// --></script>\n\n<body bgcolor="white" onLoad="preloadImage()">\n<h1>Photo 1</h1>\n<img src="p1.jpg">\n'
    crlf '<a href="index.html">index</a> <a href="photo2.html">next</a>\n\n'
    crlf '<applet code="nextpics.class" name="preload" width=0 height=0>\n'
    sed -n '/^<applet /,/^---/p' "$bin/insert.ini" | sed '1d;$d'  # the shipped tag block's script
    crlf '<param name="next" value="photo2.html;s.mid">\n'
    crlf '</applet>\n</body>\n</html>'
} >"$work/photo1.expected"
check "add: exact bytes of the prepared page" same_file "$work/photo1.expected" "$site/photo1.html"
check "add: no temporary file left" [ -z "$(ls "$site" | grep -i '\.tmp$')" ]
if [ -f "$bin/nextpics.class" ]; then
    check "add: nextpics.class copied beside the page" cmp -s "$bin/nextpics.class" "$site/nextpics.class"
fi

run addNextpics '' photo1.html
check "add: already-set page asks and skips on OK" same "$banner_add"$'\n  photo1.html (no convert)\n\ndone.' "$out"
check "add: already-set box text" grep -q 'photo1.html : Nextpics already set.' <<<"$err"
run addNextpics 'c\n' photo1.html index.html
check "add: Cancel in the already-set box ends at once with status 1" \
    same "$banner_add"$'\n  photo1.html' "$out"
check "add: status 1 after Cancel" [ "$rc" = 1 ]

new_site cancel
crlf '<body><a href="gone.html">x</a></body>' >"$site/dangling.html"
cp "$site/index.html" "$work/index.orig"
run addNextpics 'o\nc\n' photo2.html dangling.html dangling.html index.html
check "add: referring error OK skips, Cancel stops with canceled." \
    same "$banner_add"$'\n  photo2.html -> index.html (0 imgs, 0 strms) : OK.\n  dangling.html -> gone.html  (no convert)\n  dangling.html -> gone.html  (no convert)\n\ncanceled.' "$out"
check "add: the page after the Cancel is not touched" cmp -s "$work/index.orig" "$site/index.html"
check "add: not-found box text" grep -q 'Not found: gone.html file.' <<<"$err"

new_site dirs
mkdir -p "$site/b"
cp "$site/photo2.html" "$site/index.html" "$site/b/"
run addNextpics '' photo2.html b/photo2.html b/index.html missing.html
check "add: a header for each change of directory; a missing page is not converted" \
    same "$banner_add"$'\n  photo2.html -> index.html (0 imgs, 0 strms) : OK.\n\nb/ :\n  photo2.html -> index.html (0 imgs, 0 strms) : OK.\n  index.html -> photo1.html  (no convert)\n\n :\n\nCannot open RD file : missing.html\n\nCannot open source file (RD) : missing.html\n  missing.html (no convert)\n\ndone.' "$out"

new_site japanese
LC_ALL=ja_JP.UTF-8 run addNextpics '' photo1.html
LC_ALL=ja_JP.UTF-8 run addNextpics '' photo1.html
check "add: Japanese box text in the terminal's codeset" grep -q 'photo1.html はネクストピクス設置済みです.' <<<"$err"

# Nothing is left out in silence: pages past the limit, and a missing insert.ini.
new_site limits
many=()
for i in $(seq 1 1030); do printf 'x' >"$site/p$i.html"; many+=("p$i.html"); done
run delNextpics '' "${many[@]}"
check "1030 pages: the log says that 7 are left out, before the first page" \
    same "7 pages left out: 1023 at most in one run"$'\n'"  p1.html (no convert)" "$(grep -A1 'left out' <<<"$out")"
check "1030 pages: 1023 are taken" [ "$(grep -c 'no convert' <<<"$out")" = 1023 ]
check "1030 pages: status 2, as pages were left out" [ "$rc" = 2 ]
mkdir -p "$site/prog"
cp "$bin/addNextpics" "$site/prog/"
out=$(cd "$site" && prog/addNextpics p1.html </dev/null 2>/dev/null)
check "add without insert.ini: the log says where it was looked for, before the first page" \
    same "insert.ini not found in $site/prog/ nor in $site/prog/../share/nextpics/: the pages get a bare applet element."$'\n'"  p1.html (no convert)" \
    "$(grep -A1 'insert.ini not found' <<<"$out")"

# A page without a BODY start tag has nothing to prepare: no question, whatever its links.
crlf '<html><head><title>No body</title></head>\n<p><a href="p1.html">1</a> <a href="p2.html">2</a></p></html>\n' >"$site/nobody.html"
cp "$site/nobody.html" "$work/nobody.orig"
run addNextpics '' nobody.html
check "add: a page without a BODY start tag is left as it is, without a question" \
    same "$banner_add"$'\n  nobody.html (no convert)\n\ndone.' "$out"
check "add: no question about the page without a BODY start tag" same "" "$err"
check "add: the page without a BODY start tag is kept byte for byte" cmp -s "$work/nobody.orig" "$site/nobody.html"

# A full disk during the rewrite: the page comes back whole and nothing is overwritten.
new_site full
{
    printf '<html><body>\r\n<a href="photo2.html">next</a>\r\n'
    for i in $(seq 1 600); do printf '<p>Paragraph %04d of a long page that fills the disk.</p>\r\n' "$i"; done
    printf '</body></html>\r\n'
} >"$site/long.html"
{
    for i in $(seq 1 250); do printf '<img src="images/picture-with-a-long-name-%03d.jpg">\r\n' "$i"; done
} >"$site/photo2.html"
cp "$site/long.html" "$work/long.orig"
printf 'not ours' >"$site/addnex0.tmp"
size_kb=$(( ($(stat -c %s "$site/long.html") + 1023) / 1024 + 4 ))
out=$(cd "$site" && (ulimit -f "$size_kb"; trap '' XFSZ; "$bin/addNextpics" long.html photo2.html </dev/null 2>/dev/null))
rc=$?
check "full disk: the page comes back whole" cmp -s "$work/long.orig" "$site/long.html"
check "full disk: the user's addnex0.tmp is untouched" same "not ours" "$(cat "$site/addnex0.tmp")"
check "full disk: no temporary file of ours is left" [ "$(ls "$site" | grep -c '\.tmp$')" = 1 ]
check "full disk: the page is not converted and the batch stops" \
    same "$banner_add"$'\n  addnex0.tmp kept from an earlier run\n  long.html -> photo2.html (250 imgs, 0 strms) (no convert)\n\ncanceled.' "$(grep -v 'File writing error' <<<"$out")"
check "full disk: status 2 (a page could not be written)" [ "$rc" = 2 ]

# ---- delNextpics

new_site restore
run addNextpics '' photo1.html photo2.html
run delNextpics '' photo1.html
check "del: log row" same "$banner_del"$'\n  photo1.html : OK.\n\ndone.' "$out"
check "del: the page is back but for the line break ahead of each tag" \
    same "$(sed 's/\r$//' "$work/photo1.orig" | grep -v '^$')" "$(sed 's/\r$//' "$site/photo1.html" | grep -v '^$')"
check "del: no temporary file left" [ -z "$(ls "$site" | grep -i '\.tmp$')" ]

run delNextpics 'o\n' photo1.html photo2.html
check "del: already-removed page asks; OK skips it; the next page is restored" \
    same "$banner_del"$'\n  photo1.html (no convert)\n  photo2.html : OK.\n\ndone.' "$out"
check "del: already-removed box text" grep -q 'photo1.html : Nextpics already removed.' <<<"$err"
run delNextpics 'c\n' photo1.html photo2.html
check "del: Cancel ends at once with status 1" same "$banner_del"$'\n  photo1.html' "$out"
check "del: status 1 after Cancel" [ "$rc" = 1 ]

# A page's own onLoad is never taken out: without the marker only our own value counts; a comment
# of the page's own that begins like the marker is no marker, nor is it taken out with its script.
crlf '<html><body onload="init()">own</body></html>' >"$site/own.html"
crlf '<html><BODY ONLOAD=preloadImage()>ours</BODY></html>' >"$site/ours.html"
crlf '<html><head><!-- Next: chapter 2 --><script>function nav() {}</script></head><body onload="nav()">x</body></html>' >"$site/like.html"
cp "$site/own.html" "$work/own.orig"
cp "$site/like.html" "$work/like.orig"
run delNextpics 'o\no\n' own.html ours.html like.html
check "del: a page's own onLoad gets the already-removed box; ours without the marker is restored" \
    same "$banner_del"$'\n  own.html (no convert)\n  ours.html : OK.\n  like.html (no convert)\n\ndone.' "$out"
check "del: the page's own onLoad is kept byte for byte" cmp -s "$work/own.orig" "$site/own.html"
check "del: a marker-like comment, its script and the onLoad are kept byte for byte" cmp -s "$work/like.orig" "$site/like.html"
check "del: our onLoad without the marker is taken out" same '<html><BODY>ours</BODY></html>' "$(cat "$site/ours.html")"

mkdir -p "$site/b"
run delNextpics '' missing.html b/missing.html
check "del: a page that cannot be opened; a header for the new directory" \
    same "$banner_del"$'\n\nCannot open RD file : missing.html\n  missing.html (no convert)\n\nb/ :\n\nCannot open RD file : b/missing.html\n  missing.html (no convert)\n\ndone.' "$out"

# ---- another run at the page

# While another run holds the page (flock(1) takes the same lock), the run waits, says so once,
# and then prepares the page.
new_site waits
if command -v flock >/dev/null; then
    (cd "$site" && flock photo2.html sleep 1) &
    holder=$!
    sleep 0.3
    run addNextpics '' photo2.html
    wait "$holder"
    check "add: a page another run holds is waited for, said once" \
        same "$banner_add"$'\n  photo2.html [waiting for another run] -> index.html (0 imgs, 0 strms) : OK.\n\ndone.' "$out"
fi

# ---- what is no page, and paths that do not fit

new_site odd
mkdir "$site/folder.html"
mkfifo "$site/pipe.html"
for program in addNextpics delNextpics; do
    # A pipe without a writer, a device that never ends and a folder: each refused without being
    # read, at once (the timeout only catches a program that blocks or reads for ever).
    out=$(cd "$site" && timeout -k 1 10 "$bin/$program" pipe.html /dev/zero folder.html </dev/null 2>/dev/null)
    rc=$?
    check "$program: a pipe, a device and a folder are no pages, each named with the reason" \
        same "$([ $program = addNextpics ] && echo "$banner_add" || echo "$banner_del")"$'\n  pipe.html : not a regular file (no convert)\n\n/dev/ :\n  zero : not a regular file (no convert)\n\n :\n  folder.html : not a regular file (no convert)\n\ndone.' "$out"
    check "$program: not a page means exit 2" [ "$rc" = 2 ]
done

# A next page that is a pipe cannot be read: the page is left as it is.
crlf '<html><body><a href="pipe.html">next</a></body></html>' >"$site/before.html"
cp "$site/before.html" "$work/before.orig"
out=$(cd "$site" && timeout -k 1 10 "$bin/addNextpics" before.html </dev/null 2>/dev/null)
rc=$?
check "add: a next page that cannot be read leaves the page as it is, with the reason" \
    same "$banner_add"$'\n\nCannot open source file (RD) : pipe.html\n  before.html -> pipe.html  : the next page cannot be read (no convert)\n\ndone.' "$out"
check "add: ... exit 2, the page byte for byte" eval '[ "$rc" = 2 ] && cmp -s "$work/before.orig" "$site/before.html"'

# A folder as deep as Linux allows holds pages; a path one byte beyond it is refused before
# anything is written.
deep=$site
while [ ${#deep} -lt $((4096 - 300)) ]; do deep=$deep/$(printf 'd%.0s' {1..200}); done
mkdir -p "$deep"
fit=$deep/$(printf 'e%.0s' $(seq $((4096 - 30 - ${#deep}))))
mkdir -p "$fit" "$fit/too"
crlf '<html><body><a href="p2.html">next</a></body></html>' >"$fit/p1.html"
cp "$fit/p1.html" "$fit/p2.html"
long=$fit/too/$(printf 'f%.0s' {1..200})
mkdir -p "$long" 2>/dev/null
out=$("$bin/addNextpics" "$fit/p1.html" </dev/null 2>/dev/null)
check "add: a page in a folder of $(( ${#fit} + 1 )) bytes is prepared, nextpics.class beside it" \
    eval 'grep -q "p1.html -> p2.html (0 imgs, 0 strms) : OK." <<<"$out" && [ -f "$fit/nextpics.class" ] && grep -q preloadImage "$fit/p1.html"'
if [ -d "$long" ]; then
    crlf '<html><body><a href="x.html">x</a></body></html>' >"$long/p.html" 2>/dev/null
fi
out=$("$bin/addNextpics" "$long/p.html" </dev/null 2>/dev/null)
rc=$?
check "add: a path longer than the system takes is refused, named, exit 2" \
    eval 'grep -q "^  p.html : path too long (no convert)$" <<<"$out" && [ "$rc" = 2 ]'

echo "native end-to-end: $passed passed, $failed failed"
[ "$failed" = 0 ]
