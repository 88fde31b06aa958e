#!/bin/bash
# The Win32 host vornhost.exe under Wine with the real Vorn.8bf: it finds
# the filter through its property list, refuses files that are no filter,
# and draws the same kind of labyrinths as the native host, repeatably
# for a seed (the seed reaches the plug-in through the shared msvcrt).
source "$VORN_SOURCE_DIR/tests/system/lib/wine.sh"
host="$VORN_CROSS_DIR/$VORN_HOST_EXE"
labcheck="${VORN_RELEASE_DIR:-$VORN_NATIVE_DIR}/labcheck"
if [ ! -f "$host" ]; then
    echo "no $VORN_HOST_EXE in the cross build: skipped"
    exit 77
fi
if [ ! -x "$labcheck" ]; then
    echo "no native labcheck to read the results: skipped"
    exit 77
fi
samples="$VORN_SOURCE_DIR/samples"
work=$(mktemp -d)
at_exit "rm -rf '$work'"
cd "$work" || exit 1

source "$VORN_SOURCE_DIR/tests/system/lib/checks.sh"

host_run() { run_wine 120 "$host" "$@"; }

# expect_error WHAT OUTPUT ARGS...: as in lib/checks.sh, for vornhost under
# Wine, with the texts of cli_wine.messages.
expect_error() {
    local what=$1 output=$2
    shift 2
    expected_error "$what" || { fail "$what: no expected message"; return 0; }
    local text=$expected_text
    host_run "$@" > stdout.txt 2> stderr.txt
    local status=$?
    if [ $status -eq 0 ]; then
        fail "$what: exit 0"
    elif [ -n "$expected_status" ] && [ $status -ne "$expected_status" ]; then
        fail "$what: exit $status, expected $expected_status: $(cat stderr.txt)"
    elif [ "$(grep -c '^vornhost: error:' stderr.txt)" -ne 1 ] ||
        ! grep -q "^vornhost: error: .*$text" stderr.txt; then
        fail "$what: expected one error line with '$text', got: $(cat stderr.txt)"
    elif [ -n "$output" ] && { [ -e "$output" ] || compgen -G "$(dirname "$output")/.vorn-*" > /dev/null; }; then
        fail "$what: $output (or a temporary) was left behind"
    else
        pass "$what (exit $status): $(grep '^vornhost:' stderr.txt)"
    fi
}

cp "$samples/sample.png" "$samples/disc-mask.png" .

# --- the program's version, as the release names it -------------------------
version=$(sed -n 's/^project(Vorn VERSION \([0-9][0-9.]*\) .*/\1/p' "$VORN_SOURCE_DIR/CMakeLists.txt")
host_run --version > version.txt 2>&1
if [ "$(head -1 version.txt | tr -d '\r')" = "vornhost $version" ]; then
    pass "--version: vornhost $version"
else
    fail "--version: expected 'vornhost $version', got: $(head -3 version.txt)"
fi

# --- the filter by its property list ---------------------------------------
host_run --list "$VORN_CROSS_DIR/$VORN_PLUGIN" > list.txt 2>&1
if grep -q "category: *BramixPlug" list.txt && grep -q "name: *Vorn\.\.\." list.txt &&
    grep -q "kind: *8BFM (filter)" list.txt && grep -q "interface: *4.0" list.txt &&
    grep -q "entry $([ "$VORN_ARCH" = x64 ] && echo 8664 || echo wx86): *PluginMain" list.txt &&
    grep -q "modes: *Grayscale, RGB, 16-bit Grayscale, 48-bit RGB" list.txt; then
    pass "--list: $(tr '\n' ' ' < list.txt)"
else
    fail "--list: $(cat list.txt)"
fi

# --- labyrinths --------------------------------------------------------------
host_run --seed 1 sample.png plain.png
check_labyrinth "whole image" sample.png plain.png 10 black white
host_run --seed 1 sample.png plain-again.png
if "$labcheck" same plain.png plain-again.png; then pass "same seed, same labyrinth in a second run"; else fail "same seed gave another labyrinth"; fi
host_run --seed 2 sample.png seed2.png
if "$labcheck" same plain.png seed2.png; then fail "another seed gave the same labyrinth"; else pass "another seed, another labyrinth"; fi
host_run --seed 5 --amount 4 --fg yellow --bg '#202080' --mask disc-mask.png sample.png disc.png
check_labyrinth "disc selection, own colours" sample.png disc.png 4 yellow '#202080' disc-mask.png
for kind in "2 8" "4 16" "1 16"; do
    set -- $kind
    "$labcheck" make 120 77 "$1" "$2" "in-$1-$2.png"
    "$labcheck" disc 120 77 kind-mask.png
    host_run --seed 9 --amount 5 --mask kind-mask.png "in-$1-$2.png" "out-$1-$2.png"
    [ "$("$labcheck" info "out-$1-$2.png")" = "120 77 $1 $2" ] || fail "$1/$2 came back in another kind"
    check_labyrinth "$1 channels at $2 bits with a selection" "in-$1-$2.png" "out-$1-$2.png" 5 \
        black white kind-mask.png
done
host_run --seed 1 --plugin "$VORN_CROSS_DIR/$VORN_PLUGIN" sample.png named.png
if "$labcheck" same plain.png named.png; then pass "--plugin loads the named file"; else fail "--plugin"; fi

# --- its own help ---------------------------------------------------------
host_run --help > help.txt 2>&1
tr -d '\r' < help.txt > help-lf.txt
lines=$(wc -l < help-lf.txt)
if head -1 help-lf.txt | grep -q '^Usage: vornhost ' && [ "$lines" -lt 60 ] &&
    [ "$(awk 'length > 80' help-lf.txt | wc -l)" -eq 0 ] &&
    grep -q -- '--plugin PATH' help-lf.txt && grep -q -- '--list PLUGIN' help-lf.txt &&
    grep -q "$VORN_PLUGIN" help-lf.txt && grep -q 'TIFF, BMP or GIF' help-lf.txt &&
    ! grep -q 'webp' help-lf.txt; then
    pass "--help: vornhost's own text ($lines lines), naming $VORN_PLUGIN"
else
    fail "--help: $(head -3 help-lf.txt)"
fi
expect_error "--plugin that does not exist" o0.png --plugin absent.8bf sample.png o0.png

# --- files that are no filter, and errors ---------------------------------
cp "$host" not-a-filter.8bf
expect_error "a program renamed .8bf" \
    o1.png --plugin not-a-filter.8bf sample.png o1.png
expect_error "--list of a program" "" --list not-a-filter.8bf
printf 'not a library\n' > text.8bf
expect_error "a text file renamed .8bf" \
    o2.png --plugin text.8bf sample.png o2.png
mkdir lonely
cp "$host" lonely/
(cd lonely && run_wine 120 "./$VORN_HOST_EXE" ../sample.png ../o3.png) > /dev/null 2> lonely.txt
if grep -q "^vornhost: error: no plug-in .*$VORN_PLUGIN.*: put it beside this program, or name one with --plugin PATH" lonely.txt &&
    [ ! -e o3.png ]; then
    pass "no plug-in beside the program: $(cat lonely.txt)"
else
    fail "no plug-in beside the program: $(cat lonely.txt)"
fi
head -c 300 sample.png > truncated.png
expect_error "truncated PNG" o4.png truncated.png o4.png
expect_error "refused Amount" o5.png \
    --amount -2 sample.png o5.png
expect_error "unwritable output" no/such/o6.png sample.png no/such/o6.png
expect_error "output is the input" "" sample.png sample.png
cmp -s sample.png "$samples/sample.png" && pass "the input was left as it was" || fail "the input was changed"

# --- endpoints, seeds and several files ----------------------------------
host_run --seed 1 - - < sample.png > streamed.png 2> stderr.txt
cmp -s streamed.png plain.png && pass "- in and - out: the same image as with file names" ||
    fail "- -: $(cat stderr.txt)"
host_run --seed 1 sample.png NUL 2> stderr.txt
status=$?
[ $status -eq 0 ] && [ ! -e NUL ] && ! compgen -G ".vorn-*" > /dev/null &&
    pass "NUL as OUTPUT is written into as a device" || fail "NUL: exit $status, $(cat stderr.txt)"
host_run --seed 0 sample.png seed0.png
if "$labcheck" same seed0.png plain.png; then fail "--seed 0 and --seed 1 gave the same labyrinth"
else pass "--seed 0 and --seed 1 differ"; fi
mkdir batch out
cp sample.png batch/a.png
cp sample.png batch/c.png
printf 'not an image\n' > batch/b.png
host_run --seed 1 batch/a.png batch/b.png batch/c.png -o out 2> several.txt
status=$?
host_run --seed 3 sample.png seed3.png
if [ $status -eq 1 ] && "$labcheck" same out/a.png plain.png && "$labcheck" same out/c.png seed3.png &&
    [ ! -e out/b.png ] && grep -q "^vornhost: error: batch/b.png is not an image vornhost can read" several.txt &&
    grep -q "^vornhost: 2 of 3 files written, 1 failed: batch/b.png" several.txt; then
    pass "several files: the others written with seeds N and N+2, exit 1, a summary"
else
    fail "several files: exit $status, $(ls out), $(cat several.txt)"
fi

# --- Ctrl-C during a long generation --------------------------------------
# Wine turns SIGINT into the console's Ctrl-C event. timeout runs in the
# foreground so that each signal reaches the host once, and the host is
# started by the architecture's loader itself (Debian's wine script would
# run a 64-bit host from a start.exe of its own, which is what a signal
# would reach).
loader=$VORN_WINE
"$labcheck" make 6000 6000 3 8 large.png
# ctrl_c_run COUNT: Ctrl-C COUNT times once the labyrinth is being built;
# sets status and seconds (from the last one to the end).
ctrl_c_run() {
    rm -f long.png progress.txt
    timeout --foreground 120 "$loader" "$host" --amount 1 --progress large.png long.png \
        2> progress.txt &
    local pid=$! tries=600
    until grep -q "building the labyrinth" progress.txt 2> /dev/null || [ $tries -eq 0 ]; do
        sleep 0.1
        tries=$((tries - 1))
    done
    sleep 0.3
    kill -INT $pid
    if [ "$1" -eq 2 ]; then
        sleep 0.3
        kill -INT $pid
    fi
    local start
    start=$(date +%s.%N)
    wait $pid
    status=$?
    seconds=$(echo "$(date +%s.%N) - $start" | bc)
}
ctrl_c_run 2
if [ $status -eq 130 ] && [ "$(echo "$seconds < 1.5" | bc)" -eq 1 ] &&
    ! tr '\r' '\n' < progress.txt | grep -q painting && [ ! -e long.png ] &&
    ! compgen -G ".vorn-*" > /dev/null; then
    pass "a second Ctrl-C ends the generation at once (${seconds}s), nothing left"
else
    fail "second Ctrl-C: exit $status, ${seconds}s, $(tr '\r' '\n' < progress.txt | tail -2)"
fi
ctrl_c_run 1
if [ $status -eq 130 ] && grep -q "interrupted; long.png was not written" progress.txt &&
    [ ! -e long.png ] && ! compgen -G ".vorn-*" > /dev/null; then
    pass "one Ctrl-C during the generation stops the run at the next point it can"
else
    fail "one Ctrl-C: exit $status, $(tr '\r' '\n' < progress.txt | tail -2)"
fi

# --- each host refuses the other architecture's plug-in ----------------------
if [ "$VORN_ARCH" = x64 ]; then
    other_arch=x86
    other_host="${VORN_WIN32_DIR:-}/vornhost.exe"
    refusal="names no entry point for 32-bit hosts ('wx86')"
else
    other_arch=x64
    other_host="${VORN_WIN64_DIR:-}/vornhost64.exe"
    refusal="names no entry point for 64-bit hosts ('8664')"
fi
if [ -f "$other_host" ]; then
    run_wine 120 "$host" --plugin "$other_host" sample.png o8.png 2> /dev/null
    [ ! -e o8.png ] && pass "a host program given as plug-in is refused" ||
        fail "a host program was taken for a plug-in"
fi
if [ -f "$other_host" ] && other_reason=$(wine_unavailable "$other_arch" "$VORN_CROSS_DIR"); then
    skip "the $other_arch host's refusal of $VORN_PLUGIN and the comparison of both" \
         "architectures' labyrinths: Wine cannot run $other_arch programs here: $other_reason"
elif [ -f "$other_host" ]; then
    other_wine=$(wine_loader "$other_arch")
    timeout 120 "$other_wine" "$other_host" --plugin "$VORN_CROSS_DIR/$VORN_PLUGIN" sample.png \
        o7.png 2> wrong.txt
    if grep -q "^vornhost: error: .*$refusal" wrong.txt && [ ! -e o7.png ]; then
        pass "the other architecture's host refuses $VORN_PLUGIN: $(cat wrong.txt)"
    else
        fail "other architecture's host with $VORN_PLUGIN: $(cat wrong.txt)"
    fi
    # Both builds draw from msvcrt's generator: the same seed and selection
    # give the same labyrinth from the 32-bit and the 64-bit plug-in.
    other_dir=$(dirname "$other_host")
    other_plugin="$other_dir/Vorn.8bf"
    [ "$VORN_ARCH" = x86 ] && other_plugin="$other_dir/Vorn64.8bf"
    timeout 120 "$other_wine" "$other_host" --plugin "$other_plugin" --seed 5 --amount 4 \
        --fg yellow --bg '#202080' --mask disc-mask.png sample.png disc-other.png
    if "$labcheck" same disc.png disc-other.png; then
        pass "the same seed gives the same labyrinth on both architectures"
    else
        fail "the 32-bit and 64-bit plug-ins differ for the same seed"
    fi
else
    echo "no cross build of the other architecture: its checks are skipped"
fi

# --- formats and a large image -------------------------------------------------
# vornhost reads PNG, JPEG, TIFF, BMP and GIF through the system's codecs
# and writes PNG, JPEG and TIFF: each read gives the labyrinth the PNG
# gives, lossless outputs hold the same pixels as the PNG output.
convert sample.png in.jpg && convert sample.png in.tif && convert sample.png in.bmp && convert sample.png in.gif
for input in in.jpg in.tif in.bmp in.gif; do
    host_run --seed 1 "$input" "from-$input.png" 2> read.txt
    check_labyrinth "$input read" sample.png "from-$input.png" 10 black white
done
for output in out.tif out.jpg; do
    host_run --seed 1 sample.png "$output" 2> write.txt
    format=$(identify -format %m "$output" 2> /dev/null)
    case $output in *.tif) want=TIFF ;; *) want=JPEG ;; esac
    if [ "$format" = "$want" ]; then pass "$output written as $format"
    else fail "$output: '$format', $(cat write.txt)"; fi
done
if [ "$(compare -metric AE out.tif plain.png null: 2>&1)" = 0 ]; then
    pass "the TIFF output holds the PNG output's pixels"
else
    fail "TIFF and PNG outputs differ: $(compare -metric AE out.tif plain.png null: 2>&1)"
fi
# 16-bit RGBA: the TIFF the system writes and the PNG (written on zlib)
# hold the same samples, and the TIFF reads back as it was written.
convert -size 120x77 xc:black -depth 8 nothing.png
host_run --seed 1 in-4-16.png deep.tif && host_run --seed 1 in-4-16.png deep.png &&
    host_run --mask nothing.png deep.tif deep-back.png 2> /dev/null
if [ "$(identify -format %z deep.tif 2> /dev/null)" = 16 ] &&
    [ "$(compare -metric AE deep.tif deep.png null: 2>&1)" = 0 ] &&
    [ "$(compare -metric AE deep-back.png deep.png null: 2>&1)" = 0 ]; then
    pass "16-bit RGBA: TIFF and PNG outputs hold the same samples, and the TIFF reads back"
else
    fail "16-bit RGBA TIFF: $(identify deep.tif 2>&1 | head -1)"
fi
host_run sample.png out.xyz 2> unknown.txt
grep -q "^vornhost: error: out.xyz: unknown output format" unknown.txt && [ ! -e out.xyz ] &&
    pass "unknown output format refused: $(cat unknown.txt)" || fail "unknown format: $(cat unknown.txt)"
head -c 3000 sample.png > cut.png
head -c 2000 in.jpg > cut.jpg
expect_error "a truncated PNG" o10.png cut.png o10.png
expect_error "a truncated JPEG" o11.png cut.jpg o11.png
# 10000 x 10000 RGB in an ordinary 32-bit process (2 GB of address space).
"$labcheck" make 10000 10000 3 8 large.png
start=$(date +%s)
host_run --seed 2 large.png large-out.png 2> large.txt
if [ -s large-out.png ] && report=$("$labcheck" check large.png large-out.png 10 black white); then
    pass "a 10000x10000 PNG filtered in $(($(date +%s) - start)) s: $report"
else
    fail "10000x10000 PNG: $(cat large.txt)"
fi
# The same image with a small selection whose bounding box is the whole
# image: a central disc covering a fifth of it plus the top-left and
# bottom-right pixels, so 80% of the pixels are unselected and seed the
# labyrinth. The plug-in's frontier list then holds 80 million entries.
"$labcheck" disc 10000 10000 large-mask.png 5000 5000 2523.1 corners
start=$(date +%s)
host_run --seed 2 --mask large-mask.png large.png large-disc.png 2> large-disc.txt
if [ -s large-disc.png ] &&
    report=$("$labcheck" check large.png large-disc.png 10 black white large-mask.png); then
    pass "a 10000x10000 PNG with 80% unselected filtered in $(($(date +%s) - start)) s: $report"
else
    fail "10000x10000 PNG with 80% unselected: $(cat large-disc.txt)"
fi
rm -f large.png large-out.png large-mask.png large-disc.png

finish_checks
