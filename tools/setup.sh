#!/usr/bin/env bash
# Makes a fresh Debian machine ready to build and test both programs on both toolchains.
# Idempotent: when everything is present it installs nothing and prints nothing. On a machine
# without apt it names what it would install and leaves it to the user (or set NEXTPICS_SETUP=skip
# for tools/test.sh and tools/demo.sh to leave this step out).
set -euo pipefail

packages=(cmake ninja-build g++ libgtest-dev libbenchmark-dev
          g++-mingw-w64-i686-posix g++-mingw-w64-i686 wine wine32 xvfb
          default-jdk-headless locales x11-utils imagemagick chromium x11-apps
          groff-base man-db desktop-file-utils fonts-wine fonts-vlgothic
          clang libclang-rt-14-dev gcovr time python3
          # HTML manuals of four generators, for tests/manuals
          gettext-doc sphinx-doc valgrind libffi-dev
          # the engines of the reader checks (bench/reader_bench)
          firefox-esr gir1.2-webkit2-4.1 python3-gi python3-minimal
          # the Debian package: dpkg-shlibdeps for its dependencies, and its check (release.deb)
          dpkg-dev lintian)

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -gt 0 ] && ! command -v apt-get >/dev/null; then
    echo "setup: no apt-get here; install these (or their like) by hand: ${missing[*]}"
    exit 0
fi

if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        "${sudo_cmd[@]}" dpkg --add-architecture i386
    fi
    export DEBIAN_FRONTEND=noninteractive
    # A mirror in the middle of a sync fails an update now and then (a list of the wrong size):
    # it is tried again a few times, and the install then goes on with the lists it has, which
    # fails clearly when a package cannot be had. So does the install, once after a fresh update.
    for attempt in 1 2 3 4 5; do
        "${sudo_cmd[@]}" apt-get update -qq && break
        echo "setup: apt-get update failed (attempt $attempt of 5)"
        [ "$attempt" -lt 5 ] && sleep $((attempt * 10))
    done
    if ! "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null; then
        echo "setup: apt-get install failed; updating the lists and trying once more"
        sleep 20
        "${sudo_cmd[@]}" apt-get update -qq || true
        if ! "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null; then
            # A security list of one architecture that cannot be had leaves the other's libraries
            # newer than their twins, which Wine's 32-bit ones must match: the security archive
            # is then taken only for what nothing else offers, and the browsers (amd64 alone,
            # and the reader checks need their newest) are taken from it afterwards.
            codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
            preferences=$(mktemp -d "${TMPDIR:-/tmp}/nextpics_apt.XXXXXX")
            printf 'Package: *\nPin: release n=%s-security\nPin-Priority: 100\n' "$codename" >"$preferences/security"
            chmod -R a+rX "$preferences"
            echo "setup: installing with the $codename-security archive held back"
            "${sudo_cmd[@]}" apt-get -o Dir::Etc::PreferencesParts="$preferences" install -y -qq \
                --no-install-recommends "${missing[@]}" >/dev/null
            "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends -t "$codename-security" \
                firefox-esr chromium >/dev/null || echo "setup: the browsers stay as $codename has them"
            rm -rf "$preferences"
        fi
    fi
fi

# Wine takes Japanese arguments and file names through the Linux locale; without it they arrive
# garbled even though Wine still reports code page 932.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
    echo "setup: generating the ja_JP.UTF-8 locale"
    "${sudo_cmd[@]}" localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi
