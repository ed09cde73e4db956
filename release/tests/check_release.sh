#!/usr/bin/env bash
# Checks of what goes out to users: man pages, desktop entries, read-me texts, the Linux install,
# the version resource of the Windows programs and the Windows zip.
#
# usage: check_release.sh GROUP BUILD_DIR VERSION [RC_COMPILER [OBJDUMP ZIP]]
#   man-pages        both man pages, as the build makes them, render with groff -ww without a
#                    warning and carry VERSION
#   desktop-entries  both desktop entries pass desktop-file-validate and open pages
#   readmes          the English read-me is plain ASCII, the Japanese one fits Shift-JIS, and
#                    both give the same limits
#   install          cmake --install into an empty prefix, then the installed programs at work
#   version-resource the version resource of bin/*.exe, read back by the resource compiler
#   package          the zip unpacked: its files, their encodings, the version resource, and
#                    both programs run from it under Wine on the sample album
#   deb              (4th argument: cpack) the Debian package, built into a scratch folder: its
#                    fields and files, lintian, both programs at work from it unpacked into a
#                    scratch root; as root with apt-get (CI), also apt-get install, the same work
#                    through PATH, and apt-get remove leaving nothing of it. Exits 77 (skipped)
#                    without dpkg-deb.
# Prints one line per failed check and a summary line; exits non-zero when a check failed.
set -uo pipefail

group=$1
build=$(cd "$2" && pwd)
version=$3
rc_compiler=${4:-}
cpack_command=${4:-}
objdump=${5:-}
zip=${6:-}

release=$(cd "$(dirname "$0")/.." && pwd)
root=$(cd "$release/.." && pwd)
album=$root/examples/album
work=$(mktemp -d "${TMPDIR:-/tmp}/nextpics_release.XXXXXX")
# Set while this run has the package installed on the machine, so that an early end removes it.
apt_installed=0
on_exit() {
    if [ "$apt_installed" = 1 ]; then
        apt-get remove -y -qq nextpics >/dev/null 2>&1 || dpkg --remove nextpics >/dev/null 2>&1
    fi
    rm -rf "$work"
}
trap on_exit EXIT
trap 'exit 143' TERM INT HUP

passed=0
failed=0

# check DESCRIPTION COMMAND...: one check; its output is shown only when it fails. Returns the
# check's success, so that a check others depend on can end its group.
check() {
    local what=$1
    shift
    local output
    if output=$("$@" 2>&1); then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAILED: $what"
        [ -z "$output" ] || head -n 20 <<<"$output" | while IFS= read -r line; do echo "    $line"; done
        return 1
    fi
}

# silent COMMAND...: the command succeeds and prints nothing at all.
silent() {
    local output
    output=$("$@" 2>&1) || { printf '%s\n' "$output"; return 1; }
    [ -z "$output" ] || { printf '%s\n' "$output"; return 1; }
}

same() {  # same EXPECTED ACTUAL
    [ "$1" = "$2" ] && return
    diff <(printf '%s\n' "$1") <(printf '%s\n' "$2")
    return 1
}

nocr() { tr -d '\r' <"$1"; }
without_empty_lines() { nocr "$1" | grep -v '^$'; }
contains() { grep -qF -- "$2" "$1" || { echo "$1 lacks: $2"; return 1; }; }
lacks() { ! grep -qF -- "$2" "$1" || { echo "$1 still holds: $2"; return 1; }; }

# Numbers of two or more digits that stand alone: the limits and sizes a read-me gives.
numbers_in() { grep -oP '(?<![0-9A-Za-z.])[0-9]{2,}(?![0-9A-Za-z])' "$1" | sort -u | tr '\n' ' '; }

# Every line ends in CR LF, and no CR stands alone.
crlf_only() {
    local bare
    bare=$(LC_ALL=C awk '!/\r$/' "$1" | wc -l)
    [ "$bare" = 0 ] || { echo "$bare line(s) without CR"; return 1; }
    ! LC_ALL=C grep -qP '\r(?!$)' "$1" || { echo "a CR inside a line"; return 1; }
}

ascii_only() { ! LC_ALL=C grep -nP '[^\x00-\x7F]' "$1"; }

man_pages() {
    local page
    for page in addNextpics delNextpics; do
        local source=$build/release/$page.1
        check "$page.1 renders without warnings" silent groff -ww -man -Tutf8 -z "$source"
        check "$page.1 carries version $version" grep -q "^\.TH .* \"nextpics $version\"" "$source"
        # whatis and apropos read the NAME line; lexgrog parses it as they do.
        check "$page.1 has a NAME line for whatis" grep -q "\"$page - " <(lexgrog "$source")
    done
}

desktop_entries() {
    local program
    for program in addNextpics delNextpics; do
        local entry=$release/$program.desktop
        check "$program.desktop validates" silent desktop-file-validate "$entry"
        check "$program.desktop runs $program on the dropped files" grep -qx "Exec=$program %F" "$entry"
        # No MimeType: a desktop without a browser could otherwise make a program that rewrites
        # pages the default for opening them.
        check "$program.desktop claims no file type" silent bash -c "! grep -q '^MimeType=' '$entry'"
        check "$program.desktop opens a terminal for the log and questions" grep -qx 'Terminal=true' "$entry"
        check "$program.desktop names the program's own icon" grep -qx "Icon=$program" "$entry"
    done
}

readmes() {
    local en=$release/README.txt ja=$release/README-ja.txt
    check "README.txt is plain ASCII (any Windows code page shows it)" ascii_only "$en"
    check "README-ja.txt is UTF-8" iconv -f UTF-8 -t UTF-8 -o /dev/null "$ja"
    check "README-ja.txt fits Shift-JIS (code page 932)" iconv -f UTF-8 -t CP932 -o /dev/null "$ja"
    check "both read-mes give the same limits and sizes" same "$(numbers_in "$en")" "$(numbers_in "$ja")"
    local text
    for text in addnex0.tmp delnex0.tmp insert.ini nextpics.class '[T] pushed.' '[C] pushed.' Esc; do
        check "README.txt names $text" contains "$en" "$text"
        check "README-ja.txt names $text" contains "$ja" "$text"
    done
}

# An installed program at work: run in a copy of two album pages from another folder, through
# PATH as the desktop entries start it, with no answers (the end of input picks Yes).
installed_programs() {
    local prefix=$work/prefix
    check "cmake --install into an empty prefix" cmake --install "$build" --prefix "$prefix"
    local icons="" size program
    for size in 16 24 32 48 64 128; do
        for program in addNextpics delNextpics; do icons+=" share/icons/hicolor/${size}x$size/apps/$program.png"; done
    done
    check "installed: the programs, their files, man pages, desktop entries and icons, nothing else" same \
        "$(echo bin/addNextpics bin/delNextpics share/applications/addNextpics.desktop share/applications/delNextpics.desktop \
            $icons share/man/man1/addNextpics.1 share/man/man1/delNextpics.1 share/nextpics/insert.ini \
            share/nextpics/nextpics.class | tr ' ' '\n' | LC_ALL=C sort | tr '\n' ' ' | sed 's/ $//')" \
        "$(cd "$prefix" && find . -type f -printf '%P\n' | LC_ALL=C sort | tr '\n' ' ' | sed 's/ $//')"
    # The desktop icons are the Windows icons' pictures: at 32 x 32 pixel for pixel the same, and
    # every size a whole picture of its size.
    for program in addNextpics delNextpics; do
        local which=${program:0:3}
        check "the 32 x 32 icon of $program is the Windows icon's picture" same \
            "$(python3 "$release/tests/icon_pixels.py" "$build/console/pictures/$which.ico")" \
            "$(python3 "$release/tests/icon_pixels.py" "$prefix/share/icons/hicolor/32x32/apps/$program.png")"
        for size in 16 24 48 64 128; do
            check "the $size x $size icon of $program reads whole" same "$size $size" \
                "$(python3 "$release/tests/icon_pixels.py" "$prefix/share/icons/hicolor/${size}x$size/apps/$program.png" | sed -n 1p)"
        done
    done
    check "installed programs are executable" test -x "$prefix/bin/addNextpics" -a -x "$prefix/bin/delNextpics"
    check "installed insert.ini is the shipped one" cmp "$root/insert/insert.ini" "$prefix/share/nextpics/insert.ini"
    check "installed man page is the one the build made" cmp "$build/release/addNextpics.1" "$prefix/share/man/man1/addNextpics.1"
    check "man finds the installed page" same "$prefix/share/man/man1/addNextpics.1" \
        "$(MANPATH="$prefix/share/man" man -w addNextpics 2>&1)"

    local site=$work/site
    mkdir -p "$site"
    cp "$album/photo4.html" "$album/photo5.html" "$site/"
    (cd "$work" && PATH="$prefix/bin:$PATH" addNextpics "$site/photo4.html" </dev/null >"$work/add.out" 2>"$work/add.err")
    local rc=$?
    check "installed addNextpics ends with status 0" same 0 "$rc"
    check "installed addNextpics reports the page done" grep -q 'photo4.html -> photo5.html (1 imgs, 0 strms) : OK.' "$work/add.out"
    check "the page is prepared" contains "$site/photo4.html" '<!-- Nextpics insert -->'
    check "the page preloads the next page's image" contains "$site/photo4.html" 'nextImg1.src="images/night.png"'
    check "the applet names the next page" contains "$site/photo4.html" '<param name="next" value="photo5.html">'
    # The stand-in script comes from share/nextpics/insert.ini; without the file it would be missing.
    check "insert.ini was found in share/nextpics" contains "$site/photo4.html" 'document.preload = (function () {'
    check "nextpics.class copied beside the page" cmp "$prefix/share/nextpics/nextpics.class" "$site/nextpics.class"
    check "no temporary copy left" same "" "$(cd "$site" && ls ./*.tmp 2>/dev/null)"

    (cd "$work" && PATH="$prefix/bin:$PATH" delNextpics "$site/photo4.html" </dev/null >"$work/del.out" 2>&1)
    rc=$?
    check "installed delNextpics ends with status 0" same 0 "$rc"
    check "the page is back but for empty lines" \
        same "$(without_empty_lines "$album/photo4.html")" "$(without_empty_lines "$site/photo4.html")"
}

# The version resource as the resource compiler decompiles it from a program.
version_resource_of() {
    local exe=$1 program=$2
    local rc=$work/$program.rc
    "$rc_compiler" -i "$exe" -O rc -o "$rc" || { echo "cannot read the resources of $exe"; return 1; }
    local numbers
    numbers=$(tr '.' ',' <<<"$version")
    [[ "$numbers" =~ ^[0-9]+,[0-9]+,[0-9]+$ ]] && numbers="$numbers,0"
    # windres spaces its output its own way: compare with all blanks taken out.
    local bare
    bare=$(tr -d ' \t' <"$rc")
    local fail=0
    local line
    for line in "FILEVERSION $numbers" "PRODUCTVERSION $numbers" "FILEOS 0x40004" "FILETYPE 0x1" \
                'BLOCK "040904B0"' "VALUE \"FileVersion\", \"$version\"" "VALUE \"ProductVersion\", \"$version\"" \
                'VALUE "ProductName", "Nextpics"' "VALUE \"OriginalFilename\", \"$program.exe\"" \
                "VALUE \"InternalName\", \"$program\"" 'VALUE "Translation", 0x409, 1200'; do
        grep -qF -- "${line//[[:blank:]]/}" <<<"$bare" || { echo "$exe: missing $line"; fail=1; }
    done
    grep -qE 'VALUE"FileDescription","[^"]+"' <<<"$bare" || { echo "$exe: no FileDescription"; fail=1; }
    # The icon must survive beside the version resource: group 128.
    grep -q '^128 14 /\* RT_GROUP_ICON \*/' "$rc" || { echo "$exe: icon group 128 missing"; fail=1; }
    return $fail
}

version_resource() {
    local program
    for program in addNextpics delNextpics; do
        check "$program.exe carries its version resource" version_resource_of "$build/bin/$program.exe" "$program"
    done
}

package() {
    local unpacked=$work/unpacked
    mkdir -p "$unpacked"
    check "the zip is in the build folder" test -s "$zip"
    check "the zip is named after version $version" same "nextpics-$version-win32.zip" "$(basename "$zip")"
    check "the zip unpacks" bash -c "cd '$unpacked' && cmake -E tar xf '$zip'"
    check "the zip holds exactly the eight files, at its top" same \
        "README-ja.txt README.txt addNextpics-walk.cmd addNextpics.exe delNextpics-walk.cmd delNextpics.exe insert.ini nextpics.class" \
        "$(cd "$unpacked" && find . -mindepth 1 -printf '%P\n' | LC_ALL=C sort | tr '\n' ' ' | sed 's/ $//')"
    check "insert.ini is the shipped one" cmp "$root/insert/insert.ini" "$unpacked/insert.ini"
    check "nextpics.class is the built one" cmp "$build/bin/nextpics.class" "$unpacked/nextpics.class"
    check "README.txt has CR LF line ends" crlf_only "$unpacked/README.txt"
    check "README.txt is plain ASCII" ascii_only "$unpacked/README.txt"
    check "README.txt names version $version" contains "$unpacked/README.txt" "Nextpics $version for Windows"
    check "README-ja.txt has CR LF line ends" crlf_only "$unpacked/README-ja.txt"
    for program in addNextpics delNextpics; do
        check "$program-walk.cmd has CR LF line ends" crlf_only "$unpacked/$program-walk.cmd"
        check "$program-walk.cmd starts a walk from the page dropped on it" \
            grep -qF "$program.exe\" --walk %1" "$unpacked/$program-walk.cmd"
    done
    check "README-ja.txt is Shift-JIS holding the UTF-8 source" same \
        "$(sed "s/@PROJECT_VERSION@/$version/g" "$release/README-ja.txt")" \
        "$(iconv -f CP932 -t UTF-8 "$unpacked/README-ja.txt" | tr -d '\r')"
    local program
    for program in addNextpics delNextpics; do
        check "$program.exe is stripped" same "" "$("$objdump" -h "$unpacked/$program.exe" | grep -o '\.debug_[a-z]*')"
        check "unpacked $program.exe carries its version resource" \
            version_resource_of "$unpacked/$program.exe" "$program"
    done

    # Both programs from the unpacked folder under Wine, on a copy of the album. addNextpics asks
    # about the first link of each page with more than one (five pages), each answered Yes; the
    # last page has one link and asks nothing. delNextpics asks nothing.
    local site=$work/album
    cp -R "$album" "$site"
    local harness=$root/tests/wine/run_case.sh
    check "the Wine harness is built" test -f "$build/tests/wine/box_driver.exe" || return
    local steps=(--step 'wait-window "addNextpics V1.07" 60000')
    steps+=(--step 'expect-box yes' --step 'expect-box yes' --step 'expect-box yes' --step 'expect-box yes'
            --step 'expect-box yes')
    steps+=(--step 'expect-no-box 1500' --step 'wait-exit')
    local pages=(index.html photo1.html photo2.html photo3.html photo4.html photo5.html)
    bash "$harness" --build "$build" --out "$work/add" --cwd "$site" --timeout 90 "${steps[@]}" \
        -- "$unpacked/addNextpics.exe" "${pages[@]}"
    check "addNextpics from the zip: questions answered as expected" same 0 "$(cat "$work/add/driver.status")"
    check "addNextpics from the zip: exit status 0" same 0 "$(cat "$work/add/program.status")"
    local page
    for page in "${pages[@]}"; do
        check "addNextpics from the zip prepared $page" contains "$site/$page" '<!-- Nextpics insert -->'
        check "$page got the stand-in script of the zip's insert.ini" contains "$site/$page" \
            'document.preload = (function () {'
    done
    check "the chain of next pages" same "photo1.html photo2.html photo3.html;sounds/waves.mid photo4.html photo5.html index.html" \
        "$(for page in "${pages[@]}"; do nocr "$site/$page" | sed -n 's/.*<param name="next" value="\([^"]*\)">.*/\1/p'; done | tr '\n' ' ' | sed 's/ $//')"
    check "nextpics.class copied beside the pages" cmp "$unpacked/nextpics.class" "$site/nextpics.class"

    bash "$harness" --build "$build" --out "$work/del" --cwd "$site" --timeout 60 \
        --step 'wait-window "delNextpics V1.08" 60000' --step 'expect-no-box 1500' --step 'wait-exit' \
        -- "$unpacked/delNextpics.exe" "${pages[@]}"
    check "delNextpics from the zip: no question" same 0 "$(cat "$work/del/driver.status")"
    check "delNextpics from the zip: exit status 0" same 0 "$(cat "$work/del/program.status")"
    for page in "${pages[@]}"; do
        check "delNextpics from the zip restored $page" lacks "$site/$page" 'Nextpics insert'
        check "$page is back but for empty lines" \
            same "$(without_empty_lines "$album/$page")" "$(without_empty_lines "$site/$page")"
    done
    check "no temporary copy left" same "" "$(cd "$site" && ls ./*.tmp 2>/dev/null)"
}

# The chain of next pages the album gets when every question takes the first link offered.
album_chain="photo1.html photo2.html photo3.html;sounds/waves.mid photo4.html photo5.html index.html"
album_pages=(index.html photo1.html photo2.html photo3.html photo4.html photo5.html)

# album_round_trip LABEL SHARE ADD DEL: ADD on a fresh copy of the album from another folder, no
# answers (the end of input takes the first link offered), then DEL; SHARE is the folder the
# programs should take insert.ini and nextpics.class from.
album_round_trip() {
    local label=$1 share=$2 add=$3 del=$4
    local site=$work/album-$label
    cp -R "$album" "$site"
    local rc
    (cd "$site" && "$add" "${album_pages[@]}" </dev/null >"$site.add" 2>&1)
    rc=$?
    check "$label: addNextpics ends with status 0" same 0 "$rc"
    check "$label: the chain of next pages" same "$album_chain" \
        "$(for page in "${album_pages[@]}"; do nocr "$site/$page" | sed -n 's/.*<param name="next" value="\([^"]*\)">.*/\1/p'; done | tr '\n' ' ' | sed 's/ $//')"
    # The stand-in script comes from insert.ini; without the file it would be missing.
    check "$label: insert.ini was found in $share" contains "$site/photo1.html" 'document.preload = (function () {'
    check "$label: nextpics.class copied beside the pages" cmp "$share/nextpics.class" "$site/nextpics.class"
    (cd "$site" && "$del" "${album_pages[@]}" </dev/null >"$site.del" 2>&1)
    rc=$?
    check "$label: delNextpics ends with status 0" same 0 "$rc"
    local page changed=""
    for page in "${album_pages[@]}"; do
        [ "$(without_empty_lines "$album/$page")" = "$(without_empty_lines "$site/$page")" ] || changed+=" $page"
    done
    check "$label: every page is back but for empty lines" same "" "$changed"
    check "$label: no temporary copy left" same "" "$(cd "$site" && ls ./*.tmp 2>/dev/null)"
}

# The files of a package, one path a line, sorted: "usr/bin/addNextpics", no folders.
deb_files() { dpkg-deb -c "$1" | awk '$1 !~ /^d/ { sub(/^\.\//, "", $6); print $6 }' | LC_ALL=C sort; }

# lintian on the package finds no error, and no warning but those the README lists as left.
lintian_verdict() {
    local report status
    report=$(lintian "$1" 2>"$work/lintian.err")
    status=$?
    [ "$status" = 0 ] || { printf 'lintian ended with status %s\n%s\n' "$status" "$report"; cat "$work/lintian.err"; return 1; }
    local unlisted
    unlisted=$(grep -v '^W: nextpics: package-installs-java-bytecode ' <<<"$report" | grep '^[EW]:')
    [ -z "$unlisted" ] || { printf '%s\n' "$unlisted"; return 1; }
}

deb() {
    if ! command -v dpkg-deb >/dev/null; then
        echo "SKIPPED: dpkg-deb is missing (a Debian or Ubuntu machine has it; tools/setup.sh adds dpkg-dev)"
        exit 77
    fi
    local arch
    arch=$(dpkg --print-architecture)
    local name=nextpics_${version}_$arch.deb
    check "cpack -G DEB builds the package" "$cpack_command" -G DEB --config "$build/CPackConfig.cmake" -B "$work/pkg"
    local deb=$work/pkg/$name
    check "the package is named $name" test -s "$deb" || return

    local field
    for field in "Package=nextpics" "Version=$version" "Architecture=$arch" "Section=web" "Priority=optional"; do
        check "field ${field%%=*} is ${field#*=}" same "${field#*=}" "$(dpkg-deb -f "$deb" "${field%%=*}")"
    done
    check "Depends is computed from the programs (libc6)" grep -qE '^libc6 \(>= [0-9.]+\)' <<<"$(dpkg-deb -f "$deb" Depends)"
    check "a Maintainer" test -n "$(dpkg-deb -f "$deb" Maintainer)"

    local icons="" size program
    for size in 16 24 32 48 64 128; do
        for program in addNextpics delNextpics; do icons+=" usr/share/icons/hicolor/${size}x$size/apps/$program.png"; done
    done
    local files
    files=$(deb_files "$deb")
    check "the package holds the programs, their files, man pages, desktop entries, icons and doc files" same \
        "$(echo usr/bin/addNextpics usr/bin/delNextpics usr/share/applications/addNextpics.desktop \
            usr/share/applications/delNextpics.desktop usr/share/doc/nextpics/changelog.gz usr/share/doc/nextpics/copyright \
            $icons usr/share/man/man1/addNextpics.1.gz usr/share/man/man1/delNextpics.1.gz \
            usr/share/nextpics/insert.ini usr/share/nextpics/nextpics.class | tr ' ' '\n' | LC_ALL=C sort)" "$files"
    if command -v lintian >/dev/null; then
        check "lintian: no error, no warning but those the README lists" lintian_verdict "$deb"
    else
        echo "SKIPPED (lintian): not installed (tools/setup.sh installs it)"
    fi

    local root=$work/root
    check "dpkg-deb -x unpacks the package into a scratch root" dpkg-deb -x "$deb" "$root"
    for program in addNextpics delNextpics; do
        check "$program --version gives $version" same "$program (nextpics) $version" "$("$root/usr/bin/$program" --version)"
        check "$program.1.gz is the page the build made" cmp "$build/release/$program.1" <(gzip -dc "$root/usr/share/man/man1/$program.1.gz")
        local rendered=$work/$program.man
        check "man -l renders $program.1.gz without a warning" silent bash -c \
            "LC_ALL=C MANROFFOPT=-ww MANWIDTH=80 man -l '$root/usr/share/man/man1/$program.1.gz' >'$rendered'"
        check "the rendered $program page has its NAME line" grep -qE "^ +$program +- " "$rendered"
    done
    check "the changelog's entry is version $version" same "nextpics ($version) unstable; urgency=medium" \
        "$(gzip -dc "$root/usr/share/doc/nextpics/changelog.gz" | sed -n 1p)"
    album_round_trip "scratch root" "$root/usr/share/nextpics" "$root/usr/bin/addNextpics" "$root/usr/bin/delNextpics"

    deb_apt "$deb" "$files"
}

# deb_apt DEB FILES: apt-get install, the album through PATH, apt-get remove; FILES the package's
# files. Only as root, and only while neither the package nor any of its files is on the machine,
# so that a machine is left exactly as it was found; a lock keeps two checkouts apart.
deb_apt() {
    local deb=$1 files=$2
    if [ "$(id -u)" != 0 ]; then
        echo "SKIPPED (apt-get install): not root; CI runs this part as root on a machine of its own"
        return
    fi
    if ! command -v apt-get >/dev/null; then
        echo "SKIPPED (apt-get install): apt-get is missing"
        return
    fi
    exec 9>/var/lock/nextpics-deb-check.lock
    check "the lock on installing the package is taken" flock -w 600 9 || return
    if dpkg-query -W -f='${db:Status-Abbrev}' nextpics 2>/dev/null | grep -q '^.[^n]'; then
        echo "SKIPPED (apt-get install): nextpics $(dpkg-query -W -f='${Version}' nextpics) is on this machine; left as it is"
        exec 9>&-
        return
    fi
    local present="" file
    while IFS= read -r file; do [ ! -e "/$file" ] || present+=" /$file"; done <<<"$files"
    if [ -n "$present" ]; then
        echo "SKIPPED (apt-get install): files of the package are on this machine already:$present"
        exec 9>&-
        return
    fi

    # apt reads a local package as its own user: the scratch folders must let it.
    chmod 755 "$work" "$work/pkg"
    apt_installed=1
    check "apt-get install $deb" env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y -q --no-install-recommends -o DPkg::Lock::Timeout=300 "$deb"
    check "dpkg has nextpics $version installed" same "ii $version" \
        "$(dpkg-query -W -f='${db:Status-Abbrev}${Version}' nextpics 2>&1 | tr -s ' ')"
    check "addNextpics in PATH is the package's" same /usr/bin/addNextpics "$(PATH=/usr/bin:/bin command -v addNextpics)"
    PATH=/usr/bin:/bin album_round_trip "installed" /usr/share/nextpics addNextpics delNextpics
    check "man finds the installed page" grep -qx /usr/share/man/man1/addNextpics.1.gz <(man -aw addNextpics 2>&1)

    check "apt-get remove nextpics" env DEBIAN_FRONTEND=noninteractive \
        apt-get remove -y -q -o DPkg::Lock::Timeout=300 nextpics
    apt_installed=0
    check "dpkg knows nextpics as neither installed nor configured" same "" \
        "$(dpkg-query -W -f='${db:Status-Abbrev}' nextpics 2>/dev/null | grep '^.[^n]')"
    local left=""
    while IFS= read -r file; do [ ! -e "/$file" ] || left+=" /$file"; done <<<"$files"
    for file in /usr/share/nextpics /usr/share/doc/nextpics /var/lib/dpkg/info/nextpics.*; do
        [ ! -e "$file" ] || left+=" $file"
    done
    check "apt-get remove leaves nothing of the package" same "" "$left"
    exec 9>&-
}

case "$group" in
    man-pages) man_pages ;;
    desktop-entries) desktop_entries ;;
    readmes) readmes ;;
    install) installed_programs ;;
    version-resource) version_resource ;;
    package) package ;;
    deb) deb ;;
    *) echo "check_release: unknown group $group" >&2; exit 2 ;;
esac

echo "release $group: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
