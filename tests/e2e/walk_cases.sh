#!/usr/bin/env bash
# End-to-end cases of the walks of the native programs: what a walk logs and leaves at its ends,
# a run that grew, a page with an onLoad of its own, a dry run, and a run longer than a list may
# be. Usage: walk_cases.sh <folder with addNextpics and delNextpics>
set -u
bin=$(cd "$1" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/nextpics_walk.XXXXXX")
trap 'rm -rf "$work"' EXIT
# shellcheck source=../check.sh
source "$(dirname "$0")/../check.sh"

banner_add='AddNextpics V1.07  preloads the next page of each page'

# slide <n> <last>: a slide that links back and on, the last one back to the first.
slide() {
    local n=$1 last=$2 next=$(($1 + 1))
    [ "$n" = "$last" ] && next=1
    printf '<html><body><img src="s%d.jpg">\n<a href="s%d.html">&lt; Prev</a> <a href="index.html">Index</a> <a href="s%d.html">Next &gt;</a>\n</body></html>\n' \
        "$n" $((n - 1)) "$next" >"$site/s$n.html"
}

new_site() {
    site="$work/$1"
    rm -rf "$site"
    mkdir -p "$site"
}

digest() { (cd "$site" && find . -type f | sort | xargs sha256sum); }

# ---- a run that loops back, then grows

new_site loop
for n in 1 2 3; do slide $n 3; done
echo '<html><body>not on the run</body></html>' >"$site/about.html"
run addNextpics '' --walk s1.html
check "loop: each slide prepared with the one after it, the last with the first" same "$banner_add
  s1.html -> s2.html [says next] (1 imgs, 0 strms) : OK.
  s2.html -> s3.html [says next] (1 imgs, 0 strms) : OK.
  s3.html -> s1.html [says next] (1 imgs, 0 strms) : OK.

The walk ended: back at s1.html, which the walk has taken.
3 pages prepared; 1 other page in this folder and its subfolders not reached.

done." "$out"
check "loop: exit 0, nothing asked" same "0:" "$rc:$err"

# Two slides more: the walk passes the pages prepared before with the next page they name, and
# prepares the new ones (s3 names s1, so it is prepared again by hand: delNextpics first).
slide 3 5; slide 4 5; slide 5 5
run addNextpics '' --walk s1.html
check "grown: the prepared pages passed, the walk ends where they lead" same "$banner_add
  s1.html : prepared already (no convert)
  s2.html : prepared already (no convert)
  s3.html -> s4.html [says next] (1 imgs, 0 strms) : OK.
  s4.html -> s5.html [says next] (1 imgs, 0 strms) : OK.
  s5.html -> s1.html [says next] (1 imgs, 0 strms) : OK.

The walk ended: back at s1.html, which the walk has taken.
3 pages prepared; 1 other page in this folder and its subfolders not reached.

done." "$out"

run delNextpics '' --walk s1.html
check "del walk: every slide restored, back at the first" same "delNextpics V1.07  removes the preloading from pages
  s1.html : OK.
  s2.html : OK.
  s3.html : OK.
  s4.html : OK.
  s5.html : OK.

The walk ended: back at s1.html, which the walk has taken.
5 pages restored; 1 other page in this folder and its subfolders not reached.

done." "$out"
run delNextpics '' --walk s1.html
check "del walk over restored pages: ends at the first, which holds no insertion" same \
    "  s1.html : no insertion (no convert)
The walk ended: s1.html holds no insertion.|0" "$(sed -n '2p;4p' <<<"$out")|$rc"

# ---- a page with an onLoad of its own: asked about, OK keeps it and the walk goes on

new_site own_onload
for n in 1 2 3; do slide $n 3; done
sed -i 's/<body>/<body onLoad="start()">/' "$site/s2.html"
cp "$site/s2.html" "$work/s2.orig"
run addNextpics 'o\n' --walk s1.html
check "own onLoad: kept, the walk goes on to the page it would have named" same "$banner_add
  s1.html -> s2.html [says next] (1 imgs, 0 strms) : OK.
  s2.html (no convert)
   -> s3.html [says next]
  s3.html -> s1.html [says next] (1 imgs, 0 strms) : OK." "$(sed -n '1,5p' <<<"$out")"
check "own onLoad: the page as it was" cmp -s "$work/s2.orig" "$site/s2.html"

# ---- someone at a terminal: two links say next, and both are asked about, the others never;
# a terminal whose input ends answers nothing more, and the walk takes nothing on a default

new_site terminal
printf '<body><a href="index.html">Index</a> <a href="x.html">Next</a> <a href="y.html">Next chapter</a> <a href="../">Up</a></body>\n' >"$site/a.html"
printf '<body><a href="p.html">one</a> <a href="q.html">two</a></body>\n' >"$site/y.html"
for page in index x p q; do echo '<body>end</body>' >"$site/$page.html"; done
python3 "$(dirname "$0")/pty_run.py" --cwd "$site" --transcript "$work/terminal.txt" \
    'expect:Is the next: x.html' 'send:n\n' 'expect:Is the next: y.html' 'send:y\n' \
    'expect:Is the next: p.html' 'send:\x04' -- "$bin/addNextpics" --walk a.html >"$work/terminal.status"
check "terminal: the links that say next asked, the one answered Yes taken" \
    grep -q 'value="y.html"' "$site/a.html"
check "terminal: no other link asked" same "Is the next: x.html|Is the next: y.html|Is the next: p.html" \
    "$(grep -ao 'Is the next: [a-z0-9]*\.html' "$work/terminal.txt" | paste -sd'|')"
check "terminal: the end of the input takes nothing, y.html left as it is" \
    grep -q 'y.html -> p.html  : no link says which page is next (no convert)' "$work/terminal.txt"

# ---- a dry run writes nothing and logs what a run does

for mode in --walk list; do
    new_site "dry$mode"
    for n in 1 2 3; do slide $n 3; done
    before=$(digest)
    if [ "$mode" = --walk ]; then
        run addNextpics '' --dry-run --walk s1.html
    else
        run addNextpics 'y\ny\ny\n' --dry-run s1.html s2.html s3.html
    fi
    dry_out=$out
    check "dry run ($mode): nothing written" same "$before" "$(digest)"
    if [ "$mode" = --walk ]; then
        run addNextpics '' --walk s1.html
        check "dry run ($mode): the log of the run but for its count" same "$out" "${dry_out/to be prepared/prepared}"
    else
        run addNextpics 'y\ny\ny\n' s1.html s2.html s3.html
        check "dry run ($mode): the log of the run" same "$out" "$dry_out"
    fi
done

# ---- where a walk ends: no next page, a next page outside, and a wrong call

new_site ends
mkdir -p "$site/tree" "$site/other"
printf '<body><a href="b.html">Next</a></body>\n' >"$site/tree/a.html"
printf '<body><a href="../other/c.html">Next</a> <a href="a.html">Back</a></body>\n' >"$site/tree/b.html"
printf '<body>outside</body>\n' >"$site/other/c.html"
cp "$site/tree/b.html" "$work/b.orig"
run addNextpics '' --walk tree/a.html
check "outside: the page that leads out is left as it is, and the walk ends" same \
    "  b.html -> ../other/c.html [says next]  : its next page lies outside the walk's folder (no convert)
The walk ended: the next page other/c.html lies outside tree/." "$(sed -n '5p;7p' <<<"$out")"
check "outside: nothing written there" same "<body>outside</body>|absent" \
    "$(cat "$site/other/c.html")|$([ -e "$site/other/nextpics.class" ] && echo present || echo absent)"
check "outside: b.html as it was" cmp -s "$work/b.orig" "$site/tree/b.html"
run addNextpics '' --walk
check "--walk without its page: a line and exit 2" same "--walk takes one page: the first page of the run.|2" \
    "$(sed -n 2p <<<"$out")|$rc"
run addNextpics '' --walk a.html b.html
check "--walk with two pages: exit 2" same 2 "$rc"

# ---- a run longer than a list may be

new_site long
for n in $(seq 1 1100); do
    printf '<html><body><a href="p%d.html">Next</a></body></html>\n' $((n + 1)) >"$site/p$n.html"
done
printf '<html><body>the end</body></html>\n' >"$site/p1101.html"
run addNextpics '' --walk p1.html
check "1100 pages in one walk" same "The walk ended: no next page chosen for p1101.html.
1100 pages prepared; 0 other pages in this folder and its subfolders not reached." "$(tail -n 4 <<<"$out" | head -n 2)"
check "1100 pages: the last prepared one names the end" grep -q 'value="p1101.html"' "$site/p1100.html"

echo "walk cases: $passed passed, $failed failed"
[ "$failed" = 0 ]
