#!/usr/bin/env bash
# End-to-end cases for both programs under Wine: the console window with its logo and closing key
# loop, the insert blocks file check, the shape of the two executables, and pages prepared and
# restored with the user's answers in the message boxes, in English and under code page 932.
#
# usage: cases.sh BUILD_DIR OBJDUMP GROUP...
#        GROUP: console | file-set | binaries | add | del | japanese | walk | all
# Each run works in a folder of its own under BUILD_DIR/tests/wine/cases/, so that runs side by side
# never meet; a case leaves its folder there (driver output, screenshots, pages), and the run's
# folder stays when a check failed and is removed when all passed.
# The page cases compare with the native programs given the same answers on standard input; they
# come from the native build in NEXTPICS_NATIVE_BUILD (default BUILD_DIR/native-reference), which
# is brought up to date, or configured there first.
set -uo pipefail

build=$(cd "$1" && pwd)
objdump=$2
shift 2
groups=("$@")
[ ${#groups[@]} -gt 0 ] || groups=(all)

here=$(cd "$(dirname "$0")" && pwd)
bin=$build/bin
mkdir -p "$build/tests/wine/cases"
cases=$(mktemp -d "$build/tests/wine/cases/run.XXXXXX")

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

# A block 3 that does not begin with the applet start the rewriter writes (another class, or an
# attribute edited): one warning box, exit status 1, no page handled.
broken_case() {
    local locale=$1 caption=$2 text=$3 variant=${4:-}
    local dir=$cases/file_set_broken_$locale$variant
    local tag='<applet code="other.class" name="preload" width=0 height=0>'
    [ "$variant" = _edited ] && tag='<applet code="nextpics.class" name=preload width=0 height=0>'
    make_scratch "$dir" $'header\r\n---\r\n<!-- lead -->\r\n---\r\n'"$tag"$'\r\n---\r\n</applet>\r\n'
    run --out "$dir/run" --env "LC_ALL=$locale" \
        --step "wait-window \"$add_title\"" --step "expect-box ok" --step "expect-no-box 500" --step "wait-exit" \
        -- "$dir/addNextpics.exe" "$(windows_path "$dir/pages/page1.html")"
    local d=$dir/run/driver.txt
    check "broken $locale$variant: driver steps pass" is "$(cat "$dir/run/driver.status")" 0
    check "broken $locale$variant: caption" is "$(value "$d" box caption_hex)" "$caption"
    check "broken $locale$variant: text" is "$(value "$d" box text_hex)" "$text"
    check "broken $locale$variant: owned by the console window" is "$(value "$d" box owner_hex)" "$(hex_of "$add_title")"
    check "broken $locale$variant: only an OK button" is "$(value "$d" box buttons)" ok
    check "broken $locale$variant: exit status 1" is "$(cat "$dir/run/program.status")" 1
    check "broken $locale$variant: pages untouched" pages_untouched "$dir"
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
    broken_case C "$(hex_of "AddNextpics : error ")" "$(hex_of "File Set Broken. Download new Nextpics files.")" _edited
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

# ---- Pages prepared and restored, with the user's answers in the message boxes

tree=$(cd "$here/../.." && pwd)
native_programs=$cases/native-programs

# Brings the native programs up to date and puts them in one folder with the data files of the
# Windows build, so that both builds insert the same blocks and copy the same applet file.
native_ready=""
prepare_native() {
    [ -n "$native_ready" ] && return 0
    local native=${NEXTPICS_NATIVE_BUILD:-}
    if [ -z "$native" ]; then
        native=$build/native-reference
        [ -f "$tree/build/native/CMakeCache.txt" ] && native=$tree/build/native
    fi
    if [ ! -f "$native/CMakeCache.txt" ]; then
        cmake -S "$tree" -B "$native" -G Ninja -DCMAKE_BUILD_TYPE=Release -DNEXTPICS_TESTS=OFF \
            >"$cases/native-build.txt" 2>&1 || return 1
    fi
    cmake --build "$native" --target addNextpics delNextpics >>"$cases/native-build.txt" 2>&1 || return 1
    rm -rf "$native_programs"
    mkdir -p "$native_programs"
    cp "$native/bin/addNextpics" "$native/bin/delNextpics" "$bin/insert.ini" "$bin/nextpics.class" \
        "$native_programs/" && native_ready=1
}

crlf() { local text=${1//\\n/\\r\\n}; printf '%b' "$text"; }  # "\n" in the text becomes CR LF

# A small album: photo1 links to index and photo2, photo2 to index, index to photo1.
album_site() {
    local site=$1
    mkdir -p "$site"
    {
        crlf '<html>\n<head><title>Album</title></head>\n<body bgcolor="white">\n<h1>Photo 1</h1>\n'
        crlf '<img src="p1.jpg">\n<a href="index.html">index</a> <a href="photo2.html">next</a>\n'
        crlf '</body>\n</html>\n'
    } >"$site/photo1.html"
    {
        crlf '<html>\n<body>\n<img src="p2.jpg"><img src="http://example.org/b.gif">\n<bgsound src="s.mid">\n'
        crlf '<a href="index.html">index</a>\n</body>\n</html>\n'
    } >"$site/photo2.html"
    crlf '<html><body><a href="photo1.html">start</a></body></html>\n' >"$site/index.html"
}

# new_case NAME: an empty case folder; its site/ is the Wine run's, native/ the native run's.
new_case() {
    dir=$cases/$1
    site=$dir/site
    rm -rf "$dir"
    mkdir -p "$site"
}

# Copies the site for the native run and keeps its pages as they were before any run.
freeze_site() {
    rm -rf "$dir/native" "$dir/orig"
    cp -r "$site" "$dir/native"
    cp -r "$site" "$dir/orig"
}

# native PROGRAM ANSWERS [VAR=VALUE...] -- PAGE...: the native program in native/ with the answers
# on standard input, in the C locale unless told otherwise; its output and exit status land in
# native.txt and native.status.
native() {
    local program=$1 answers=$2
    shift 2
    local envs=(LC_ALL=C)
    while [ "$1" != -- ]; do envs+=("$1"); shift; done
    shift
    (cd "$dir/native" && printf '%b' "$answers" |
        env "${envs[@]}" "$native_programs/$program" "$@" >"$dir/native.txt" 2>&1)
    echo $? >"$dir/native.status"
}

# wine_run [run_case OPTION...] -- PROGRAM.exe PAGE...: the Windows program in site/, results in run/;
# in the C locale unless an --env option says otherwise.
wine_run() { run --out "$dir/run" --cwd "$site" --env LC_ALL=C "$@"; }

# keep_run NAME: sets the results of a run aside before the next run of the same case.
keep_run() {
    mv "$dir/run" "$dir/run-$1"
    mv "$dir/native.status" "$dir/native-$1.status"
    mv "$dir/native.txt" "$dir/native-$1.txt"
}

status_of() { cat "$1" 2>/dev/null; }

# same_file A B: byte for byte equal; on a difference shows the first differing bytes.
same_file() {
    cmp "$1" "$2" >/dev/null 2>&1 && return 0
    cmp -l "$1" "$2" 2>&1 | head -5 | sed 's/^/    /'
    return 1
}

# same_tree A B: the same files with the same bytes.
same_tree() {
    diff -r "$1" "$2" >/dev/null 2>&1 && return 0
    diff -rq "$1" "$2" 2>&1 | head -5 | sed 's/^/    /'
    return 1
}

prepared() { grep -q 'onLoad="preloadImage()"' "$1"; }

no_temporary() { [ -z "$(find "$1" -iname "$2*.tmp")" ]; }

# The Nth driver line of a kind (1 = first), in the field NAME.
nth_value() {
    local file=$1 kind=$2 n=$3 name=$4
    grep -a "^$kind " "$file" | sed -n "${n}p" | tr ' ' '\n' | sed -n "s/^$name=//p" | head -n1
}

# box_is WHAT N CAPTION_HEX TEXT_HEX BUTTONS OWNER: the Nth message box of the run.
box_is() {
    local what=$1 n=$2 caption=$3 text=$4 buttons=$5 owner=$6
    local d=$dir/run/driver.txt
    check "$what: caption" is "$(nth_value "$d" box "$n" caption_hex)" "$caption"
    check "$what: text" is "$(nth_value "$d" box "$n" text_hex)" "$text"
    check "$what: buttons $buttons" is "$(nth_value "$d" box "$n" buttons)" "$buttons"
    check "$what: owned by the console window" is "$(nth_value "$d" box "$n" owner_hex)" "$(hex_of "$owner")"
}

# ends_at_once [N]: the program ends at once after the Cancel in box N (the second by default):
# under Wine without a window manager each box takes about 2 s to go away, so the time from the box
# before it to box N is the measure; the closing lines and the key loop would add 1.7 s to it.
ends_at_once() {
    local d=$dir/run/driver.txt
    local n=${1:-2}
    local first second end
    first=$(nth_value "$d" box $((n - 1)) t_ms)
    second=$(nth_value "$d" box "$n" t_ms)
    end=$(value "$d" exit t_ms)
    [ -n "$first" ] && [ -n "$second" ] && [ -n "$end" ] && [ $((end - second)) -lt $((second - first + 1000)) ] &&
        return 0
    echo "    first box $first ms, second box $second ms, exit $end ms"
    return 1
}

# run_passed WHAT STATUS [NATIVE_STATUS]: the driver saw every step and the program ended with the
# status; the native program with NATIVE_STATUS (default the same), for the runs in which the
# native build's exit statuses say more (1 for Cancel, 2 for a page that cannot be opened).
run_passed() {
    check "$1: driver steps pass" is "$(status_of "$dir/run/driver.status")" 0 ||
        grep -a '^fail\|^unexpected' "$dir/run/driver.txt" | sed 's/^/    /'
    check "$1: exit status $2" is "$(status_of "$dir/run/program.status")" "$2"
    check "$1: native exit status ${3:-$2}" is "$(status_of "$dir/native.status")" "${3:-$2}"
}

select_caption=$(hex_of "AddNextpics : next page select ")
refer_caption=$(hex_of "AddNextpics : next page referring error ")
select_text() { hex_of "Now setting: $1 "$'\r\n'"Is the next: $2 ?"; }

# The blocks of the shipped insert.ini, as addNextpics reads them: split at runs of three hyphens,
# blocks 2 to 4 without the line breaks at their start.
ini_block() {
    perl -0777 -ne 'my @b = split /---/, $_, 5; my $x = $b['"$(($1 - 1))"'] // ""; $x =~ s/^(\r\n)+//; print $x' \
        "$bin/insert.ini"
}

# The lines that addNextpics writes ahead of the BODY start tag for the next page's images.
preload_script() {
    printf '<!-- Nextpics insert -->\r\n<script language="Javascript">\r\n<!-- \r\nfunction preloadImage()  {\r\n'
    local n=1 src
    for src in "$@"; do
        printf '  nextImg%d= new Image;  nextImg%d.src="%s";\r\n  document.preload.next();\r\n' $n $n "$src"
        n=$((n + 1))
    done
    printf '}\r\n// --></script>\r\n\r\n'
}

# The applet element that addNextpics writes ahead of the BODY end tag, naming VALUE as next.
applet_element() {
    ini_block 2
    printf '<applet code="nextpics.class" name="preload" '
    if [ -n "$(ini_block 3)" ]; then ini_block 3 | tail -c +46; else printf 'width=0 height=0>\r\n'; fi
    printf '<param name="next" value="%s">\r\n</applet>\r\n' "$1"
    ini_block 4 | tail -c +12
}

# A page as addNextpics leaves it and delNextpics gives it back: with one more CR LF ahead of each
# BODY tag (the text before both ends in a single line break).
with_breaks() { perl -0777 -pe 's/(<\/?body)/\r\n$1/gi' "$1"; }

# The first page asks about index first, then photo2; No, then Yes prepares it with photo2.
add_select_case() {
    new_case add_select
    album_site "$site"
    freeze_site
    native addNextpics 'n\ny\n' -- photo1.html
    wine_run --step "wait-window \"$add_title\"" --step "expect-box no" --step "expect-box yes" \
        --step "expect-no-box 15000" --step "wait-exit" -- "$bin/addNextpics.exe" photo1.html
    local w="add select"
    run_passed "$w" 0
    box_is "$w: first question" 1 "$select_caption" "$(select_text photo1.html index.html)" yes,no "$add_title"
    box_is "$w: second question" 2 "$select_caption" "$(select_text photo1.html photo2.html)" yes,no "$add_title"
    check "$w: only two questions" is "$(grep -a -c '^box ' "$dir/run/driver.txt")" 2
    {
        crlf '<html>\n<head><title>Album</title></head>\n\n'
        preload_script p2.jpg http://example.org/b.gif
        crlf '<body bgcolor="white" onLoad="preloadImage()">\n<h1>Photo 1</h1>\n<img src="p1.jpg">\n'
        crlf '<a href="index.html">index</a> <a href="photo2.html">next</a>\n\n'
        applet_element "photo2.html;s.mid"
        crlf '</body>\n</html>\n'
    } >"$dir/photo1.expected"
    check "$w: page bytes" same_file "$dir/photo1.expected" "$site/photo1.html"
    check "$w: page bytes as natively" same_file "$dir/native/photo1.html" "$site/photo1.html"
    check "$w: nextpics.class copied beside the page" same_file "$bin/nextpics.class" "$site/nextpics.class"
    check "$w: no addnex*.tmp left" no_temporary "$site" addnex
    check "$w: the other pages untouched" same_file "$dir/orig/photo2.html" "$site/photo2.html"
    check "$w: site as natively" same_tree "$dir/native" "$site"
}

# A link to a missing file: OK skips the page and the batch goes on; No to every link of a later
# page, then Cancel, stops the batch before the last page.
add_referring_case() {
    new_case add_referring
    album_site "$site"
    crlf '<html><body><a href="gone.html">x</a></body></html>\n' >"$site/dangling.html"
    crlf '<html><body><a href="index.html">i</a> <a href="photo1.html">1</a></body></html>\n' >"$site/choice.html"
    freeze_site
    native addNextpics 'o\nn\nn\nc\n' -- dangling.html photo2.html choice.html index.html
    wine_run --step "wait-window \"$add_title\"" --step "expect-box ok" --step "expect-box no" \
        --step "expect-box no" --step "expect-box cancel" --step "expect-no-box 15000" --step "wait-exit" \
        -- "$bin/addNextpics.exe" dangling.html photo2.html choice.html index.html
    local w="add referring error"
    run_passed "$w" 0 1
    box_is "$w: missing file" 1 "$refer_caption" "$(hex_of "Not found: gone.html file.")" ok,cancel "$add_title"
    box_is "$w: first question" 2 "$select_caption" "$(select_text choice.html index.html)" yes,no "$add_title"
    box_is "$w: second question" 3 "$select_caption" "$(select_text choice.html photo1.html)" yes,no "$add_title"
    box_is "$w: every link declined" 4 "$refer_caption" "$(hex_of "Next page file not found.")" ok,cancel \
        "$add_title"
    check "$w: page skipped with OK untouched" same_file "$dir/orig/dangling.html" "$site/dangling.html"
    check "$w: page after OK prepared" prepared "$site/photo2.html"
    check "$w: page cancelled untouched" same_file "$dir/orig/choice.html" "$site/choice.html"
    check "$w: page after Cancel untouched" same_file "$dir/orig/index.html" "$site/index.html"
    check "$w: no addnex*.tmp left" no_temporary "$site" addnex
    check "$w: site as natively" same_tree "$dir/native" "$site"
}

# Pages whose BODY tag carries onLoad: OK skips one and the next page is prepared; Cancel ends the
# run at once with status 1. The box names the file as stored, whatever case the command line has.
add_already_set_case() {
    new_case add_already_set
    album_site "$site"
    crlf '<html><body onLoad="start()"><a href="photo2.html">2</a></body></html>\n' >"$site/set1.html"
    crlf '<HTML><BODY BGCOLOR=red ONLOAD=go()><A HREF="index.html">i</A></BODY></HTML>\n' >"$site/set2.html"
    freeze_site
    native addNextpics 'o\nc\n' -- set1.html photo2.html set2.html index.html
    wine_run --step "wait-window \"$add_title\"" --step "expect-box ok" --step "expect-box cancel" \
        --step "expect-no-box 15000" --step "wait-exit" \
        -- "$bin/addNextpics.exe" SET1.Html photo2.html set2.html index.html
    local w="add already set"
    local caption
    caption=$(hex_of "AddNextpics")
    run_passed "$w" 1
    box_is "$w: OK" 1 "$caption" "$(hex_of "set1.html : Nextpics already set.")" ok,cancel "$add_title"
    box_is "$w: Cancel" 2 "$caption" "$(hex_of "set2.html : Nextpics already set.")" ok,cancel "$add_title"
    check "$w: ends at once after Cancel" ends_at_once
    check "$w: skipped page untouched" same_file "$dir/orig/set1.html" "$site/set1.html"
    check "$w: page after OK prepared" prepared "$site/photo2.html"
    check "$w: cancelled page untouched" same_file "$dir/orig/set2.html" "$site/set2.html"
    check "$w: page after Cancel untouched" same_file "$dir/orig/index.html" "$site/index.html"
    check "$w: site as natively" same_tree "$dir/native" "$site"
}

# A read-only page: its temporary copy never takes the read-only attribute, so the copy is deleted
# again whether the page could be written (as the superuser can) or not; delNextpics the same.
add_read_only_case() {
    new_case add_read_only
    crlf '<html><body><a href="next.html">next</a></body></html>\n' >"$site/page.html"
    crlf '<html><body><img src="n.gif"></body></html>\n' >"$site/next.html"
    chmod a-w "$site/page.html"
    cp "$site/page.html" "$dir/page.orig"
    local w="add read-only page"
    wine_run --step "wait-window \"$add_title\"" --step "expect-no-box 8000" --step "wait-exit" \
        -- "$bin/addNextpics.exe" page.html
    check "$w: driver steps pass" is "$(status_of "$dir/run/driver.status")" 0
    check "$w: the page as it was, or prepared" eval 'same_file "$dir/page.orig" "$site/page.html" || prepared "$site/page.html"'
    check "$w: no addnex*.tmp left" no_temporary "$site" addnex
    crlf '<html><body onLoad="preloadImage()">x</body></html>\n' >"$site/prepared.html"
    chmod a-w "$site/prepared.html"
    wine_run --step "wait-window \"$del_title\"" --step "expect-no-box 8000" --step "wait-exit" \
        -- "$bin/delNextpics.exe" prepared.html
    check "del read-only page: no delnex*.tmp left" no_temporary "$site" delnex
    chmod -R u+w "$site"
}

add_group() {
    prepare_native || { check "native programs build (see $cases/native-build.txt)" false; return; }
    add_select_case
    add_referring_case
    add_already_set_case
    add_read_only_case
}

# Pages in two folders, named with back slashes, prepared by addNextpics and restored by
# delNextpics; a page that cannot be opened before them shows no box and stops nothing.
del_restore_case() {
    new_case del_restore
    album_site "$site/a"
    album_site "$site/b"
    freeze_site
    native addNextpics 'n\ny\ny\n' -- a/photo1.html b/photo1.html
    wine_run --step "wait-window \"$add_title\"" --step "expect-box no" --step "expect-box yes" \
        --step "expect-box yes" --step "expect-no-box 15000" --step "wait-exit" \
        -- "$bin/addNextpics.exe" 'a\photo1.html' 'b\photo1.html'
    local w="del restore"
    run_passed "$w: preparing" 0
    box_is "$w: preparing, the link chosen before is asked first" 3 "$select_caption" \
        "$(select_text photo1.html photo2.html)" yes,no "$add_title"
    check "$w: both pages prepared" prepared "$site/b/photo1.html"
    check "$w: prepared as natively" same_tree "$dir/native" "$site"
    keep_run add

    native delNextpics '' -- missing.html a/photo1.html b/photo1.html
    wine_run --step "wait-window \"$del_title\"" --step "expect-no-box 15000" --step "wait-exit" \
        -- "$bin/delNextpics.exe" missing.html 'a\photo1.html' 'b\photo1.html'
    run_passed "$w" 0 2
    with_breaks "$dir/orig/a/photo1.html" >"$dir/photo1.expected"
    check "$w: a\\photo1.html back, with a line break ahead of each BODY tag" \
        same_file "$dir/photo1.expected" "$site/a/photo1.html"
    check "$w: b\\photo1.html back the same way" same_file "$dir/photo1.expected" "$site/b/photo1.html"
    check "$w: no delnex*.tmp left" no_temporary "$site" delnex
    check "$w: site as natively" same_tree "$dir/native" "$site"
}

# Pages without an onLoad BODY tag of ours: OK skips one, and one with an onLoad of its own, and the
# next page is restored, as is one with our onLoad but no marker; Cancel ends the run at once with
# status 1 and the page after it keeps its preloading.
del_removed_case() {
    new_case del_removed
    album_site "$site"
    album_site "$dir/album"
    crlf '<html><body>plain</body></html>\n' >"$site/plain.html"
    crlf '<html><BODY text=red OnLoad=init()>own</BODY></html>\n' >"$site/own.html"
    crlf '<html><body onload="preloadImage()">ours</body></html>\n' >"$site/ours.html"
    (cd "$site" && printf 'n\ny\n' | LC_ALL=C "$native_programs/addNextpics" photo1.html photo2.html >/dev/null 2>&1)
    local w="del already removed"
    check "$w: pages prepared first" prepared "$site/photo2.html"
    freeze_site
    native delNextpics 'o\no\nc\n' -- index.html own.html ours.html photo1.html plain.html photo2.html
    wine_run --step "wait-window \"$del_title\"" --step "expect-box ok" --step "expect-box ok" \
        --step "expect-box cancel" --step "expect-no-box 15000" --step "wait-exit" \
        -- "$bin/delNextpics.exe" index.html own.html ours.html photo1.html plain.html photo2.html
    local caption
    caption=$(hex_of delNextpics)
    run_passed "$w" 1
    box_is "$w: OK" 1 "$caption" "$(hex_of "index.html : Nextpics already removed.")" ok,cancel "$del_title"
    box_is "$w: a page's own onLoad" 2 "$caption" "$(hex_of "own.html : Nextpics already removed.")" ok,cancel \
        "$del_title"
    box_is "$w: Cancel" 3 "$caption" "$(hex_of "plain.html : Nextpics already removed.")" ok,cancel "$del_title"
    check "$w: ends at once after Cancel" ends_at_once 3
    check "$w: skipped page untouched" same_file "$dir/orig/index.html" "$site/index.html"
    check "$w: the page's own onLoad kept" same_file "$dir/orig/own.html" "$site/own.html"
    check "$w: our onLoad without the marker taken out" same_file <(crlf '<html><body>ours</body></html>\n') \
        "$site/ours.html"
    with_breaks "$dir/album/photo1.html" >"$dir/photo1.expected"
    check "$w: page after OK restored" same_file "$dir/photo1.expected" "$site/photo1.html"
    check "$w: cancelled page untouched" same_file "$dir/orig/plain.html" "$site/plain.html"
    check "$w: page after Cancel still prepared" same_file "$dir/orig/photo2.html" "$site/photo2.html"
    check "$w: no delnex*.tmp left" no_temporary "$site" delnex
    check "$w: site as natively" same_tree "$dir/native" "$site"
}

del_group() {
    prepare_native || { check "native programs build (see $cases/native-build.txt)" false; return; }
    del_restore_case
    del_removed_case
}

japanese=LC_ALL=ja_JP.UTF-8
ja_select_text() { sjis_hex_of "現在のページは: $1 です"$'\r\n'"　次のページは: $2 でよろしいですか?"; }

# Every box of addNextpics in Japanese: already set (OK), the questions (No, Yes), a missing next
# page (OK), every link declined (OK); the run goes on to its end.
ja_add_texts_case() {
    new_case ja_add_texts
    album_site "$site"
    crlf '<html><body onload="go()"><a href="photo2.html">2</a></body></html>\n' >"$site/set.html"
    crlf '<html><body><a href="gone.html">x</a></body></html>\n' >"$site/dangling.html"
    crlf '<html><body><a href="index.html">i</a> <a href="photo1.html">1</a></body></html>\n' >"$site/choice.html"
    freeze_site
    local pages=(set.html photo1.html dangling.html choice.html photo2.html)
    native addNextpics 'o\nn\ny\no\nn\nn\no\n' "$japanese" -- "${pages[@]}"
    wine_run --env "$japanese" --step "wait-window \"$add_title\"" --step "expect-box ok" \
        --step "expect-box no" --step "expect-box yes" --step "expect-box ok" --step "expect-box no" \
        --step "expect-box no" --step "expect-box ok" --step "expect-no-box 15000" --step "wait-exit" \
        -- "$bin/addNextpics.exe" "${pages[@]}"
    local w="japanese add"
    local select refer
    select=$(sjis_hex_of "AddNextpics : 参照先の選択")
    refer=$(sjis_hex_of "AddNextpics : 参照先エラー")
    run_passed "$w" 0
    box_is "$w: already set" 1 "$(sjis_hex_of AddNextpics)" "$(sjis_hex_of "set.html はネクストピクス設置済みです.")" \
        ok,cancel "$add_title"
    box_is "$w: first question" 2 "$select" "$(ja_select_text photo1.html index.html)" yes,no "$add_title"
    box_is "$w: second question" 3 "$select" "$(ja_select_text photo1.html photo2.html)" yes,no "$add_title"
    box_is "$w: missing file" 4 "$refer" "$(sjis_hex_of "次ページ: gone.html のファイルが見つかりません.")" \
        ok,cancel "$add_title"
    box_is "$w: the link chosen before is asked first" 5 "$select" "$(ja_select_text choice.html photo1.html)" \
        yes,no "$add_title"
    box_is "$w: every link declined" 7 "$refer" "$(sjis_hex_of "次ページのファイルが見つかりません.")" \
        ok,cancel "$add_title"
    check "$w: seven boxes" is "$(grep -a -c '^box ' "$dir/run/driver.txt")" 7
    local page
    for page in set.html dangling.html choice.html index.html; do
        check "$w: $page untouched" same_file "$dir/orig/$page" "$site/$page"
    done
    check "$w: the batch goes on to the last page" prepared "$site/photo2.html"
    check "$w: site as natively" same_tree "$dir/native" "$site"
}

# The already-removed box of delNextpics in Japanese; OK, and the next page is restored.
ja_del_text_case() {
    new_case ja_del_text
    album_site "$site"
    album_site "$dir/album"
    crlf '<html><body onload="init()">own</body></html>\n' >"$site/own.html"
    (cd "$site" && LC_ALL=C "$native_programs/addNextpics" photo2.html </dev/null >/dev/null 2>&1)
    freeze_site
    native delNextpics 'o\no\n' "$japanese" -- index.html own.html photo2.html
    wine_run --env "$japanese" --step "wait-window \"$del_title\"" --step "expect-box ok" --step "expect-box ok" \
        --step "expect-no-box 15000" --step "wait-exit" -- "$bin/delNextpics.exe" index.html own.html photo2.html
    local w="japanese del"
    run_passed "$w" 0
    box_is "$w: already removed" 1 "$(sjis_hex_of delNextpics)" \
        "$(sjis_hex_of "index.html はネクストピクス削除済みです.")" ok,cancel "$del_title"
    box_is "$w: a page's own onLoad" 2 "$(sjis_hex_of delNextpics)" \
        "$(sjis_hex_of "own.html はネクストピクス削除済みです.")" ok,cancel "$del_title"
    check "$w: skipped page untouched" same_file "$dir/orig/index.html" "$site/index.html"
    check "$w: the page's own onLoad kept" same_file "$dir/orig/own.html" "$site/own.html"
    with_breaks "$dir/album/photo2.html" >"$dir/photo2.expected"
    check "$w: next page restored" same_file "$dir/photo2.expected" "$site/photo2.html"
    check "$w: site as natively" same_tree "$dir/native" "$site"
}

# Double-byte text under code page 932: a "<" that is the second byte of a character starts no
# tag; a 0x5C inside a character of a linked name or of the page's own name is no folder separator.
ja_double_byte_case() {
    new_case ja_double_byte
    local cover
    cover=$(printf '表紙.htm' | iconv -f UTF-8 -t CP932)  # 95 5C 8E 86 .htm; ソ is 83 5C
    printf '<a href="n.htm">n</a>\x82<body>x</body>' >"$site/lt.htm"
    crlf '<html><body>next</body></html>\n' >"$site/n.htm"
    {
        crlf '<html>\n<body>\n<a href="'
        printf '%s' "$cover"
        crlf '">next</a>\n</body>\n</html>\n'
    } >"$site/top.htm"
    # Wine keeps the names of a UTF-8 locale in UTF-8 on disk.
    crlf '<img src="a.gif">\n' >"$site/表紙.htm"
    crlf '<html>\n<body>\n<a href="n.htm">n</a>\n</body>\n</html>\n' >"$site/ソ.htm"
    freeze_site
    wine_run --env "$japanese" --step "wait-window \"$add_title\"" --step "expect-no-box 15000" \
        --step "wait-exit" -- "$bin/addNextpics.exe" lt.htm top.htm "ソ.htm"
    local w="japanese double-byte"
    check "$w: no box, driver steps pass" is "$(status_of "$dir/run/driver.status")" 0
    check "$w: exit status 0" is "$(status_of "$dir/run/program.status")" 0
    check "$w: no BODY start tag at a \"<\" that ends a character, so the page stays as it was" \
        same_file "$dir/orig/lt.htm" "$site/lt.htm"
    {
        crlf '<html>\n\n'
        preload_script a.gif
        crlf '<body onLoad="preloadImage()">\n<a href="'
        printf '%s' "$cover"
        crlf '">next</a>\n\n'
        applet_element "$cover"
        crlf '</body>\n</html>\n'
    } >"$dir/top.expected"
    check "$w: image of a next page whose name holds 0x5C without a folder" \
        same_file "$dir/top.expected" "$site/top.htm"
    {
        crlf '<html>\n\n'
        preload_script
        crlf '<body onLoad="preloadImage()">\n<a href="n.htm">n</a>\n\n'
        applet_element n.htm
        crlf '</body>\n</html>\n'
    } >"$dir/so.expected"
    check "$w: page named with 0x5C inside a character prepared" same_file "$dir/so.expected" "$site/ソ.htm"
    check "$w: no other files in the folder" is "$(cd "$site" && ls | LC_ALL=C sort | tr '\n' ' ')" \
        "lt.htm n.htm nextpics.class top.htm ソ.htm 表紙.htm "
    check "$w: next pages untouched" same_file "$dir/orig/表紙.htm" "$site/表紙.htm"
}

# UTF-8 pages under code page 932 are read without pairs: the "<" after a character of three bytes
# starts its tag, so the link, the BODY tags and the next page's image are all found; delNextpics
# takes it all out again.
ja_utf8_case() {
    new_case ja_utf8
    crlf '<html>字<body>\n<p>あ<a href="u2.html">次</a>写</body></html>\n' >"$site/u1.html"
    crlf '<html><body>真<img src="a.png"></body></html>\n' >"$site/u2.html"
    freeze_site
    native addNextpics '' -- u1.html
    wine_run --env "$japanese" --step "wait-window \"$add_title\"" --step "expect-no-box 15000" --step "wait-exit" \
        -- "$bin/addNextpics.exe" u1.html
    local w="japanese UTF-8 page"
    check "$w: no box, driver steps pass" is "$(status_of "$dir/run/driver.status")" 0
    check "$w: exit status 0" is "$(status_of "$dir/run/program.status")" 0
    {
        crlf '<html>字\n'
        preload_script a.png
        crlf '<body onLoad="preloadImage()">\n<p>あ<a href="u2.html">次</a>写\n'
        applet_element u2.html
        crlf '</body></html>\n'
    } >"$dir/u1.expected"
    check "$w: script, onLoad and applet in their places, the next page's image in the script" \
        same_file "$dir/u1.expected" "$site/u1.html"
    check "$w: prepared as natively" same_tree "$dir/native" "$site"
    keep_run add
    wine_run --env "$japanese" --step "wait-window \"$del_title\"" --step "expect-no-box 15000" --step "wait-exit" \
        -- "$bin/delNextpics.exe" u1.html
    check "$w: delNextpics restores it but for the line breaks" same_file <(with_breaks "$dir/orig/u1.html") \
        "$site/u1.html"
}

japanese_group() {
    prepare_native || { check "native programs build (see $cases/native-build.txt)" false; return; }
    ja_add_texts_case
    ja_del_text_case
    ja_double_byte_case
    ja_utf8_case
}

# ---- walks

# Slides s1 to s3 that link back and on with no rel, the last on to the first; a page off the run.
walk_site() {
    local site=$1 n
    mkdir -p "$site"
    for n in 1 2 3; do
        crlf "<html><body><img src=\"s$n.jpg\">\n<a href=\"s$(( n == 1 ? 3 : n - 1 )).html\">&lt;&lt; Prev</a> | <a href=\"index.html\">Index</a> | <a href=\"s$(( n % 3 + 1 )).html\">Next &gt;&gt;</a>\n</body></html>\n" >"$site/s$n.html"
    done
    crlf '<html><body><a href="s1.html">start</a></body></html>\n' >"$site/index.html"
}

# addNextpics --walk prepares the run as natively, asking nothing; delNextpics-walk.cmd, with the
# first page dropped on it (Explorer starts it with the page's path), takes it back out.
walk_case() {
    new_case walk
    walk_site "$site"
    freeze_site
    native addNextpics '' -- --walk s1.html
    wine_run --step "wait-window \"$add_title\"" --step "expect-no-box 15000" --step "wait-exit" \
        -- "$bin/addNextpics.exe" --walk s1.html
    local w="walk"
    run_passed "$w" 0
    check "$w: every slide prepared" bash -c "grep -q 'value=\"s2.html\"' '$site/s1.html' && grep -q 'value=\"s1.html\"' '$site/s3.html'"
    check "$w: the page off the run untouched" same_file "$dir/orig/index.html" "$site/index.html"
    check "$w: site as natively" same_tree "$dir/native" "$site"
    keep_run add

    native delNextpics '' -- --walk s1.html
    wine_run --step "wait-window \"$del_title\"" --step "expect-no-box 15000" --step "wait-exit" \
        -- cmd /c "$(windows_path "$bin/delNextpics-walk.cmd")" "$(windows_path "$site/s1.html")"
    w="walk dropped on delNextpics-walk.cmd"
    run_passed "$w" 0
    check "$w: every slide restored" bash -c "! grep -l preloadImage '$site'/s?.html"
    check "$w: site as natively" same_tree "$dir/native" "$site"
}

# Shift-JIS pages that say 前へ and 次へ (with 表, whose second byte is a back slash), walked under
# code page 932 as natively.
walk_japanese_case() {
    new_case walk_japanese
    local n
    for n in 1 2 3; do
        crlf "<html><head><meta charset=\"Shift_JIS\"></head><body>表$n\n<a href=\"k$(( n == 1 ? 3 : n - 1 )).html\">前へ</a> <a href=\"k$(( n % 3 + 1 )).html\">次へ</a>\n</body></html>\n" |
            iconv -f UTF-8 -t CP932 >"$site/k$n.html"
    done
    freeze_site
    native addNextpics '' LC_ALL=ja_JP.UTF-8 -- --walk k1.html
    wine_run --env LC_ALL=ja_JP.UTF-8 --step "wait-window \"$add_title\"" --step "expect-no-box 15000" \
        --step "wait-exit" -- "$bin/addNextpics.exe" --walk k1.html
    local w="walk under code page 932"
    run_passed "$w" 0
    check "$w: each page prepared with the one its 次へ names" bash -c \
        "grep -q 'value=\"k2.html\"' '$site/k1.html' && grep -q 'value=\"k1.html\"' '$site/k3.html'"
    check "$w: site as natively" same_tree "$dir/native" "$site"
}

walk_group() {
    prepare_native || { check "native programs build (see $cases/native-build.txt)" false; return; }
    walk_case
    walk_japanese_case
}

started=$(date +%s)
for group in "${groups[@]}"; do
    case "$group" in
        console) console_group ;;
        file-set) file_set_group ;;
        binaries) binaries_group ;;
        add) add_group ;;
        del) del_group ;;
        japanese) japanese_group ;;
        walk) walk_group ;;
        all) binaries_group; console_group; file_set_group; add_group; del_group; japanese_group; walk_group ;;
        *) echo "cases: unknown group $group" >&2; exit 2 ;;
    esac
done
if [ "$failures" -eq 0 ]; then
    rm -rf "$cases"
    echo "cases: $checks checks, all passed, $(( $(date +%s) - started )) s"
else
    echo "cases: $checks checks, $failures failed, $(( $(date +%s) - started )) s; artefacts in $cases"
fi
[ "$failures" -eq 0 ]
