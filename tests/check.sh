# Shared by the shell test scripts: counting checks and comparing texts. Source it, then call
# check for every case and finish with `finish_checks <name>`.
passed=0
failed=0

check() {  # check <description> <command...>: one case
    local what=$1
    shift
    if "$@"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAILED: $what"
    fi
}

same() {  # same <expected text> <actual text>
    [ "$1" = "$2" ] && return
    diff <(printf '%s\n' "$1") <(printf '%s\n' "$2") | head -20
    return 1
}

# run <program> <answers> <args...>: the program from $bin, run in $site with the answers piped to
# standard input; sets out (standard output), err (standard error, by way of $work/stderr) and rc.
run() {
    local program=$1 answers=$2
    shift 2
    out=$(cd "$site" && printf '%b' "$answers" | "$bin/$program" "$@" 2>"$work/stderr")
    rc=$?
    err=$(cat "$work/stderr")
}
