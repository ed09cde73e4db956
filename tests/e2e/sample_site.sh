#!/usr/bin/env bash
# The sample album in examples/album goes through addNextpics and delNextpics without questions
# answered (standard input at its end): every page is prepared with the page that follows it in the
# album, a second run changes nothing, and delNextpics brings every page back but for empty lines.
# Usage: sample_site.sh <folder with addNextpics and delNextpics>
set -u
bin=$(cd "$1" && pwd)
album=$(cd "$(dirname "$0")/../../examples/album" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/nextpics_sample.XXXXXX")
trap 'rm -rf "$work"' EXIT
site=$work/album
cp -R "$album" "$site"
# shellcheck source=../check.sh
source "$(dirname "$0")/../check.sh"


pages=(index.html photo1.html photo2.html photo3.html photo4.html photo5.html)
declare -A next=([index.html]=photo1.html [photo1.html]=photo2.html [photo2.html]=photo3.html
                 [photo3.html]=photo4.html [photo4.html]=photo5.html [photo5.html]=index.html)

# run <program> <pages...>: in the site, no answers; sets rc
run() {
    local program=$1
    shift
    (cd "$site" && "$bin/$program" "$@" </dev/null >"$work/out" 2>"$work/err")
    rc=$?
}

nocr() { tr -d '\r' <"$1"; }
img_sources() { nocr "$1" | grep -io '<img [^>]*src="[^"]*"' | sed 's/.*src="\([^"]*\)"/\1/'; }
preloaded() { nocr "$1" | sed -n 's/.*nextImg[0-9]*\.src="\([^"]*\)".*/\1/p'; }
param() { nocr "$1" | sed -n 's/.*<param name="next" value="\([^"]*\)">.*/\1/p'; }
line_of() { nocr "$2" | grep -n -m1 -i -- "$1" | cut -d: -f1; }
bare_lf_lines() { awk '!/\r$/' "$1" | wc -l; }
without_empty_lines() { grep -v $'^\r$' "$1"; }
tmp_files() { find "$site" -iname '*.tmp' | wc -l; }

check "the album has its pages" same "${pages[*]}" "$(cd "$album" && echo index.html photo*.html)"

# ---- addNextpics on the whole album

run addNextpics "${pages[@]}"
check "add: status 0" [ "$rc" = 0 ]
check "add: one OK row per page" same "${#pages[@]}" "$(grep -c ' : OK\.$' "$work/out")"
check "add: no temporary file left" [ "$(tmp_files)" = 0 ]
for page in "${pages[@]}"; do
    p=$site/$page
    check "add $page: marker comment" grep -q '<!-- Nextpics insert -->' "$p"
    check "add $page: marker and script ahead of the body start tag" \
        [ "$(line_of 'Nextpics insert' "$p")" -lt "$(line_of '<body' "$p")" ]
    check "add $page: onLoad on the body start tag" \
        grep -qi '<body [^>]*onLoad="preloadImage()">' "$p"
    check "add $page: applet ahead of the body end tag" \
        [ "$(line_of '<applet ' "$p")" -lt "$(line_of '</body>' "$p")" ]
    check "add $page: the applet names the page that follows" \
        same "${next[$page]}" "$(param "$p" | cut -d';' -f1)"
    check "add $page: the script loads the next page's images, in page order" \
        same "$(img_sources "$album/${next[$page]}")" "$(preloaded "$p")"
    check "add $page: every line still ends in CR LF" [ "$(bare_lf_lines "$p")" = 0 ]
done
check "add: the streams of the page with background sound follow its name" \
    same "photo3.html;sounds/waves.mid" "$(param "$site/photo2.html")"
check "add: no other page names a stream" \
    same 1 "$(cat "$site"/*.html | grep -c '<param name="next" value="[^"]*;')"
check "add: pictures and sounds untouched" diff -r "$album/images" "$site/images"
check "add: sound untouched" cmp -s "$album/sounds/waves.mid" "$site/sounds/waves.mid"

# ---- a second run finds every page prepared and leaves it as it is

mkdir "$work/prepared"
cp "$site"/*.html "$work/prepared/"
run addNextpics "${pages[@]}"
check "add again: status 0" [ "$rc" = 0 ]
check "add again: every page reported as not converted" \
    same "${#pages[@]}" "$(grep -c '(no convert)$' "$work/out")"
for page in "${pages[@]}"; do
    check "add again $page: unchanged" cmp -s "$work/prepared/$page" "$site/$page"
done

# ---- delNextpics on the whole album

run delNextpics "${pages[@]}"
check "del: status 0" [ "$rc" = 0 ]
check "del: one OK row per page" same "${#pages[@]}" "$(grep -c ' : OK\.$' "$work/out")"
check "del: no temporary file left" [ "$(tmp_files)" = 0 ]
for page in "${pages[@]}"; do
    check "del $page: back as it was but for empty lines" \
        cmp -s <(without_empty_lines "$album/$page") <(without_empty_lines "$site/$page")
    check "del $page: nothing of the preloading left" \
        [ "$(grep -ci 'Nextpics insert\|preloadImage\|<applet\|<param' "$site/$page")" = 0 ]
done

echo "sample site: $passed passed, $failed failed"
[ "$failed" = 0 ]
