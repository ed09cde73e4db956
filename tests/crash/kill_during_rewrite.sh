#!/usr/bin/env bash
# Crash safety: kills addNextpics and delNextpics (SIGKILL) at random moments while they work on
# three large pages, and checks after every kill that each page is whole: byte for byte as it was
# or as the finished run leaves it, or else cut, with a temporary copy beside it (addnex*.tmp,
# delnex*.tmp) that holds the page as it was. Then one more run of the same program must finish
# the job: every page as the finished run leaves it, and no temporary copy left.
# Usage: kill_during_rewrite.sh <folder with addNextpics and delNextpics> [trials]
# CRASH_TRIALS (default 80, half for each program), CRASH_PAGE_MB (default 40) and CRASH_SEED
# (default: random, printed) change the run. On a busy machine the trials stop after about
# CRASH_SECONDS (default 150) once 16 have run, so the test ends in its time whatever else runs.
# Ends with "crash safety: N passed, M failed".
set -u
bin=$(cd "$1" && pwd)
trials=${2:-${CRASH_TRIALS:-80}}
page_mb=${CRASH_PAGE_MB:-40}
seed=${CRASH_SEED:-$(( $(date +%s) % 32768 ))}
budget=${CRASH_SECONDS:-150}
RANDOM=$seed

# A memory file system keeps the many large copies quick; a kill works the same on any.
base=${TMPDIR:-/tmp}
if [ -d /dev/shm ] && [ "$(df -Pm /dev/shm | awk 'NR == 2 {print $4}')" -gt $((page_mb * 30)) ]; then
    base=/dev/shm
fi
work=$(mktemp -d "$base/nextpics_crash.XXXXXX")
trap 'rm -rf "$work"' EXIT
pages=(chapter1.html chapter2.html chapter3.html)
passed=0
failed=0

# page <title> <next page> <megabytes>: a long page with a link to its next page.
page() {
    printf '<html>\r\n<head><title>%s</title></head>\r\n\r\n<body bgcolor="white" text="black">\r\n' "$1"
    printf '<h1>%s</h1>\r\n<p><a href="%s">next</a></p>\r\n' "$1" "$2"
    yes $'<p>A line of a long chapter, with <b>markup</b>, an <img src="pic.gif" alt="x"> and <!-- notes -->.</p>\r' |
        head -c "$(($3 * 1024 * 1024))"
    printf '\r\n</body>\r\n</html>\r\n'
}

site=$work/site
mkdir -p "$work/original" "$work/prepared" "$work/restored"
for i in 1 2 3; do
    page "Chapter $i" "next$i.html" "$page_mb" >"$work/original/chapter$i.html"
    printf '<html><body><img src="a%d.gif"><img src="b%d.gif"><bgsound src="s%d.mid"></body></html>\r\n' \
        "$i" "$i" "$i" >"$work/original/next$i.html"
done

# reset <from>: the site holds the pages of <from> and nothing else.
reset() {
    rm -rf "$site"
    mkdir -p "$site"
    cp "$work/$1"/*.html "$site/"
}

# run <program>: the whole batch, without questions (standard input at its end).
run() { (cd "$site" && "$bin/$1" "${pages[@]}" </dev/null >/dev/null 2>&1); }

# The finished results, and how long each batch takes.
reset original
start=$(date +%s%N)
run addNextpics
add_ms=$((($(date +%s%N) - start) / 1000000))
cp "$site"/*.html "$work/prepared/"
start=$(date +%s%N)
run delNextpics
del_ms=$((($(date +%s%N) - start) / 1000000))
cp "$site"/*.html "$work/restored/"
for p in "${pages[@]}"; do
    if cmp -s "$work/original/$p" "$work/prepared/$p" || cmp -s "$work/prepared/$p" "$work/restored/$p"; then
        echo "crash safety: the batches without a kill did not change $p"
        echo "crash safety: 0 passed, 1 failed"
        exit 1
    fi
done
echo "pages of $page_mb MiB; addNextpics takes $add_ms ms, delNextpics $del_ms ms; seed $seed"

declare -A seen=()
# trial <program> <from> <to> <batch ms>: kills the program at a random moment, checks the pages.
trial() {
    local program=$1 from=$2 to=$3 ms=$4
    reset "$from"
    local delay=$((RANDOM * 32768 + RANDOM))
    delay=$((delay % (ms + 1)))
    (cd "$site" && exec "$bin/$program" "${pages[@]}" </dev/null >/dev/null 2>&1) &
    local pid=$!
    sleep "$(printf '%d.%03d' $((delay / 1000)) $((delay % 1000)))"
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    local ok=1 p
    for p in "${pages[@]}"; do
        if cmp -s "$work/$from/$p" "$site/$p"; then
            seen[as it was]=$((${seen[as it was]:-0} + 1))
        elif cmp -s "$work/$to/$p" "$site/$p"; then
            seen[finished]=$((${seen[finished]:-0} + 1))
        else
            local held=0 copy
            for copy in "$site"/addnex*.tmp "$site"/delnex*.tmp; do
                [ -f "$copy" ] && cmp -s "$work/$from/$p" "$copy" && held=1
            done
            if [ "$held" = 1 ]; then
                seen[cut, whole in a temporary copy]=$((${seen[cut, whole in a temporary copy]:-0} + 1))
            else
                ok=0
                echo "FAILED: $program killed after $delay ms: $p is cut and no temporary copy holds it"
                ls -l "$site"
            fi
        fi
    done
    # The next run puts a cut page back from its copy and treats it as it was asked to.
    run "$program"
    for p in "${pages[@]}"; do
        if ! cmp -s "$work/$to/$p" "$site/$p"; then
            ok=0
            echo "FAILED: $program killed after $delay ms: the next run left $p unfinished"
        fi
    done
    if compgen -G "$site/*.tmp" >/dev/null; then
        ok=0
        echo "FAILED: $program killed after $delay ms: the next run left a temporary copy"
        ls -l "$site"
    fi
    if [ "$ok" = 1 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
}

for ((t = 0; t < trials; ++t)); do
    if ((t >= 16 && SECONDS > budget)); then
        echo "crash safety: $t trials of $trials in ${SECONDS} s, the rest left out on this busy machine"
        break
    fi
    if ((t % 2 == 0)); then
        trial addNextpics original prepared "$add_ms"
    else
        trial delNextpics prepared restored "$del_ms"
    fi
done

for outcome in "as it was" "finished" "cut, whole in a temporary copy"; do
    echo "pages $outcome: ${seen[$outcome]:-0}"
done
echo "crash safety: $passed passed, $failed failed"
[ "$failed" = 0 ]
