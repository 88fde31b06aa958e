#!/bin/bash
# The real plug-in under Wine in each of vornhost's host profiles
# (testhost/HostProfiles.cpp), for RGB, RGB with transparency, gray and a
# selection: the Photoshop-like profile gives the image the default run
# gives, byte for byte; colour-bytes (8-bit values in the 16-bit colour
# fields) gives the same image in the host's colours, white walls on black;
# the profiles that change no pixel give the same image too; the whole
# image as filter rectangle keeps the unselected pixels and draws a valid
# labyrinth in the selection. The profiles that meet the dialog
# (no-descriptors, quiet-abort, no-display) run in win_HostProfiles.exe,
# which drives the dialog from a watcher thread.
source "$VORN_SOURCE_DIR/tests/system/lib/wine.sh"
host="$VORN_CROSS_DIR/$VORN_HOST_EXE"
driver="$VORN_CROSS_DIR/win_HostProfiles.exe"
labcheck="${VORN_RELEASE_DIR:-$VORN_NATIVE_DIR}/labcheck"
if [ ! -f "$host" ] || [ ! -f "$driver" ]; then
    echo "no $VORN_HOST_EXE or win_HostProfiles.exe in the cross build: skipped"
    exit 77
fi
if [ ! -x "$labcheck" ]; then
    echo "no native labcheck to read the results: skipped"
    exit 77
fi
work=$(mktemp -d)
at_exit "rm -rf '$work'"
cd "$work" || exit 1
source "$VORN_SOURCE_DIR/tests/system/lib/checks.sh"

host_run() { run_wine 120 "$host" --plugin "$VORN_CROSS_DIR/$VORN_PLUGIN" --no-progress "$@"; }

"$labcheck" make 96 64 3 8 rgb.png
"$labcheck" make 96 64 4 8 rgba.png
"$labcheck" make 96 64 1 8 gray.png
"$labcheck" make 96 64 3 16 rgb16.png
"$labcheck" disc 96 64 disc.png
# A selection whose bounds start at the image's corner but end inside it:
# the disc and the top-left pixel (gray PNG written by labcheck's reader's
# counterpart: ImageMagick when present).
corner_mask=""
if command -v convert > /dev/null; then
    convert -size 96x64 xc:black +antialias -fill white -draw "circle 40,28 40,8" \
        -draw "point 0,0" -depth 8 -type Grayscale -define png:color-type=0 corner.png &&
        corner_mask=corner.png
fi

# case NAME INPUT [MASK]
cases=("rgb rgb.png" "rgba rgba.png" "gray gray.png" "rgb16 rgb16.png" "selection rgb.png disc.png"
       "gray-selection gray.png disc.png")
for case in "${cases[@]}"; do
    set -- $case
    name=$1 input=$2 mask=${3:-}
    mask_args=()
    [ -n "$mask" ] && mask_args=(--mask "$mask")
    host_run --seed 3 --amount 5 --fg white --bg black "${mask_args[@]}" "$input" "$name-default.png"
    check_labyrinth "$name, default host" "$input" "$name-default.png" 5 white black $mask
    for profile in photoshop colour-bytes kilobyte-space no-display no-handles quiet-abort \
        colour-bytes,no-handles; do
        host_run --seed 3 --amount 5 --fg white --bg black --host-profile "$profile" \
            "${mask_args[@]}" "$input" "$name-$profile.png"
        if "$labcheck" same "$name-default.png" "$name-$profile.png"; then
            pass "$name, $profile: the default run's image ($(md5sum < "$name-$profile.png" | cut -c1-12))"
        else
            fail "$name, $profile: another image than the default run's"
        fi
    done
done

# Colours other than white and black, on both scales.
host_run --seed 4 --amount 3 --fg '#203040' --bg yellow rgb.png own-default.png
host_run --seed 4 --amount 3 --fg '#203040' --bg yellow --host-profile colour-bytes rgb.png own-bytes.png
check_labyrinth "colour-bytes, own colours" rgb.png own-bytes.png 3 '#203040' yellow
if "$labcheck" same own-default.png own-bytes.png; then
    pass "colour-bytes with #203040 on yellow: the default run's image"
else
    fail "colour-bytes with #203040 on yellow differs from the default run"
fi

# The whole image as filter rectangle with a selection.
if [ -n "$corner_mask" ]; then
    for input in rgb.png gray.png; do
        host_run --seed 3 --amount 5 --fg white --bg black --host-profile whole-filter-rect \
            --mask "$corner_mask" "$input" "whole-$input"
        check_labyrinth "whole-filter-rect, $input" "$input" "whole-$input" 5 white black "$corner_mask"
    done
else
    skip "whole-filter-rect: no ImageMagick to draw the selection"
fi

# Hosts without descriptor suites run the filter from its dialog; the
# native host has none, and vornhost needs someone to answer it.
run_wine 300 "$driver" "$VORN_CROSS_DIR/$VORN_PLUGIN" > driver.txt 2>&1
status=$?
sed 's/^/  /' driver.txt
if [ $status -eq 0 ]; then pass "dialog profiles: $(tail -1 driver.txt)"; else fail "dialog profiles (exit $status)"; fi

# The native host has no dialog to run such a profile with.
native="${VORN_RELEASE_DIR:-}/vorn"
if [ -x "$native" ]; then
    "$native" --host-profile no-descriptors rgb.png native.png 2> native.txt
    status=$?
    if [ $status -eq 1 ] && grep -q "keeps no parameters, so the filter runs from its dialog" native.txt &&
        [ ! -e native.png ]; then
        pass "native host, no-descriptors: $(cat native.txt)"
    else
        fail "native host, no-descriptors (exit $status): $(cat native.txt)"
    fi
fi

finish_checks
