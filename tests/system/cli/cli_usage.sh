#!/bin/bash
# vorn as a new user meets it: --help in the usual shape and its defaults
# the ones vorn uses, --version, the nearest option suggested, messages
# that name the real problem and the fix, -o making its folder, --scale,
# a drawn seed reported and made again, colours as people write them,
# Ctrl-C acknowledged at once with a percentage while building, and the
# holes around a run closed: other ending signals, a file-size limit,
# closed standard streams, no thread to be had, a run writing what it
# reads, a read-only OUTPUT for root too, control characters in names.
set -u
source "$VORN_SOURCE_DIR/tests/system/lib/checks.sh"
need_tool vorn vorn "${VORN_NATIVE_DIR:-}"
need_tool labcheck labcheck "${VORN_RELEASE_DIR:-}" "${VORN_NATIVE_DIR:-}"
# Long runs (Ctrl-C while building) and runs in a small address space
# (where the sanitizers cannot start) use the optimised build when there
# is one. A script's background jobs ignore SIGINT and SIGQUIT, which vorn
# then leaves ignored: they are started with the default dispositions.
need_tool fast vorn "${VORN_RELEASE_DIR:-}" "${VORN_NATIVE_DIR:-}"
need_commands convert compare exiftool script
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
convert -size 400x300 -seed 3 plasma:fractal -depth 8 in.png
cp in.png a.png
cp in.png b.png

# --- help and version ------------------------------------------------------
"$vorn" --help > help.txt 2> err.txt
status=$?
lines=$(wc -l < help.txt)
wide=$(awk 'length > 80' help.txt | wc -l)
if [ $status -eq 0 ] && [ ! -s err.txt ] && [ "$lines" -lt 60 ] && [ "$wide" -eq 0 ] &&
    head -1 help.txt | grep -q '^Usage: vorn ' && grep -q '^Examples:' help.txt &&
    grep -q 'corridor width in pixels' help.txt; then
    pass "--help: $lines lines within 80 columns, usage first, examples"
else
    fail "--help: exit $status, $lines lines, $wide wider than 80: $(head -2 err.txt)"
fi
# Only vorn's own options: those of the Win32 host are not offered.
if grep -qE -- '--(plugin|list|about|dialog)\b' help.txt; then
    fail "--help offers options only vornhost has: $(grep -oE -- '--(plugin|list|about|dialog)\b' help.txt | tr '\n' ' ')"
else
    pass "--help offers no option vorn does not have"
fi
# Every option the help names is one vorn takes.
for option in $(grep -oE -- '--[a-z][a-z-]+' help.txt | sort -u); do
    "$vorn" "$option" > /dev/null 2> err.txt
    if grep -q 'unknown option' err.txt; then fail "--help names $option, which vorn refuses"; fi
done
pass "every option --help names is known to vorn"
# default_is WHAT OPTION: the default --help prints for OPTION, handed over
# explicitly, gives the same file as leaving the option out.
default_is() {
    local what=$1 option=$2 output=$3 value
    value=$(grep -A1 -- "$option" help.txt | grep -oE "default $what[0-9]+" | grep -oE '[0-9]+$' | head -1)
    if [ -z "$value" ]; then
        fail "--help prints no default for $option"
        return
    fi
    "$vorn" --seed 5 in.png "without.$output" 2> err.txt &&
        "$vorn" --seed 5 "$option" "$value" in.png "with.$output" 2>> err.txt
    if cmp -s "without.$output" "with.$output"; then
        pass "the default --help prints for $option ($value) is the one vorn uses"
    else
        fail "$option $value differs from the default: $(head -2 err.txt)"
    fi
}
default_is "" --amount png
default_is "" --quality jpg
default_is "" --compression png
default_is "" --scale png
"$vorn" --version > version.txt
grep -qE '^vorn [0-9]+\.[0-9]+\.[0-9]+$' <(head -1 version.txt) &&
    pass "--version: $(head -1 version.txt)" || fail "--version: $(head -2 version.txt)"

# --- messages that say what to do --------------------------------------------
expect_error "three names" c.png a.png b.png c.png
mkdir existing
expect_error "a folder as OUTPUT" existing a.png existing
expect_error "--amount -1" o.png --amount -1 a.png o.png
expect_error "--amout" o.png --amout 3 a.png o.png
expect_error "--scale 0" o.png --scale 0 a.png o.png
expect_error "--fg with no colour" o.png --fg '#12345' a.png o.png
convert -size 20x20 xc:red -colorspace cmyk cmyk.tif
expect_error "a CMYK TIFF" o.png cmyk.tif o.png
printf 'just text\n' > notes.png
expect_error "a text file named .png" o.png notes.png o.png
expect_error "-o under a missing folder" "missing/deeper" a.png -o missing/deeper
# A text file in a batch: named as what it is, the others still written.
"$vorn" --seed 1 a.png notes.png -o batch > /dev/null 2> err.txt
status=$?
if [ $status -eq 1 ] && [ -s batch/a.png ] && [ ! -e batch/notes.png ] &&
    grep -q '^vorn: error: notes.png is not an image vorn can read$' err.txt; then
    pass "a text file in a batch is named as no image; the folder was made"
else
    fail "a text file in a batch: exit $status: $(cat err.txt)"
fi

# --- no file the run reads is the file it writes ---------------------------
convert -size 400x300 xc:black +antialias -fill white -draw 'circle 200,150 200,50' -depth 8 mask.png
cp mask.png mask-before.png
expect_error "OUTPUT is the mask" mask.png --mask mask.png a.png mask.png
cmp -s mask.png mask-before.png && pass "the mask was left as it was" || fail "the mask was changed"
mkdir -p masked && cp mask.png masked/a.png && cp mask.png masked-before.png
"$vorn" --mask masked/a.png a.png b.png -o masked > /dev/null 2> err.txt
if cmp -s masked/a.png masked-before.png && [ -s masked/b.png ] &&
    grep -q 'masked/a.png is the --mask file' err.txt; then
    pass "in a batch, the output that is the mask is refused and the mask kept"
else
    fail "a batch writing over its mask: $(cat err.txt)"
fi
cp in.png self.png
"$vorn" - self.png < self.png > /dev/null 2> err.txt
status=$?
if [ $status -ne 0 ] && cmp -s self.png in.png && [ "$(wc -l < err.txt)" -eq 1 ] &&
    grep -q 'is the input file (standard input)' err.txt; then
    pass "vorn - F < F refused, F kept"
else
    fail "vorn - F < F: exit $status, $(cat err.txt)"
fi
# Read-only OUTPUT: refused for every user, root included.
cp in.png locked.png && chmod 444 locked.png
expect_error "a read-only OUTPUT" locked.png a.png locked.png
cmp -s locked.png in.png && pass "the read-only OUTPUT was left as it was" || fail "the read-only OUTPUT was replaced"

# --- control characters stay on one line -----------------------------------
for name in $'new\nline.png' $'tab\tand\rreturn.png' $'esc\033[31mred.png'; do
    "$vorn" "$name" o.png > /dev/null 2> err.txt
    if [ "$(wc -l < err.txt)" -eq 1 ] && ! grep -q $'\r\|\033\|\t' err.txt; then
        pass "a name with control characters: $(cat err.txt)"
    else
        fail "a name with control characters split or carried the line: $(od -c err.txt | head -3)"
    fi
done
"$vorn" --fg $'re\nd' a.png o.png > /dev/null 2> err.txt
[ "$(wc -l < err.txt)" -eq 1 ] && pass "an option value with a line break: $(cat err.txt)" ||
    fail "an option value with a line break split the line"
"$vorn" a.png o.png $'extra\nname' > /dev/null 2> err.txt
[ "$(wc -l < err.txt)" -eq 1 ] && pass "an unexpected argument with a line break: $(cat err.txt)" ||
    fail "an unexpected argument with a line break split the line"

# --- --scale -------------------------------------------------------------------
"$vorn" --seed 9 a.png plain.png && "$vorn" --seed 9 --scale 1 a.png scale1.png
cmp -s plain.png scale1.png && pass "--scale 1 gives exactly the file without it" ||
    fail "--scale 1 differs from no --scale"
# --scale 4 is the labyrinth of an image 4 times smaller, its cells made
# 4 x 4 pixels.
convert a.png -sample 25% small.png
"$vorn" --seed 9 --amount 3 small.png small-out.png &&
    "$vorn" --seed 9 --amount 3 --scale 4 a.png scale4.png &&
    convert small-out.png -sample 400% enlarged.png
if [ "$(compare -metric AE enlarged.png scale4.png null: 2>&1)" = "0" ]; then
    pass "--scale 4: the labyrinth of the image 4 times smaller, cells of 4 x 4 pixels"
else
    fail "--scale 4 is not the smaller image's labyrinth enlarged ($(compare -metric AE enlarged.png scale4.png null: 2>&1) pixels differ)"
fi
convert -size 403x301 xc:gray odd.png
"$vorn" --seed 2 --scale 4 odd.png odd-out.png 2> err.txt &&
    [ "$(identify -format %wx%h odd-out.png)" = "403x301" ] &&
    pass "--scale 4 on sides that are no multiple of 4 keeps the size" ||
    fail "--scale 4 on 403x301: $(cat err.txt)"
"$vorn" --seed 2 --scale 3 --mask mask.png a.png scale-masked.png 2> err.txt
if same_outside scale-masked.png a.png mask.png && ! cmp -s a.png scale-masked.png; then
    pass "--scale 3 with a mask: nothing outside the selection changes"
else
    fail "--scale 3 with a mask changed what lies outside it: $(cat err.txt)"
fi

# --- a drawn seed is reported and makes the file again ------------------------
"$vorn" --verbose a.png drawn.png 2> err.txt
seed=$(grep -oE 'seed [0-9]+' err.txt | grep -oE '[0-9]+' | head -1)
if [ -n "$seed" ] && "$vorn" --seed "$seed" a.png again.png && cmp -s drawn.png again.png; then
    pass "a drawn seed ($seed) is reported with --verbose, and --seed $seed makes the same file"
else
    fail "drawn seed: $(cat err.txt)"
fi
description=$(exiftool -s3 -Description drawn.png)
echo "$description" | grep -q "seed $seed" && pass "the seed is in the file: $description" ||
    fail "the file does not record its seed: '$description'"
# On a terminal, the seed is reported without --verbose; in a pipe it is not.
script -qec "'$vorn' a.png tty.png" /dev/null > tty.txt 2>&1
grep -qE 'seed [0-9]+' tty.txt && pass "on a terminal the drawn seed is reported: $(tr -d '\r' < tty.txt | tail -1)" ||
    fail "on a terminal the drawn seed was not reported: $(cat tty.txt)"
"$vorn" a.png quiet.png 2> err.txt
[ ! -s err.txt ] && pass "off a terminal, without --verbose, a run says nothing" ||
    fail "a quiet run said: $(cat err.txt)"

# --- colours as people write them ------------------------------------------------
# colours FG BG EXPECTED: the output holds exactly the two colours.
colours() {
    local expected=$3 got
    "$vorn" --seed 1 --fg "$1" --bg "$2" a.png colours.png 2> err.txt
    got=$(convert colours.png -unique-colors -depth 8 txt:- | grep -oE '#[0-9A-F]{6}' | sort | tr '\n' ' ')
    if [ "$got" = "$expected" ]; then
        pass "--fg '$1' --bg '$2': $got"
    else
        fail "--fg '$1' --bg '$2': $got (expected $expected) $(head -1 err.txt)"
    fi
}
colours navy '#234' '#000080 #223344 '
colours 'rgb(10,20,30)' 'rebeccapurple' '#0A141E #663399 '
colours '#ff00ff' 'LightGoldenrodYellow' '#FAFAD2 #FF00FF '
colours '#ffff00000000' 'rgb( 0 , 128 , 255 )' '#0080FF #FF0000 '

# --- Ctrl-C while building, with a percentage --------------------------------
"$labcheck" make 8000 6000 1 8 big.png > /dev/null
# start_big: the long run in the background, standard error in big.txt,
# once the labyrinth is being built (up to 20 s).
start_big() {
    rm -f big-out.png big.txt
    env --default-signal=INT,QUIT "$fast" --progress --amount 1 --seed 3 big.png big-out.png 2> big.txt &
    big=$!
    for _ in $(seq 200); do
        tr '\r' '\n' < big.txt 2> /dev/null | grep -q 'building' && return 0
        sleep 0.1
    done
    return 1
}
if start_big; then
    sleep 0.5
    kill -INT $big
    start=$(date +%s%N)
    while ! grep -q 'press Ctrl-C again to stop at once' big.txt && [ $((($(date +%s%N) - start) / 1000000)) -lt 2000 ]; do
        sleep 0.02
    done
    acknowledged=$((($(date +%s%N) - start) / 1000000))
    wait $big
    status=$?
    if [ $acknowledged -lt 500 ] && [ $status -eq 130 ] && [ ! -e big-out.png ] && no_temporaries .; then
        pass "Ctrl-C while building: acknowledged in $acknowledged ms, exit 130, nothing written: $(grep 'press Ctrl-C again to stop at once' big.txt | tr -d '\r')"
    else
        fail "Ctrl-C while building: acknowledged after $acknowledged ms, exit $status: $(tr '\r' '\n' < big.txt | tail -3)"
    fi
    percent=$(tr '\r' '\n' < big.txt | grep -oE 'building the labyrinth.* [0-9]+%' | tail -1)
    [ -n "$percent" ] && pass "the building phase shows a percentage: $percent" ||
        fail "no percentage while building: $(tr '\r' '\n' < big.txt | grep building | tail -2)"
else
    fail "the long run never reached the building phase: $(tr '\r' '\n' < big.txt | tail -2)"
    kill $big 2> /dev/null
    wait $big 2> /dev/null
fi
if start_big; then
    kill -INT $big
    sleep 0.2
    start=$(date +%s%N)
    kill -INT $big
    wait $big
    status=$?
    elapsed=$((($(date +%s%N) - start) / 1000000))
    [ $elapsed -lt 1000 ] && [ ! -e big-out.png ] && no_temporaries . &&
        pass "a second Ctrl-C ends the run at once ($elapsed ms, exit $status), nothing left" ||
        fail "a second Ctrl-C: $elapsed ms, exit $status"
else
    fail "the long run never reached the building phase"
    kill $big 2> /dev/null
    wait $big 2> /dev/null
fi

# --- other signals, a file-size limit --------------------------------------------
# Each signal whose default ends a process ends the run with nothing left:
# no output and no temporary, whatever phase it comes in.
for signal in HUP QUIT USR1 USR2 ALRM TERM; do
    env --default-signal=INT,QUIT "$fast" --amount 10 --seed 1 big.png sig-out.png 2> /dev/null &
    pid=$!
    for _ in $(seq 100); do
        compgen -G ".vorn-*" > /dev/null && break
        sleep 0.02
    done
    kill -"$signal" $pid
    wait $pid
    status=$?
    if [ $status -ne 0 ] && [ ! -e sig-out.png ] && no_temporaries .; then
        pass "SIG$signal while writing: exit $status, no output, no temporary"
    else
        fail "SIG$signal: exit $status, left $(ls -a | grep -E 'sig-out|\.vorn-' | tr '\n' ' ')"
    fi
    rm -f sig-out.png .vorn-*
done
(
    ulimit -f 200
    exec "$vorn" --amount 10 --compression 0 big.png limited.png
) > /dev/null 2> err.txt
status=$?
if [ $status -eq 1 ] && [ "$(wc -l < err.txt)" -eq 1 ] && [ ! -e limited.png ] && no_temporaries .; then
    pass "a file-size limit: $(cat err.txt)"
else
    fail "a file-size limit: exit $status, $(head -2 err.txt), left $(ls -a | grep -E 'limited|\.vorn-' | tr '\n' ' ')"
fi

# --- closed standard streams, no thread to be had --------------------------------
"$vorn" --seed 4 a.png reference.png
"$fast" --seed 4 a.png fast-reference.png
"$vorn" --progress --verbose --seed 4 a.png no-stderr.png 2>&-
cmp -s no-stderr.png reference.png && pass "with standard error closed, the output holds the image only" ||
    fail "with standard error closed, the output differs from the reference"
"$vorn" --seed 4 a.png no-stdout.png >&- 2> /dev/null
cmp -s no-stdout.png reference.png && pass "with standard output closed, the output holds the image only" ||
    fail "with standard output closed, the output differs"
"$vorn" --seed 4 a.png - >&- 2> err.txt
status=$?
if [ $status -eq 1 ] && [ "$(wc -l < err.txt)" -eq 1 ] &&
    grep -q '^vorn: error: standard output is closed, so - cannot be the OUTPUT' err.txt; then
    pass "- as OUTPUT with standard output closed: $(cat err.txt)"
else
    fail "- as OUTPUT with standard output closed: exit $status, $(cat err.txt)"
fi
expect_error "- as INPUT with standard input closed" o.png - o.png <&-
# A thread stack larger than the address space allows: no thread can start.
(
    ulimit -s 4000000
    ulimit -v 3000000
    exec "$fast" --progress --seed 4 a.png nothread.png
) > /dev/null 2> err.txt
status=$?
if [ $status -eq 0 ] && cmp -s nothread.png fast-reference.png; then
    pass "no thread to be had: the run goes on without the ticker"
elif [ $status -eq 1 ] && [ "$(grep -c 'error' err.txt)" -eq 1 ] && ! grep -q 'terminate' err.txt; then
    pass "no thread to be had: one line, $(grep error err.txt)"
else
    fail "no thread to be had: exit $status, $(head -3 err.txt)"
fi

finish_checks
