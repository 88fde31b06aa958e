#!/bin/bash
# Golden checksums: the pixels `vorn --seed 1` draws on the sample picture,
# over the whole image and inside the disc selection, with glibc's rand().
# The other checks prove that a labyrinth follows the rules; these prove it
# is still the same labyrinth, so a change to the generator or the pass
# that keeps every rule but moves one wall is caught here.
#
# The checksum is ImageMagick's signature of the decoded pixels (not of the
# file), so encoder settings do not matter. When a change of output is
# intended, renew the values with
#   vorn --seed 1 samples/sample.png a.png && identify -format '%#\n' a.png
#   vorn --seed 1 --mask samples/disc-mask.png samples/sample.png b.png && identify -format '%#\n' b.png
# and say in the commit why the labyrinth changed.
set -u
source "$VORN_SOURCE_DIR/tests/system/lib/checks.sh"
need_tool vorn vorn "${VORN_RELEASE_DIR:-}"
need_commands identify
samples="$VORN_SOURCE_DIR/samples"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# expect_pixels WHAT FILE SIGNATURE
expect_pixels() {
    local got
    got=$(identify -format '%#' "$2" 2> /dev/null)
    if [ "$got" = "$3" ]; then pass "$1: $got"; else fail "$1: pixels $got, expected $3"; fi
}

"$vorn" --seed 1 "$samples/sample.png" "$work/whole.png"
expect_pixels "glibc, seed 1, whole image" "$work/whole.png" \
    5ed676243ffd52e393e63bfb48339be14e46d9df26ee6fb3d87e9d88f65427f1
"$vorn" --seed 1 --mask "$samples/disc-mask.png" "$samples/sample.png" "$work/disc.png"
expect_pixels "glibc, seed 1, disc selection" "$work/disc.png" \
    dd7019ee156705565fe0c16e6aca0c924a1d922d489592ee9fb26895694204d4
finish_checks
