# Tallies for the end-to-end scripts: source it, call pass/fail/skip per
# check, and end the script with finish_checks (summary line, exit status).
passed=0
failed=0
skipped=0
pass() { echo "ok: $*"; passed=$((passed + 1)); }
fail() { echo "FAIL: $*"; failed=$((failed + 1)); }
skip() { echo "skipped: $*"; skipped=$((skipped + 1)); }

# check_labyrinth WHAT INPUT OUTPUT AMOUNT FG BG [MASK]: every pixel of
# OUTPUT checked by labcheck (the caller sets $labcheck).
check_labyrinth() {
    local what=$1
    shift
    local report
    if report=$("$labcheck" check "$@"); then pass "$what: $report"; else fail "$what: $report"; fi
}

# expect_error WHAT TEXT OUTPUT ARGS...: runs "$vorn" ARGS (behind the
# command in the array runner, when the script sets one) and expects one
# line on stderr beginning with "vorn: error:" and holding TEXT, an exit
# status from 1 to 127 (not a signal), an existing OUTPUT left as it was,
# no new OUTPUT and no temporary file beside it.
expect_error() {
    local what=$1 text=$2 output=$3
    shift 3
    local before="" folder=0
    [ -d "$output" ] && folder=1
    if [ -f "$output" ]; then
        before="$work/before.$$"
        cp "$output" "$before"
    fi
    ${runner[@]+"${runner[@]}"} "$vorn" "$@" > stdout.txt 2> stderr.txt
    local status=$?
    local lines
    lines=$(wc -l < stderr.txt)
    if [ $status -eq 0 ]; then
        fail "$what: exit 0"
    elif [ $status -ge 128 ]; then
        fail "$what: killed by signal $((status - 128)): $(head -5 stderr.txt)"
    elif [ "$lines" -ne 1 ] || ! grep -q "^vorn: error: .*$text" stderr.txt; then
        fail "$what: expected one line with '$text', got: $(head -5 stderr.txt)"
    elif [ -n "$before" ] && ! cmp -s "$before" "$output"; then
        fail "$what: the existing $output was changed"
    elif [ -z "$before" ] && [ $folder -eq 0 ] && [ -e "$output" ]; then
        fail "$what: $output was left behind"
    elif compgen -G "$(dirname "$output")/.vorn-*" > /dev/null; then
        fail "$what: a temporary file was left behind"
    else
        pass "$what (exit $status): $(cat stderr.txt)"
    fi
    [ -n "$before" ] && rm -f "$before"
    return 0
}

finish_checks() {
    if [ $skipped -gt 0 ]; then
        echo "$passed passed, $failed failed, $skipped skipped"
    else
        echo "$passed passed, $failed failed"
    fi
    [ $failed -eq 0 ]
}
