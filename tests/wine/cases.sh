#!/usr/bin/env bash
# End-to-end cases for both programs under Wine: the console window with its logo and closing key
# loop, the insert blocks file check, and the shape of the two executables.
#
# usage: cases.sh BUILD_DIR OBJDUMP GROUP...    GROUP: console | file-set | binaries | all
# Each case leaves its folder under BUILD_DIR/tests/wine/cases/ (driver output, screenshots).
set -uo pipefail

build=$(cd "$1" && pwd)
objdump=$2
shift 2
groups=("$@")
[ ${#groups[@]} -gt 0 ] || groups=(all)

here=$(cd "$(dirname "$0")" && pwd)
bin=$build/bin
cases=$build/tests/wine/cases
mkdir -p "$cases"

add_title="addNextpics V1.07"
del_title="delNextpics V1.08"

failures=0
checks=0

# check DESCRIPTION COMMAND...: runs the command as a test and reports it.
check() {
    local what=$1
    shift
    checks=$((checks + 1))
    if "$@"; then
        return 0
    fi
    failures=$((failures + 1))
    echo "FAIL: $what"
    return 1
}

# The value of NAME= on the first driver line that starts with KIND (hex fields for texts).
value() {
    local file=$1 kind=$2 name=$3
    grep -a -m1 "^$kind " "$file" | tr ' ' '\n' | sed -n "s/^$name=//p" | head -n1
}

hex_of() { printf '%s' "$1" | od -An -tx1 | tr -d ' \n'; }
sjis_hex_of() { printf '%s' "$1" | iconv -f UTF-8 -t CP932 | od -An -tx1 | tr -d ' \n'; }

windows_path() { printf 'Z:%s' "${1//\//\\}"; }

is() { [ "$1" = "$2" ]; }
at_least() { [ -n "$1" ] && [ "$1" -ge "$2" ]; }
below() { [ -n "$1" ] && [ "$1" -lt "$2" ]; }

# inside "L,T,R,B" L T R B: the first box lies within the second.
inside() {
    local l t r b
    IFS=, read -r l t r b <<<"$1"
    [ -n "$b" ] && [ "$l" -ge "$2" ] && [ "$t" -ge "$3" ] && [ "$r" -le "$4" ] && [ "$b" -le "$5" ]
}

# The width of a box "L,T,R,B", nothing when there is no box.
box_width() {
    local l t r b
    IFS=, read -r l t r b <<<"$1"
    [[ "$l$r" =~ ^[0-9]+$ ]] && echo $((r - l))
}

run() { bash "$here/run_case.sh" --build "$build" "$@"; }

# Milliseconds between the first lines of two kinds in a driver output.
span() {
    local file=$1 from=$2 to=$3
    local a b
    a=$(value "$file" "$from" t_ms)
    b=$(value "$file" "$to" t_ms)
    [ -n "$a" ] && [ -n "$b" ] && echo $((b - a))
}

# Counts the pixels of a screenshot rectangle (X Y W H) as white, violet or other, with the box
# around the non-white ones relative to the rectangle, in the driver's own words.
screenshot_pixels() {
    local png=$1 x=$2 y=$3 w=$4 h=$5
    convert "$png" -crop "${w}x${h}+${x}+${y}" +repage -depth 8 txt:- | awk -F'[ ,:()]+' '
        /^#/ { next }
        { px = $1; py = $2; r = $3; g = $4; b = $5
          if (r == 255 && g == 255 && b == 255) { white++; next }
          if (b > g) violet++; else other++
          if (n == 0 || px < l) l = px; if (n == 0 || py < t) t = py
          if (n == 0 || px > rr) rr = px; if (n == 0 || py > bb) bb = py; n++ }
        END { printf "shot white=%d violet=%d other=%d marked=", white, violet, other
              if (n) printf "%d,%d,%d,%d\n", l, t, rr + 1, bb + 1; else print "none" }'
}

# The console window right after start without pages, held still while it is looked at: size and
# style, the logo in its corner of the client area and white elsewhere, seen through the window and
# on a screenshot; and the program's icon resource.
console_window_case() {
    local program=$1 title=$2 width=$3 logo_width=$4
    local out=$cases/${program}_console
    local exe=$bin/$program.exe
    run --out "$out" \
        --step "wait-window \"$title\"" \
        --step "wait-marked \"$title\" 0 0 120 64" \
        --step "sleep 100" \
        --step "freeze" \
        --step "window-info \"$title\"" \
        --step "pixels \"$title\" 0 0 120 64" \
        --step "pixels \"$title\" 100 120 300 230" \
        --step "pixel \"$title\" 200 240" \
        --step "snap console" \
        --step "thaw" \
        --step "wait-exit" \
        --step "icon $(windows_path "$exe")" \
        -- "$exe"
    local d=$out/driver.txt
    local logo_box=(8 6 $((8 + logo_width)) 56)
    local marked
    marked=$(value "$d" pixels marked)
    check "$program: driver steps pass" is "$(cat "$out/driver.status")" 0
    check "$program: exit status 0" is "$(cat "$out/program.status")" 0
    check "$program: outer width $width" is "$(value "$d" info width)" "$width"
    check "$program: outer height 272" is "$(value "$d" info height)" 272
    check "$program: class named like the title" is "$(value "$d" info class_hex)" "$(hex_of "$title")"
    check "$program: no maximise box" is "$(value "$d" info maximizebox)" 0
    check "$program: minimise box, frame, system menu" \
        is "$(value "$d" info minimizebox)$(value "$d" info thickframe)$(value "$d" info sysmenu)" 111
    check "$program: no menu" is "$(value "$d" info menu)" 0
    check "$program: shown" is "$(value "$d" info visible)" 1
    check "$program: logo pixels in the corner" at_least "$(value "$d" pixels violet)" 800
    check "$program: logo lies at (8, 6) within its size" inside "$marked" "${logo_box[@]}"
    check "$program: logo reaches over most of its width" at_least "$(box_width "$marked")" $((logo_width * 3 / 4))
    check "$program: empty rows are white" is "$(grep -a '^pixels ' "$d" | sed -n 2p | tr ' ' '\n' |
        sed -n 's/^marked=//p')" none
    check "$program: background white below the rows" is "$(value "$d" pixel rgb)" 255,255,255
    if [ "$program" = delNextpics ]; then
        check "$program: red bar across the logo" at_least "$(value "$d" pixels red)" 50
    else
        check "$program: logo without red" is "$(value "$d" pixels red)" 0
    fi
    check "$program: icon group 128 with one 32x32 image" \
        is "$(value "$d" icon group)/$(value "$d" icon images)/$(value "$d" icon bitmap0)" 128/1/32x32,8bit

    check "$program: screenshot taken" test -s "$out/console.png" || return
    screenshot_pixels "$out/console.png" "$(value "$d" info client_x)" "$(value "$d" info client_y)" 120 64 \
        >"$out/screenshot.txt"
    check "$program: screenshot shows the logo" at_least "$(value "$out/screenshot.txt" shot violet)" 800
    check "$program: screenshot logo at (8, 6)" inside "$(value "$out/screenshot.txt" shot marked)" "${logo_box[@]}"
}

# The closing key loop: without keys it runs its 20 turns (about 1.7 s after the window shows); a
# close request or Esc ends it early, a key that is not Esc does not.
closing_case() {
    local program=$1 title=$2 name=$3 action=$4 kind=$5
    local out=$cases/${program}_$name
    run --out "$out" --step "wait-window \"$title\"" --step "$action" --step "wait-exit" -- "$bin/$program.exe"
    local d=$out/driver.txt
    check "$program $name: driver steps pass" is "$(cat "$out/driver.status")" 0
    check "$program $name: exit status 0" is "$(cat "$out/program.status")" 0
    local ms
    ms=$(span "$d" window exit)
    case "$kind" in
        early) check "$program $name: ends early ($ms ms < 1400)" below "$ms" 1400 ;;
        full) check "$program $name: key loop runs its course ($ms ms >= 1550)" at_least "$ms" 1550 ;;
    esac
}

console_group() {
    console_window_case addNextpics "$add_title" 480 80
    console_window_case delNextpics "$del_title" 384 64
    closing_case addNextpics "$add_title" no_key "sleep 0" full
    closing_case delNextpics "$del_title" no_key "sleep 0" full
    closing_case addNextpics "$add_title" close "close \"$add_title\"" early
    closing_case delNextpics "$del_title" close "close \"$del_title\"" early
    closing_case addNextpics "$add_title" esc "key \"$add_title\" esc" early
    closing_case delNextpics "$del_title" esc "key \"$del_title\" esc" early
    closing_case addNextpics "$add_title" other_key "key \"$add_title\" x" full
}

# A scratch folder with a copy of addNextpics, optionally an insert.ini, and two linked pages.
make_scratch() {
    local dir=$1 ini=$2
    rm -rf "$dir"
    mkdir -p "$dir/pages"
    cp "$bin/addNextpics.exe" "$dir/"
    [ -z "$ini" ] || printf '%s' "$ini" >"$dir/insert.ini"
    printf '<html><head><title>one</title></head>\r\n<body>\r\n<a href="page2.html">next</a>\r\n</body></html>\r\n' \
        >"$dir/pages/page1.html"
    printf '<html><body><img src="a.gif">two</body></html>\r\n' >"$dir/pages/page2.html"
    printf '<html><body>no links here</body></html>\r\n' >"$dir/pages/plain.html"
    cp -r "$dir/pages" "$dir/pages.orig"
}

pages_untouched() { diff -r "$1/pages" "$1/pages.orig" >/dev/null; }

# A block 3 that is not a nextpics applet tag: one warning box, exit status 1, no page handled.
broken_case() {
    local locale=$1 caption=$2 text=$3
    local dir=$cases/file_set_broken_$locale
    local tag='<applet code="other.class" name="preload" width=0 height=0>'
    make_scratch "$dir" $'header\r\n---\r\n<!-- lead -->\r\n---\r\n'"$tag"$'\r\n---\r\n</applet>\r\n'
    run --out "$dir/run" --env "LC_ALL=$locale" \
        --step "wait-window \"$add_title\"" --step "expect-box ok" --step "expect-no-box 500" --step "wait-exit" \
        -- "$dir/addNextpics.exe" "$(windows_path "$dir/pages/page1.html")"
    local d=$dir/run/driver.txt
    check "broken $locale: driver steps pass" is "$(cat "$dir/run/driver.status")" 0
    check "broken $locale: caption" is "$(value "$d" box caption_hex)" "$caption"
    check "broken $locale: text" is "$(value "$d" box text_hex)" "$text"
    check "broken $locale: owned by the console window" is "$(value "$d" box owner_hex)" "$(hex_of "$add_title")"
    check "broken $locale: only an OK button" is "$(value "$d" box buttons)" ok
    check "broken $locale: exit status 1" is "$(cat "$dir/run/program.status")" 1
    check "broken $locale: pages untouched" pages_untouched "$dir"
}

# Without insert.ini the run goes on with built-in defaults: no box, exit status 0, and a page
# without links stays as it was.
missing_ini_case() {
    local dir=$cases/file_set_missing
    make_scratch "$dir" ""
    run --out "$dir/run" --step "wait-window \"$add_title\"" --step "expect-no-box 3000" --step "wait-exit" \
        -- "$dir/addNextpics.exe" "$(windows_path "$dir/pages/plain.html")"
    check "missing insert.ini: no box, driver steps pass" is "$(cat "$dir/run/driver.status")" 0
    check "missing insert.ini: exit status 0" is "$(cat "$dir/run/program.status")" 0
    check "missing insert.ini: page without links untouched" pages_untouched "$dir"
}

file_set_group() {
    broken_case C "$(hex_of "AddNextpics : error ")" "$(hex_of "File Set Broken. Download new Nextpics files.")"
    broken_case ja_JP.UTF-8 "$(sjis_hex_of "AddNextpics : エラー")" \
        "$(sjis_hex_of "ファイルセットが壊れています. 新しい Nextpics をダウンロードしてください.")"
    missing_ini_case
}

# Both programs are 32-bit GUI executables that import system DLLs only.
binaries_group() {
    local allowed=" kernel32.dll user32.dll gdi32.dll msvcrt.dll advapi32.dll shell32.dll comctl32.dll "
    for program in addNextpics delNextpics; do
        local dump
        dump=$("$objdump" -p "$bin/$program.exe")
        check "$program: PE32" grep -q '^Magic[[:space:]]*010b' <<<"$dump"
        check "$program: Windows GUI subsystem" grep -q '^Subsystem[[:space:]]*00000002' <<<"$dump"
        local dll
        for dll in $(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$dump" | tr '[:upper:]' '[:lower:]'); do
            check "$program: imports only system DLLs ($dll)" grep -q " $dll " <<<"$allowed"
        done
        check "$program: imports USER32" grep -qi 'DLL Name: user32.dll' <<<"$dump"
        check "$program: imports GDI32" grep -qi 'DLL Name: gdi32.dll' <<<"$dump"
    done
}

started=$(date +%s)
for group in "${groups[@]}"; do
    case "$group" in
        console) console_group ;;
        file-set) file_set_group ;;
        binaries) binaries_group ;;
        all) binaries_group; console_group; file_set_group ;;
        *) echo "cases: unknown group $group" >&2; exit 2 ;;
    esac
done
echo "cases: $checks checks, $failures failed, $(( $(date +%s) - started )) s; artefacts in $cases"
[ "$failures" -eq 0 ]
