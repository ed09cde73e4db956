#!/usr/bin/env bash
# Holds the layering of the code to its plan, by the #include lines of every file that is not a
# test (*_test.cpp). From the bottom up:
#
#   platform/  the OS seam; includes no core header
#   console/   text screen, pump, messages, the window front ends     over platform/
#   textio/    command line, paths, streams, temporary copies         over platform/
#   batch/     the page loop both programs run, and its log lines     over console/ and textio/
#   scan/      the read-only passes and the skeleton all passes share over console/ and textio/
#   insert/    addNextpics                                            over scan/ (and batch/)
#   remove/    delNextpics                                            over scan/ (and batch/)
#
# Besides: only the programs' drivers (*_driver.*), the program entries and batch/ reach the console
# window or the batch; only platform/ and the window front ends include a system's own headers;
# textio/streams_internal.h, what the streams' three files share, is included by those alone: no
# other file, not even a test, benchmark or fuzz target, which all go through textio/streams.h;
# insert/ exports no variable others may change; the insertion's bytes live in one header.
# Prints every include (or line) that breaks a rule; exits non-zero when there is one.
set -uo pipefail
cd "$(dirname "$0")/.."

# The folders each folder may include from (besides itself).
declare -A allowed=(
    [platform]=""
    [console]="platform"
    [textio]="platform"
    [batch]="platform console textio"
    [scan]="platform console textio"
    [insert]="platform console textio scan batch"
    [remove]="platform console textio scan batch"
)
# Headers that only the drivers, the entries and batch/ may include: the window and the batch.
upper_headers='^(console/console_window\.h|batch/.*)$'
# A system's own headers, which belong behind platform/.
system_headers='^(windows\.h|unistd\.h|fcntl\.h|dirent\.h|signal\.h|termios\.h|iconv\.h|langinfo\.h|poll\.h|sys/.*|io\.h)$'

broken=0
complain() { echo "layers: $1"; broken=$((broken + 1)); }

for folder in "${!allowed[@]}"; do
    while IFS= read -r file; do
        case "$file" in *_test.cpp) continue ;; esac
        name=${file##*/}
        while IFS= read -r line; do
            header=$(sed -n 's/^#include "\(.*\)"/\1/p' <<<"$line")
            system=$(sed -n 's/^#include <\(.*\)>/\1/p' <<<"$line")
            if [ -n "$system" ]; then
                if [[ $system =~ $system_headers ]] && [ "$folder" != platform ] &&
                    [[ ! $name =~ ^console_window_ ]]; then
                    complain "$file includes <$system>, which belongs behind platform/"
                fi
                continue
            fi
            [ -n "$header" ] || continue
            from=${header%%/*}
            if [ "$from" != "$folder" ] && [[ " ${allowed[$folder]} " != *" $from "* ]]; then
                complain "$file includes $header: $folder/ does not build on $from/"
            elif [[ $header =~ $upper_headers ]] && [ "$folder" != batch ] && [ "$folder" != console ] &&
                [[ ! $name =~ _driver\. ]]; then
                complain "$file includes $header: only the drivers and batch/ reach the window and the batch"
            fi
        done < <(grep -E '^#include ' "$file")
    done < <(git ls-files "$folder/*.cpp" "$folder/*.h")
done

# insert/ hands its results on as values: no header of it declares a variable that others may
# change (constants are declared const, pointers to them const too), and no file of it defines one
# outside a function without static or const.
while IFS= read -r hit; do
    complain "${hit%%:*} exports a variable others may change: ${hit#*:}"
done < <({
    git ls-files 'insert/*.h' | xargs grep -HE '^\s*(extern|inline) ' |
        grep -vE '^[^:]*:\s*(extern|inline) (const|constexpr) [^*]*$|^[^:]*:\s*extern const .*\* ?const |^[^:]*:\s*inline [^=]*\('
    git ls-files 'insert/*.cpp' | grep -v '_test\.cpp$' |
        xargs grep -HE '^[A-Za-z_][A-Za-z0-9_:<>, *&]*[ *&][a-z_][a-z0-9_]*(\[[^]]*\])*( *=.*)?;$' |
        grep -vE '^[^:]*:(static|const|constexpr|using|typedef|namespace|extern const|return) '
})

# The bytes addNextpics writes into a page are spelled out in one header, which the rewriter, the
# restorer, the tests for a prepared page and the file-set check all read; no other product file
# repeats them in its code (tests may, and comments may quote them).
insertion_bytes='Nextpics insert|preloadImage|nextImg|document\.preload|language=\\"Javascript|code=\\"nextpics|NEXTPICS\.CLASS|"NEX"|name=\\"(preload|next)|</applet|xtpics insert|"onLoad"|"<SCRIPT|"</script>"|"pt>"|width=0 height=0'
while IFS= read -r hit; do
    complain "${hit%%:*} repeats bytes of the insertion, which scan/insertion_format.h defines: ${hit#*:}"
done < <(git ls-files '*.cpp' '*.h' | grep -vE '_test\.cpp$|^tests/|^bench/|^scan/insertion_format\.h$' |
    xargs grep -HnE "$insertion_bytes" | grep -vE '^[^:]*:[0-9]+:\s*//')

# The streams' inside: every tracked file that includes it must be one of their own.
streams_internal=textio/streams_internal.h
streams_files=" textio/stream_reader.cpp textio/kept_page.cpp textio/stream_writer.cpp "
while IFS= read -r file; do
    [[ $streams_files == *" $file "* ]] ||
        complain "$file includes $streams_internal: only the streams' own files do"
done < <(git grep -l -E "^\s*#\s*include\s*[\"<]([^\">]*/)?streams_internal\.h[\">]" -- '*.cpp' '*.h')

if [ "$broken" -gt 0 ]; then
    echo "layers: $broken line(s) break the layering"
    exit 1
fi
echo "layers: every include keeps to the layering"
