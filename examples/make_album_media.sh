#!/usr/bin/env bash
# Draws the pictures and writes the sound of the sample album in examples/album/. Needs
# ImageMagick's convert (tools/setup.sh installs it). The outputs are committed; run this again
# only to change them. The same input gives the same bytes: no time stamps or other metadata.
set -euo pipefail
album=$(cd "$(dirname "$0")" && pwd)/album
mkdir -p "$album/images" "$album/sounds"

w=160
h=120

# png <name> <convert arguments...>: a picture with a small palette and no metadata
png() {
    local name=$1
    shift
    convert -size ${w}x${h} "$@" -colors 48 -strip \
        -define png:exclude-chunks=date,time,tIME "png8:$album/images/$name"
}
gif() {
    local name=$1
    shift
    convert -size ${w}x${h} "$@" -colors 32 -strip "$album/images/$name"
}

# The horizon at noon: sky over sea, a sun, two sails.
png sea.png \
    gradient:'#9fd3f0-#eaf6fb' \
    \( -size ${w}x50 gradient:'#2f7fb0-#0d3b66' \) -geometry +0+70 -composite \
    -fill '#fff6c8' -draw 'circle 118,28 118,40' \
    -fill white -draw 'polygon 40,68 40,52 50,68' -draw 'polygon 70,69 70,58 77,69' \
    -stroke '#d8ecf5' -draw 'line 10,82 40,82' -draw 'line 90,95 135,95' -draw 'line 30,108 70,108'

# The lighthouse on its rock, red and white bands, the lamp lit.
png lighthouse.png \
    gradient:'#7fb8e0-#d7ecf7' \
    \( -size ${w}x30 gradient:'#2c6e9b-#143d5c' \) -geometry +0+90 -composite \
    -fill '#5b5248' -draw 'polygon 45,120 60,88 105,86 125,120' \
    -fill white -draw 'polygon 70,88 74,30 88,30 92,88' \
    -fill '#c8322d' -draw 'polygon 71,78 72,66 90,66 91,78' -draw 'polygon 72,54 73,42 89,42 90,54' \
    -fill '#ffe37a' -draw 'rectangle 75,20 87,30' \
    -fill '#333333' -draw 'polygon 72,20 81,11 90,20' \
    -stroke '#fff3b0' -draw 'line 87,24 140,14' -draw 'line 87,26 140,36'

# Gulls over the water.
gif gulls.gif \
    gradient:'#b9dff2-#f2f9fc' \
    -fill none -stroke '#3a3a3a' -strokewidth 2 \
    -draw 'path "M 30,40 Q 38,30 45,40 Q 52,30 60,40"' \
    -draw 'path "M 80,60 Q 86,53 91,60 Q 96,53 102,60"' \
    -draw 'path "M 110,30 Q 115,25 119,30 Q 123,25 128,30"'

# Shells and a starfish on the sand.
gif shells.gif \
    xc:'#ecd9a8' \
    -fill '#f7efe0' -stroke '#b08a60' -draw 'ellipse 50,60 26,20 0,360' \
    -draw 'line 50,40 50,80' -draw 'line 50,80 32,48' -draw 'line 50,80 68,48' \
    -fill '#f2c6b4' -draw 'ellipse 112,86 16,11 0,360' \
    -fill '#e07a3c' -stroke '#a0522d' \
    -draw 'polygon 118,22 122,36 136,36 125,44 129,58 118,50 107,58 111,44 100,36 114,36' \
    -stroke none -fill '#d9c28e' -draw 'point 20,100' -draw 'point 80,104' -draw 'point 140,70'

# Sunset: the sun half down behind the sea, its path on the water.
png sunset.png \
    gradient:'#3b2a6b-#f29a4a' \
    -fill '#ffd25a' -draw 'circle 80,78 80,98' \
    \( -size ${w}x42 gradient:'#5a3556-#1e1638' \) -geometry +0+78 -composite \
    -stroke '#f5b85a' -draw 'line 64,84 96,84' -draw 'line 70,92 90,92' -draw 'line 75,101 85,101' \
    -draw 'line 78,110 82,110'

# Moon over the bay, a few stars.
png night.png \
    gradient:'#060b24-#1d2d5c' \
    \( -size ${w}x36 gradient:'#142046-#03061a' \) -geometry +0+84 -composite \
    -fill '#f4f1d8' -draw 'circle 110,34 110,48' \
    -fill '#0c1332' -draw 'circle 116,30 116,43' \
    -fill white -draw 'point 20,15' -draw 'point 45,40' -draw 'point 70,12' -draw 'point 140,70' \
    -draw 'point 30,60' -draw 'point 90,55' \
    -stroke '#c9c5a8' -draw 'line 98,92 118,92' -draw 'line 102,100 114,100'

# The sound: a Standard MIDI File, format 0, one track of a few slow notes on the General MIDI
# "Seashore" instrument (program 123, 0x7A counted from 0), 96 ticks to the quarter note.
bytes() {  # bytes <hex digits, spaces allowed>
    local hex=${1// /} escaped='' i
    for ((i = 0; i < ${#hex}; i += 2)); do escaped+="\\x${hex:i:2}"; done
    printf '%b' "$escaped"
}
track='00 ff 03 05 57617665 73'        # track name "Waves"
track+=' 00 ff 51 03 0f4240'           # tempo: 1,000,000 µs to the quarter note
track+=' 00 c0 7a'                     # program change: Seashore
for note in 30 34 37 34 30; do         # note on, held two quarters, note off
    track+=" 00 90 $note 50 8140 80 $note 00"
done
track+=' 00 ff 2f 00'                  # end of track
track=${track// /}
length=$(printf '%08x' $((${#track} / 2)))
{
    bytes '4d546864 00000006 0000 0001 0060'   # MThd: format 0, one track, 96 ticks
    bytes "4d54726b $length $track"            # MTrk
} >"$album/sounds/waves.mid"

ls -l "$album/images" "$album/sounds"
