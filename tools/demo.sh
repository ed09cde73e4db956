#!/usr/bin/env bash
# Sets the machine up, builds the native programs and runs them on a copy of the sample album in
# examples/album: addNextpics prepares every page, a diff shows what it wrote into one of them,
# delNextpics takes it all out again and a last check compares each page with its original.
# Works from any folder and may be run again at will; exits non-zero if any step fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bin=$root/build/native/bin
demo=$root/build/demo
site=$demo/album
original=$root/examples/album
pages=(index.html photo1.html photo2.html photo3.html photo4.html photo5.html)
shown=photo2.html

section() { printf '\n=== %s\n' "$*"; }
fail() { printf '\ndemo FAILED: %s\n' "$*" >&2; exit 1; }
nocr() { tr -d '\r' <"$1"; }                    # a page as text without its CRs
text_lines() { nocr "$1" | grep -v '^$' || true; }  # ... and without empty lines

section "Setting up"
if [ "${NEXTPICS_SETUP:-}" = skip ]; then
    echo "set-up skipped (NEXTPICS_SETUP=skip)"
else
    bash tools/setup.sh
    echo "setup done"
fi

section "Building the native programs"
mkdir -p "$demo"
if ! { cmake --preset native && cmake --build --preset native --target addNextpics delNextpics; } \
        >"$demo/build.log" 2>&1; then
    tail -n 30 "$demo/build.log"
    fail "the build failed (whole log: $demo/build.log)"
fi
echo "built $(realpath --relative-to="$root" "$bin")/addNextpics and delNextpics"

section "The sample site: a copy of examples/album in build/demo/album"
rm -rf "$site"
cp -R "$original" "$site"
cd "$site"
for page in "${pages[@]}"; do
    [ -f "$page" ] || fail "examples/album/$page is missing"
    printf '  %-12s %s\n' "$page" "$(nocr "$page" | sed -n 's:.*<title>\(.*\)</title>.*:\1:p')"
done

section "Preparing the pages: addNextpics ${pages[*]} </dev/null"
rc=0
"$bin/addNextpics" "${pages[@]}" </dev/null 2>"$demo/questions.txt" | sed -n '/[^[:space:]]/p' || rc=$?
[ "$rc" = 0 ] || fail "addNextpics ended with status $rc"
asked=$(grep -c '^Is the next:' "$demo/questions.txt" || true)
echo "($asked questions on standard error, each answered Yes by the end of input; the first one:)"
awk 'NF { on = 1 } on && !NF { exit } on { print "    " $0 }' "$demo/questions.txt"
for page in "${pages[@]}"; do
    grep -q '<!-- Nextpics insert -->' "$page" || fail "$page was not prepared"
done
[ -f nextpics.class ] && echo "nextpics.class was copied beside the pages"

section "What addNextpics wrote into $shown (diff -u, CRs left out)"
rc=0
diff -u --label "$shown (original)" --label "$shown (prepared)" \
    <(nocr "$original/$shown") <(nocr "$shown") || rc=$?
[ "$rc" = 1 ] || fail "diff found no change in $shown"

section "The chain of next pages, from each page's applet"
for page in "${pages[@]}"; do
    value=$(nocr "$page" | sed -n 's/.*<param name="next" value="\([^"]*\)">.*/\1/p')
    printf '  %-12s -> %s\n' "$page" "${value//;/   streams: }"
done

section "Restoring the pages: delNextpics ${pages[*]} </dev/null"
rc=0
"$bin/delNextpics" "${pages[@]}" </dev/null 2>"$demo/questions.txt" | sed -n '/[^[:space:]]/p' || rc=$?
[ "$rc" = 0 ] || fail "delNextpics ended with status $rc"

section "Each page against its original"
bad=0
for page in "${pages[@]}"; do
    if cmp -s "$original/$page" "$page"; then
        printf '  %-12s back byte for byte\n' "$page"
    elif diff -q <(text_lines "$original/$page") <(text_lines "$page") >/dev/null; then
        extra=$(( $(nocr "$page" | wc -l) - $(nocr "$original/$page" | wc -l) ))
        printf '  %-12s back but for %d empty line(s), the line break set ahead of a tag\n' "$page" "$extra"
    else
        printf '  %-12s DIFFERS:\n' "$page"
        diff -u <(nocr "$original/$page") <(nocr "$page") | sed 's/^/      /' | head -n 20
        bad=$((bad + 1))
    fi
done
leftovers=$(find . -iname '*.tmp' | head -n 5)
[ -z "$leftovers" ] || fail "temporary files left behind: $leftovers"
[ "$bad" = 0 ] || fail "$bad page(s) did not come back"
printf '\ndemo done: all %d pages prepared and restored (work folder: build/demo/album)\n' "${#pages[@]}"
