# Tallies for the end-to-end scripts: source it, call pass/fail/skip per
# check, and end the script with finish_checks (summary line, exit status).
passed=0
failed=0
skipped=0
pass() { echo "ok: $*"; passed=$((passed + 1)); }
fail() { echo "FAIL: $*"; failed=$((failed + 1)); }
skip() { echo "skipped: $*"; skipped=$((skipped + 1)); }

# need_tool VAR NAME DIR...: sets VAR to the first DIR/NAME that can run;
# when none can, the script ends as skipped (exit 77).
need_tool() {
    local var=$1 name=$2 dir
    shift 2
    for dir in "$@"; do
        if [ -n "$dir" ] && [ -x "$dir/$name" ]; then
            printf -v "$var" '%s' "$dir/$name"
            return 0
        fi
    done
    echo "no build of $name: skipped"
    exit 77
}

# no_temporaries DIR: no temporary of vorn's (.vorn-*) is left in DIR.
no_temporaries() { ! compgen -G "$1/.vorn-*" > /dev/null; }

# same_outside A B MASK: A and B are equal wherever MASK is black.
same_outside() {
    convert "$1" \( "$3" -negate \) -compose Multiply -composite -depth 8 a-out.png &&
        convert "$2" \( "$3" -negate \) -compose Multiply -composite -depth 8 b-out.png &&
        [ "$(compare -metric AE a-out.png b-out.png null: 2>&1)" = "0" ]
}

# need_commands COMMAND...: the script ends as skipped unless every
# COMMAND is installed.
need_commands() {
    local command
    for command in "$@"; do
        if ! command -v "$command" > /dev/null; then
            echo "$command is not installed: skipped"
            exit 77
        fi
    done
}

# check_labyrinth WHAT INPUT OUTPUT AMOUNT FG BG [MASK]: every pixel of
# OUTPUT checked by labcheck (the caller sets $labcheck).
check_labyrinth() {
    local what=$1
    shift
    local report
    if report=$("$labcheck" check "$@"); then pass "$what: $report"; else fail "$what: $report"; fi
}

# expected_error WHAT: looks WHAT up in the script's messages file (SCRIPT.messages
# beside it: case, exit status, pattern, tab-separated; a case with * matches any
# text there) and sets expected_status ("" for any failure status) and
# expected_text. A case that is not in the file is a fault of the test.
messages_file="${messages_file:-${0%.sh}.messages}"
expected_error() {
    local what=$1 key status text found=0
    while IFS=$'\t' read -r key status text; do
        [[ -z "$key" || "$key" == \#* ]] && continue
        # shellcheck disable=SC2053
        if [[ "$what" == $key ]]; then
            found=1
            break
        fi
    done < "$messages_file"
    if [ $found -eq 0 ]; then
        echo "no expected message for '$what' in $messages_file" >&2
        return 1
    fi
    expected_status=$status
    [ "$expected_status" = "?" ] && expected_status=""
    expected_text=$text
}

# expect_error WHAT OUTPUT ARGS...: runs "$vorn" ARGS (behind the command
# in the array runner, when the script sets one) and expects one line on
# stderr beginning with "vorn: error:" and holding the text the messages
# file gives for WHAT, its exit status (or any from 1 to 127 where it gives
# none; never a signal), an existing OUTPUT left as it was, no new OUTPUT
# and no temporary file beside it.
expect_error() {
    local what=$1 output=$2
    shift 2
    expected_error "$what" || { fail "$what: no expected message"; return 0; }
    local text=$expected_text
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
    elif [ -n "$expected_status" ] && [ $status -ne "$expected_status" ]; then
        fail "$what: exit $status, expected $expected_status: $(head -5 stderr.txt)"
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

# refused OUTPUT PATTERN ARGS...: runs "$vorn" ARGS and answers whether it
# failed as it should: an exit status from 1 to 127, one line on stderr
# (matching the grep PATTERN unless that is empty) and no OUTPUT. Leaves
# the line in stderr.txt and the status in $refused_status; an OUTPUT made
# all the same is removed.
refused_status=0
refused() {
    local output=$1 pattern=$2
    shift 2
    "$vorn" "$@" > /dev/null 2> stderr.txt
    refused_status=$?
    if [ $refused_status -eq 0 ] || [ $refused_status -ge 128 ] || [ "$(wc -l < stderr.txt)" -ne 1 ] ||
        { [ -n "$pattern" ] && ! grep -q "$pattern" stderr.txt; } || [ -e "$output" ]; then
        rm -f "$output"
        return 1
    fi
}

# refuses_each WHAT MAKE INPUT OUTPUT PATTERN CASE...: for each CASE the
# command MAKE (split into words) is run with CASE appended and writes
# INPUT, which must be refused as by refused. One pass for all the cases,
# one fail per case that is not refused.
refuses_each() {
    local what=$1 make=$2 input=$3 output=$4 pattern=$5 case bad=0
    shift 5
    for case in "$@"; do
        $make "$case"
        if ! refused "$output" "$pattern" "$input" "$output"; then
            fail "$what: $case: exit $refused_status, $(head -3 stderr.txt)"
            bad=1
        fi
    done
    [ $bad -eq 0 ] && pass "$what ($# cases): one line each, no output ($(cat stderr.txt))"
    return 0
}

# cut_file FILE TO LENGTH: the first LENGTH bytes of FILE, written to TO.
cut_file() { head -c "$3" "$1" > "$2"; }

# refuses_cuts WHAT FILE CUT OUTPUT PATTERN LENGTH...: FILE cut to each
# LENGTH (written to CUT) must be refused.
refuses_cuts() {
    local what=$1 file=$2 cut=$3
    shift 3
    refuses_each "$what" "cut_file $file $cut" "$cut" "$@"
}

finish_checks() {
    if [ $skipped -gt 0 ]; then
        echo "$passed passed, $failed failed, $skipped skipped"
    else
        echo "$passed passed, $failed failed"
    fi
    [ $failed -eq 0 ]
}
