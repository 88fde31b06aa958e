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

finish_checks() {
    if [ $skipped -gt 0 ]; then
        echo "$passed passed, $failed failed, $skipped skipped"
    else
        echo "$passed passed, $failed failed"
    fi
    [ $failed -eq 0 ]
}
