#!/bin/bash
# Golden checksums under Wine: the pixels `vornhost.exe --seed 1` draws
# with the real plug-in and msvcrt's rand(), over the whole sample picture
# and inside the disc selection. The 32-bit and the 64-bit plug-in share
# the generator, so both must give these same values.
#
# When a change of output is intended, renew them with
#   wine vornhost.exe --seed 1 samples/sample.png a.png && identify -format '%#\n' a.png
#   wine vornhost.exe --seed 1 --mask samples/disc-mask.png samples/sample.png b.png && identify -format '%#\n' b.png
# and say in the commit why the labyrinth changed.
source "$VORN_SOURCE_DIR/tests/system/lib/wine.sh"
host="$VORN_CROSS_DIR/$VORN_HOST_EXE"
if [ ! -f "$host" ] || ! command -v identify > /dev/null; then
    echo "no $VORN_HOST_EXE or no ImageMagick: skipped"
    exit 77
fi
source "$VORN_SOURCE_DIR/tests/system/lib/checks.sh"
samples="$VORN_SOURCE_DIR/samples"
work=$(mktemp -d)
at_exit "rm -rf '$work'"

expect_pixels() {
    local got
    got=$(identify -format '%#' "$2" 2> /dev/null)
    if [ "$got" = "$3" ]; then pass "$1: $got"; else fail "$1: pixels $got, expected $3"; fi
}

# run_host OUTPUT ARGS...: vornhost ARGS, its messages shown. A run that
# ends with no word from vornhost and no OUTPUT never got as far as the
# program (seen now and then as Wine starts while the previous test's
# wineserver shuts down): that one is said and tried once more.
run_host() {
    local output=$1 status
    shift
    run_wine 120 "$host" "$@" 2> "$work/stderr.txt"
    status=$?
    if [ ! -e "$output" ] && ! grep -q '^vornhost:' "$work/stderr.txt"; then
        echo "Wine ended with status $status before vornhost said anything; trying again once"
        head -5 "$work/stderr.txt"
        timeout 60 wineserver -w 2> /dev/null
        run_wine 120 "$host" "$@" 2> "$work/stderr.txt"
    fi
    cat "$work/stderr.txt"
}

run_host "$work/whole.png" --seed 1 "$samples/sample.png" "$work/whole.png"
expect_pixels "msvcrt, seed 1, whole image ($VORN_ARCH)" "$work/whole.png" \
    aae065ca069d3dabafbd4a70feeeb6207ff6ea9ab3332e3e5957ac1a39efa16a
run_host "$work/disc.png" --seed 1 --mask "$samples/disc-mask.png" "$samples/sample.png" "$work/disc.png"
expect_pixels "msvcrt, seed 1, disc selection ($VORN_ARCH)" "$work/disc.png" \
    d1630ca85fee6147bd9e2585d4fedd7719fd3645489ec58a7857979a2d39f29d
finish_checks
