#!/bin/bash
# Checks that the release is reproducible: builds it a second time from the
# same commit, in another folder and later than the first, and compares
# every file with the first build's in dist/ (made now when it is missing
# or of another commit): the zip, the Debian package, and the plug-ins
# inside the zip.
#
#   scripts/check-reproducible.sh
set -euo pipefail
cd "$(dirname "$0")/.."
second=build/release-check
if [ "$(cat dist/COMMIT 2> /dev/null)" != "$(git rev-parse HEAD)" ] ||
    ! compgen -G "dist/Vorn-*-windows.zip" > /dev/null || ! compgen -G "dist/vorn_*_amd64.deb" > /dev/null; then
    rm -rf dist
    ./scripts/release.sh
fi
rm -rf "$second"
./scripts/release.sh --work "$second/work" --out "$second/dist"

unpack() {
    /usr/bin/python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' "$1" "$2"
}
status=0
echo
echo "Comparing two builds of the release:"
for first in dist/Vorn-*-windows.zip dist/vorn_*_amd64.deb; do
    name=$(basename "$first")
    if cmp -s "$first" "$second/dist/$name"; then
        echo "  same:   $(sha256sum < "$first" | cut -d' ' -f1)  $name"
    else
        echo "  DIFFER: $name ($(sha256sum < "$first" | cut -c1-16) and" \
             "$(sha256sum < "$second/dist/$name" | cut -c1-16))"
        status=1
    fi
done
# The plug-ins themselves, for a clear message when the zip differs.
zip=$(basename "$(ls dist/Vorn-*-windows.zip)")
unpack "dist/$zip" "$second/first-zip"
unpack "$second/dist/$zip" "$second/second-zip"
for plugin in "$second"/first-zip/*/*.8bf; do
    name=$(basename "$plugin")
    other=$(ls "$second"/second-zip/*/"$name")
    if cmp -s "$plugin" "$other"; then
        echo "  same:   $(sha256sum < "$plugin" | cut -d' ' -f1)  $name (in the zip)"
    else
        echo "  DIFFER: $name (in the zip)"
        status=1
    fi
done
if [ $status -eq 0 ]; then
    echo "The release is reproducible."
else
    echo "The release is not reproducible: two builds of one commit differ."
fi
exit $status
