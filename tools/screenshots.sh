#!/usr/bin/env bash
# Takes the screenshots in docs/: both Windows programs at work on a copy of the sample album
# (examples/album), under Wine on a virtual X display.
#
#   docs/addNextpics-question.png  addNextpics asking which link leads to the next page
#   docs/addNextpics-done.png      addNextpics at the end of the run
#   docs/delNextpics-done.png      delNextpics at the end of the run, on the prepared album
#   docs/addNextpics-question-ja.png  the same question in Japanese (LC_ALL=ja_JP.UTF-8, so Wine
#                                  takes code page 932 and the Japanese user language)
#
# usage: tools/screenshots.sh [WIN32_BUILD_DIR]      (default: build/win32)
# Builds nothing: the Windows build must be there, with its tests (tests/wine/box_driver.exe
# answers the questions and asks for the screenshots). The Wine prefix and the work files live in
# WIN32_BUILD_DIR/screenshots/. Exits non-zero when a run or a screenshot goes wrong.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/win32}" && pwd)
docs=$root/docs
work=$build/screenshots
album=$root/examples/album
harness=$root/tests/wine/run_case.sh

# Wine draws the windows with their title bars inside a virtual desktop of this size and colour;
# the screenshots are cut out of it.
desktop_size=500x440
background="58 110 165"
add_title="addNextpics V1.07"
del_title="delNextpics V1.08"
pages=(index.html photo1.html photo2.html photo3.html photo4.html photo5.html)

fail() { echo "screenshots: $*" >&2; exit 1; }

for file in bin/addNextpics.exe bin/delNextpics.exe tests/wine/box_driver.exe; do
    [ -f "$build/$file" ] || fail "$build/$file is missing: build the Windows programs and tests first"
done
for tool in wine wineboot wineserver Xvfb xwd convert; do
    command -v "$tool" >/dev/null || fail "$tool is missing: run tools/setup.sh"
done

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export WINE_CASE_PREFIX=$work/wine-prefix
mkdir -p "$work" "$docs"

# set_key KEY NAME VALUE: a string value in the registry of our prefix.
set_key() {
    WINEPREFIX=$WINE_CASE_PREFIX wine reg add "$1" /v "$2" /d "$3" /f >>"$work/wineboot.txt" 2>&1 ||
        fail "cannot set up the Wine prefix (see $work/wineboot.txt)"
}

# A prefix of our own, so that the desktop settings touch no other run.
if [ ! -f "$work/prefix.ready" ]; then
    rm -rf "$WINE_CASE_PREFIX"
    WINEPREFIX=$WINE_CASE_PREFIX wineboot -i >"$work/wineboot.txt" 2>&1 || true
    set_key 'HKCU\Software\Wine\Explorer' Desktop Shots
    set_key 'HKCU\Software\Wine\Explorer\Desktops' Shots "$desktop_size"
    set_key 'HKCU\Control Panel\Colors' Background "$background"
    # This Wine does not find the fonts of the fonts-wine package by itself; without Marlett the
    # title bar buttons show as letters.
    for font in marlett tahoma tahomabd; do
        [ ! -f "/usr/share/wine/fonts/$font.ttf" ] ||
            cp "/usr/share/wine/fonts/$font.ttf" "$WINE_CASE_PREFIX/drive_c/windows/Fonts/"
    done
    WINEPREFIX=$WINE_CASE_PREFIX wineserver -w
    : >"$work/prefix.ready"
fi

# run NAME LOCALE PROGRAM STEP...: one run on the pages in run_pages, in a fresh copy of the album
# for addNextpics, in the copy as the run before left it for delNextpics. The driver's record goes
# to $work/NAME.
run_pages=()
run() {
    local name=$1 locale=$2 program=$3
    shift 3
    if [ "$program" = addNextpics ]; then
        rm -rf "$work/album"
        cp -R "$album" "$work/album"
    fi
    local steps=()
    local step
    for step in "$@"; do
        steps+=(--step "$step")
    done
    bash "$harness" --build "$build" --out "$work/$name" --cwd "$work/album" --timeout 90 \
        --env "LC_ALL=$locale" "${steps[@]}" -- "$build/bin/$program.exe" "${run_pages[@]}"
    [ "$(cat "$work/$name/driver.status")" = 0 ] || fail "$name: the run did not go as planned (see $work/$name/driver.txt)"
    [ "$(cat "$work/$name/program.status")" = 0 ] || fail "$name: $program ended with status $(cat "$work/$name/program.status")"
}

# save SCREENSHOT NAME: cuts the windows out of the desktop (everything that is not background),
# keeps a narrow margin of desktop around them and stores them as a small PNG of few colours in
# docs/.
save() {
    local shot=$1 out=$docs/$2.png
    [ -s "$shot" ] || fail "no screenshot $shot"
    local rgb="rgb(${background// /,})"
    convert "$shot" -crop "$desktop_size+0+0" +repage -bordercolor "$rgb" -border 1 -trim +repage \
        -border 4 +dither -colors 32 -strip "PNG8:$out"
    echo "screenshots: $(realpath --relative-to="$root" "$out") $(identify -format '%wx%h' "$out"), $(stat -c %s "$out") bytes"
}

# The row of "done." in the log: a banner, six page rows and an empty row above it, in client
# coordinates of the console window (13 pixels a row).
done_row="0 172 80 188"

# The first page of a run, photo3.html, has three links; the one named with the next number,
# photo4.html, is asked about first.
run_pages=(photo3.html)
run japanese ja_JP.UTF-8 addNextpics \
    "wait-window \"$add_title\" 60000" 'sleep 1500' 'snap question' 'expect-box yes' 'wait-exit'
save "$work/japanese/question.png" addNextpics-question-ja

# addNextpics asks about the first link of index.html and photo1 to photo4 (photo5 has one link);
# the picture shows the fifth question over the log of the four pages before it.
run_pages=("${pages[@]}")
run added C addNextpics \
    "wait-window \"$add_title\" 60000" \
    'expect-box yes' 'expect-box yes' 'expect-box yes' 'expect-box yes' \
    'sleep 1500' 'snap question' \
    'expect-box yes' \
    "wait-marked \"$add_title\" $done_row 10000" 'freeze' 'snap added' 'thaw' \
    'wait-exit'
save "$work/added/question.png" addNextpics-question
save "$work/added/added.png" addNextpics-done

run removed C delNextpics \
    "wait-window \"$del_title\" 60000" \
    "wait-marked \"$del_title\" $done_row 10000" 'freeze' 'snap removed' 'thaw' \
    'expect-no-box 500' 'wait-exit'
save "$work/removed/removed.png" delNextpics-done

for page in "${pages[@]}"; do
    cmp -s <(tr -d '\r' <"$album/$page" | grep -v '^$') <(tr -d '\r' <"$work/album/$page" | grep -v '^$') ||
        fail "$page did not come back as it was"
done
echo "screenshots: done; look at them before committing"
