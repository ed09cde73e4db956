#!/usr/bin/env bash
# The native programs as Unix commands: interrupts, answers that fit no button, exit statuses,
# --help and --version, the prompts and the echo of piped answers, the texts a locale can carry,
# whole log lines, and the closing pause only at a terminal. A pseudo-terminal (pty_run.py) stands
# in for the user's terminal where it matters.
# Usage: unix_command_cases.sh <folder with addNextpics and delNextpics> <project version>
set -u
bin=$(cd "$1" && pwd)
version=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/nextpics_unix.XXXXXX")
trap 'rm -rf "$work"' EXIT
# shellcheck source=../check.sh
source "$here/../check.sh"

pty_run() { python3 "$here/pty_run.py" "$@"; }
crlf() { local text=${1//\\n/\\r\\n}; printf '%b' "$text"; }
untouched() { cmp -s "$work/orig/$1" "$site/$1"; }
prepared() { grep -q '<!-- Nextpics insert -->' "$site/$1"; }
no_temporary() { [ -z "$(find "$site" -name '*nex*.tmp')" ]; }
last_line() { printf '%s\n' "$1" | tr -d '\r' | sed '/^$/d' | tail -n 1; }

# new_site <name>: a small album: two.html asks which of its two links is next, one.html has one
# link, set.html carries an onLoad already; orig/ keeps the pages as they were.
new_site() {
    site=$work/$1
    rm -rf "$site"
    mkdir -p "$site"
    crlf '<html><body><a href="index.html">i</a> <a href="one.html">1</a></body></html>\n' >"$site/two.html"
    crlf '<html><body><img src="a.gif"><a href="two.html">2</a></body></html>\n' >"$site/one.html"
    crlf '<html><body><a href="one.html">start</a></body></html>\n' >"$site/index.html"
    crlf '<html><body onLoad="go()"><a href="one.html">1</a></body></html>\n' >"$site/set.html"
    rm -rf "$work/orig"
    cp -r "$site" "$work/orig"
}


# ---- 1. An interrupt stops the run after the page at work, and is never taken as consent.

# At a question: Ctrl+C typed at the terminal, the terminal closed, SIGTERM with the answers coming
# from a pipe that stays open. The page asked about and the page after it are left as they were.
new_site ctrl_c
pty_run --cwd "$site" --transcript "$work/ctrl_c.txt" 'expect:[Y/n] ? ' 'send:\x03' \
    -- "$bin/addNextpics" two.html one.html >"$work/pty.status"
log=$(tr -d '\r' <"$work/ctrl_c.txt")
check "Ctrl+C at a question: status 130" same "status 130" "$(cat "$work/pty.status")"
check "Ctrl+C at a question: the log ends with canceled." same "canceled." "$(last_line "$log")"
check "Ctrl+C at a question: the page asked about is untouched" untouched two.html
check "Ctrl+C at a question: the page after it is untouched" untouched one.html
check "Ctrl+C at a question: no temporary copy" no_temporary

new_site closed
pty_run --cwd "$site" --stdout "$work/closed.out" 'expect:[Y/n] ? ' close \
    -- "$bin/addNextpics" two.html one.html >"$work/pty.status"
check "terminal closed at a question: status 129 (SIGHUP)" same "status 129" "$(cat "$work/pty.status")"
check "terminal closed at a question: the log ends with canceled." same "canceled." "$(last_line "$(cat "$work/closed.out")")"
check "terminal closed at a question: both pages untouched" bash -c "cmp -s '$work/orig/two.html' '$site/two.html' && cmp -s '$work/orig/one.html' '$site/one.html'"

# The same where the hang-up signal comes late or never (the terminal is not the program's
# controlling terminal): the closed terminal's end of input is still no answer.
new_site closed_quietly
pty_run --cwd "$site" --stdout "$work/quiet.out" --no-controlling-terminal 'expect:[Y/n] ? ' close \
    -- "$bin/addNextpics" two.html one.html >"$work/pty.status"
check "terminal closed at a question without a hang-up signal: status 129" same "status 129" "$(cat "$work/pty.status")"
check "terminal closed at a question without a hang-up signal: canceled." same "canceled." "$(last_line "$(cat "$work/quiet.out")")"
check "terminal closed at a question without a hang-up signal: both pages untouched" \
    bash -c "cmp -s '$work/orig/two.html' '$site/two.html' && cmp -s '$work/orig/one.html' '$site/one.html'"

new_site term
mkfifo "$work/answers"
(cd "$site" && exec "$bin/delNextpics" index.html one.html <"$work/answers" >"$work/term.out" 2>"$work/term.err") &
pid=$!
exec 3>"$work/answers"
for _ in $(seq 600); do grep -q '\[O/c\] ? ' "$work/term.err" 2>/dev/null && break; sleep 0.1; done
kill -TERM "$pid"
exec 3>&-  # the end of the answers: a program that took the signal for an answer would go on
wait "$pid"
rc=$?
check "SIGTERM at a question: status 143" same 143 "$rc"
check "SIGTERM at a question: the log ends with canceled." same "canceled." "$(last_line "$(cat "$work/term.out")")"
check "SIGTERM at a question: both pages untouched" bash -c "cmp -s '$work/orig/index.html' '$site/index.html' && cmp -s '$work/orig/one.html' '$site/one.html'"

# During a large page: the page is finished whole, the pages after it are not touched.
big_site() {
    new_site "$1"
    {
        printf '<html><head><title>Big</title></head>\r\n<body>\r\n<a href="one.html">next</a>\r\n'
        yes $'<p>A long line of a very large page, with <b>markup</b> and <!-- a note -->.</p>\r' | head -c 67108864
        printf '\r\n</body></html>\r\n'
    } >"$site/big.html"
    cp "$site/big.html" "$work/orig/big.html"
}
# signal_during <program> <signal> <copy name> <pages...>: the program in the background with no
# answers; the signal once the page's temporary copy exists. Sets rc and out.
signal_during() {
    local program=$1 signal=$2 copy=$3
    shift 3
    (cd "$site" && exec "$bin/$program" "$@" </dev/null >"$work/during.out" 2>/dev/null) &
    local pid=$!
    for _ in $(seq 6000); do [ -e "$site/$copy" ] || ! kill -0 "$pid" 2>/dev/null && break; sleep 0.01; done
    kill "-$signal" "$pid"
    wait "$pid"
    rc=$?
    out=$(cat "$work/during.out")
}
big_site reference
(cd "$site" && "$bin/addNextpics" big.html </dev/null >/dev/null 2>&1)
cp "$site/big.html" "$work/big.prepared"

big_site during
signal_during addNextpics INT addnex0.tmp big.html two.html
check "SIGINT during a large page: status 130" same 130 "$rc"
check "SIGINT during a large page: its line ends : OK., then canceled." \
    same $'  big.html -> one.html (1 imgs, 0 strms) : OK.\n\ncanceled.' "$(tail -n 3 <<<"$out")"
check "SIGINT during a large page: the page is completely prepared" cmp -s "$work/big.prepared" "$site/big.html"
check "SIGINT during a large page: the page after it is untouched" untouched two.html
check "SIGINT during a large page: no temporary copy" no_temporary

cp "$work/big.prepared" "$site/big.html"
cp "$work/big.prepared" "$work/orig/big.html"
(cd "$site" && "$bin/addNextpics" one.html </dev/null >/dev/null 2>&1)
cp "$site/one.html" "$work/orig/one.html"
signal_during delNextpics TERM delnex0.tmp big.html one.html
check "SIGTERM during a large page of delNextpics: status 143" same 143 "$rc"
check "SIGTERM during a large page of delNextpics: the page is completely restored" \
    bash -c "! grep -q 'Nextpics insert' '$site/big.html' && [ \$(stat -c %s '$site/big.html') -lt \$(stat -c %s '$work/big.prepared') ]"
check "SIGTERM during a large page of delNextpics: the page after it keeps its preloading" untouched one.html
check "SIGTERM during a large page of delNextpics: canceled." same "canceled." "$(last_line "$out")"
rm -rf "$work/reference" "$work/during" "$work/big.prepared"

# Between pages: a run of 300 small pages, interrupted once the first is logged. Every page is
# prepared exactly when the log says so; the last page asks a question, so the run cannot end
# before the signal comes.
new_site between
for i in $(seq 1 300); do
    printf '<html><body><a href="p%03d.html">next</a></body></html>\r\n' $((i + 1)) >"$site/p$(printf %03d "$i").html"
done
printf '<html><body><a href="p001.html">1</a> <a href="p002.html">2</a></body></html>\r\n' >"$site/p301.html"
rm -rf "$work/orig" && cp -r "$site" "$work/orig"
(cd "$site" && exec "$bin/addNextpics" p*.html <"$work/answers" >"$work/between.out" 2>/dev/null) &
pid=$!
exec 3>"$work/answers"
for _ in $(seq 600); do grep -q 'p001.html' "$work/between.out" 2>/dev/null && break; sleep 0.1; done
kill -INT "$pid"
exec 3>&-
wait "$pid"
rc=$?
check "SIGINT between pages: status 130" same 130 "$rc"
check "SIGINT between pages: canceled." same "canceled." "$(last_line "$(cat "$work/between.out")")"
mismatches=0
for page in "$site"/p*.html; do
    name=$(basename "$page")
    if grep -q "^  $name -> .* : OK\.$" "$work/between.out"; then
        prepared "$name" || mismatches=$((mismatches + 1))
    else
        untouched "$name" || mismatches=$((mismatches + 1))
    fi
done
check "SIGINT between pages: every page logged OK is prepared, every other untouched" same 0 "$mismatches"
check "SIGINT between pages: pages after the stop are untouched" untouched p301.html
check "SIGINT between pages: no temporary copy" no_temporary

# ---- 2. An answer that fits no button: asked again at a terminal, the run stops from a pipe.

new_site retry
pty_run --cwd "$site" --transcript "$work/retry.txt" 'expect:[O/c] ? ' 'send:n\n' 'expect:[O/c] ? ' 'send:o\n' \
    -- "$bin/addNextpics" set.html one.html >"$work/pty.status"
log=$(tr -d '\r' <"$work/retry.txt")
check "terminal: an answer that fits no button is asked again, naming the letters" \
    grep -qF '"n" is not an answer here: type o or c (an empty line is OK).' <<<"$log"
check "terminal: the answer after it is taken" grep -q '^  one.html -> two.html (0 imgs, 0 strms) : OK.$' <<<"$log"
check "terminal: status 0" same "status 0" "$(cat "$work/pty.status")"

# program | the answer repeated without end | pages | the letters named
while IFS='|' read -r program answer pages letters; do
    new_site unfit
    # KILL: a program that takes SIGTERM for a note and goes on asking would outlive a plain timeout.
    out=$(cd "$site" && yes "$answer" | timeout -s KILL 60 "$bin/$program" $pages 2>"$work/stderr")
    rc=$?
    w="$program, '$answer' piped for ever"
    check "$w: status 1" same 1 "$rc"
    check "$w: canceled." same "canceled." "$(last_line "$out")"
    check "$w: says which answer and which letters" \
        grep -qF "\"$answer\" is not an answer here: this question takes $letters. The run stops." "$work/stderr"
    check "$w: asked once" same 1 "$(grep -c 'is not an answer' "$work/stderr")"
    for page in $pages; do check "$w: $page untouched" untouched "$page"; done
done <<'EOF'
addNextpics|n|set.html one.html|o or c
addNextpics|o|two.html one.html|y or n
delNextpics|y|one.html|o or c
EOF

# ---- 3. Exit statuses.

# program | answers | pages | status | what
while IFS='|' read -r program answers pages status what; do
    new_site status
    mkdir "$site/folder"
    run "$program" "$answers" $pages
    check "$program, $what: status $status" same "$status" "$rc"
done <<'EOF'
addNextpics||one.html index.html|0|every page prepared
addNextpics|n\nn\no\n|two.html one.html|0|no link taken, OK
addNextpics|o\n|set.html one.html|0|an already-set page skipped
addNextpics|n\nn\nc\n|two.html one.html|1|Cancel at "Next page file not found"
addNextpics|c\n|set.html one.html|1|Cancel at the already-set question
addNextpics||missing.html one.html|2|a missing page
addNextpics||folder one.html|2|a folder given as a page
delNextpics||index.html|0|an already-removed page skipped
delNextpics|c\n|index.html|1|Cancel at the already-removed question
delNextpics||missing.html|2|a missing page
EOF

# An applet start in insert.ini that is not the one the rewriter writes breaks the set, be it
# another class or an attribute edited (which would reach every page half overwritten).
while IFS='|' read -r edit what; do
    new_site broken
    rm -rf "$work/kit"
    mkdir "$work/kit"
    cp "$bin/addNextpics" "$bin/nextpics.class" "$work/kit/"
    sed "$edit" "$bin/insert.ini" >"$work/kit/insert.ini"
    out=$(cd "$site" && "$work/kit/addNextpics" one.html </dev/null 2>/dev/null)
    check "a broken insert.ini ($what): status 1" same 1 "$?"
    check "a broken insert.ini ($what): no page touched" untouched one.html
done <<'EOF'
s/<applet code="nextpics.class"/<applet code="other.class"/|another class
s/name="preload" width=0/name=preload width=0/|the name unquoted
EOF

# ---- 4. --help, -h and --version.

for program in addNextpics delNextpics; do
    for option in --help -h --version; do
        new_site "options_$program$option"
        run "$program" '' "$option"
        w="$program $option"
        check "$w: status 0" same 0 "$rc"
        check "$w: nothing on standard error" same "" "$err"
        check "$w: nothing written in the folder" same "" "$(cd "$site" && ls | grep -v '\.html$')"
        if [ "$option" = --version ]; then
            check "$w: the project version" same "$program (nextpics) $version" "$out"
        else
            check "$w: usage with the exit statuses" \
                bash -c "grep -q '^Usage: $program \[--dry-run\] PAGE' <<<\"\$1\" && grep -q -- '--walk PAGE' <<<\"\$1\" && grep -q '128+N' <<<\"\$1\"" _ "$out"
        fi
    done
done
new_site option_pages
cp "$site/one.html" "$site/--help"
run addNextpics '' ./--help
check "a page named ./--help is a page" grep -q '^  --help -> two.html (0 imgs, 0 strms) : OK.$' <<<"$out"
run addNextpics '' --version one.html
check "--version beside a page is a page name" grep -q 'Cannot open RD file : --version' <<<"$out"
check "--version beside a page: status 2 (it cannot be opened)" same 2 "$rc"

# ---- 5. Prompts with their defaults, the echo of piped answers, texts the locale can carry.

new_site prompts
run addNextpics 'n\n\n' two.html one.html
check "prompt [Y/n]; a piped answer is echoed" grep -qF 'Yes / No [Y/n] ? -> No' <<<"$err"
check "an empty line takes the capital letter, and says so" grep -qF 'Yes / No [Y/n] ? -> Yes (empty line)' <<<"$err"
run addNextpics '' one.html
check "prompt [O/c]; the end of input is echoed" grep -qF 'OK / Cancel [O/c] ? -> OK (end of input)' <<<"$err"
new_site prompts_japanese
LC_ALL=ja_JP.UTF-8 run addNextpics 'o\nn\n' set.html two.html
check "Japanese: the button names in Japanese, the letters the same" \
    grep -qF 'OK / キャンセル [O/c] ? -> OK' <<<"$err"
check "Japanese: Yes and No" grep -qF 'はい / いいえ [Y/n] ? -> いいえ' <<<"$err"
check "Japanese: the end of input" grep -qF 'はい / いいえ [Y/n] ? -> はい (入力の終わり)' <<<"$err"

# A Japanese language whose codeset has no Japanese: English, never Shift-JIS bytes.
while IFS='|' read -r env_settings what; do
    new_site codeset
    # shellcheck disable=SC2086
    (cd "$site" && env -u LC_ALL -u LC_MESSAGES -u LANG $env_settings "$bin/addNextpics" set.html </dev/null >/dev/null 2>"$work/stderr")
    check "$what: English texts" grep -qF 'set.html : Nextpics already set.' "$work/stderr"
    check "$what: nothing but ASCII on standard error" bash -c "! LC_ALL=C grep -q '[^[:print:][:space:]]' '$work/stderr'"
done <<'EOF'
LANG=ja_JP.UTF-8 LC_CTYPE=C|a Japanese language in the C codeset
LC_ALL=ja_JP.NOSUCH|a Japanese locale that is not installed
EOF

# ---- 6. The log fits a terminal and a pipe.

new_site lines
long=a-page-whose-name-is-far-longer-than-the-sixty-eight-columns-of-the-window.html
cp "$site/index.html" "$site/$long"
run addNextpics 'c\n' "$long" set.html
first=$(head -n 1 <<<"$out")
check "no empty rows for the logo: the banner comes first" same "AddNextpics V1.07  preloads the next page of each page" "$first"
check "a long line goes out whole" grep -qx "  $long -> one.html (1 imgs, 0 strms) : OK." <<<"$out"
new_site lines_no_convert
cp "$site/two.html" "$site/$long"
run addNextpics 'n\nn\no\n' "$long"
check "grep finds the page left as it was" grep -q "$long -> index.html  -> one.html  (no convert)$" <<<"$out"

# The closing pause and its keys only when standard input and output are both terminals: a key
# typed at once is served ("[T] pushed.") only then.
new_site pause
pty_run --cwd "$site" --transcript "$work/both.txt" 'expect:done.' 'send:t' -- "$bin/delNextpics" >/dev/null
check "both terminals: the closing keys are served" grep -q '\[T\] pushed\.' "$work/both.txt"
pty_run --cwd "$site" --stdout "$work/to_file.out" "expect-file:$work/to_file.out:done." 'send:t' \
    -- "$bin/delNextpics" >/dev/null
check "output to a file: no closing pause, no keys served" same "done." "$(last_line "$(cat "$work/to_file.out")")"

echo "unix commands: $passed passed, $failed failed"
[ "$failed" = 0 ]
