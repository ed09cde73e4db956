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
