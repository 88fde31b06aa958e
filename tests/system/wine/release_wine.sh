#!/bin/bash
# The plug-in users download: the release zip of VORN_DIST_DIR (made by
# scripts/release.sh) unpacked, its checksums and contents checked, and its
# Vorn.8bf (Vorn64.8bf) run under Wine by the hosts of the cross build: the
# filter dialog as it opens and OK (the English template, C locale), the
# About box, the enumeration through the property list, and a scripted run
# whose every pixel labcheck reads, which must also be the labyrinth the
# cross build's own plug-in draws for the same seed. Screenshots land in
# release-shots/ in the cross build folder.
export VORN_WINEPREFIX_NAME=wineprefix-release
source "$VORN_SOURCE_DIR/tests/system/lib/wine.sh"
source "$VORN_SOURCE_DIR/tests/system/lib/checks.sh"
labcheck="${VORN_RELEASE_DIR:-$VORN_NATIVE_DIR}/labcheck"
host="$VORN_CROSS_DIR/$VORN_HOST_EXE"
zips=()
[ -n "${VORN_DIST_DIR:-}" ] && zips=("$VORN_DIST_DIR"/Vorn-*-windows.zip)
if [ ${#zips[@]} -ne 1 ] || [ ! -f "${zips[0]}" ]; then
    echo "no release zip (one Vorn-<version>-windows.zip) in '${VORN_DIST_DIR:-}'" \
         "(scripts/release.sh makes it): skipped"
    exit 77
fi
zip=${zips[0]}
for tool in "$host" "$VORN_CROSS_DIR/win_FilterDialog.exe" "$VORN_CROSS_DIR/win_AboutBox.exe" \
    "$labcheck"; do
    if [ ! -f "$tool" ]; then
        echo "no $(basename "$tool") in the builds: skipped"
        exit 77
    fi
done
work=$(mktemp -d)
at_exit "rm -rf '$work'"
cd "$work" || exit 1
echo "release: $zip"

# --- the zip ----------------------------------------------------------------
version=$(basename "$zip" | sed 's/^Vorn-\(.*\)-windows\.zip$/\1/')
/usr/bin/python3 - "$zip" unpacked > listing.txt <<'PY'
import sys
import zipfile
with zipfile.ZipFile(sys.argv[1]) as archive:
    for info in archive.infolist():
        print(info.filename)
    archive.extractall(sys.argv[2])
PY
expected="Vorn-$version/ Vorn-$version/Vorn.8bf Vorn-$version/Vorn64.8bf Vorn-$version/Guide.html Vorn-$version/LICENSE.txt Vorn-$version/SHA256SUMS"
if [ "$(tr '\n' ' ' < listing.txt)" = "$expected " ]; then
    pass "the zip holds $(tr '\n' ' ' < listing.txt)"
else
    fail "the zip holds $(tr '\n' ' ' < listing.txt), expected $expected"
fi
folder="unpacked/Vorn-$version"
if (cd "$folder" && sha256sum --quiet -c SHA256SUMS) > sums.txt 2>&1 &&
    [ "$(wc -l < "$folder/SHA256SUMS")" -eq 4 ]; then
    pass "every file matches its line in SHA256SUMS"
else
    fail "SHA256SUMS: $(cat sums.txt)"
fi
grep -q "Vorn $version" "$folder/Guide.html" && pass "the guide names version $version" ||
    fail "the guide does not name version $version"

# --- the dialog and the About box ------------------------------------------
# On a display of their own, before anything else starts this prefix's
# wineserver without it.
mkdir run
cp "$folder/$VORN_PLUGIN" "$VORN_CROSS_DIR/win_FilterDialog.exe" \
    "$VORN_CROSS_DIR/win_AboutBox.exe" run/
shots="$VORN_CROSS_DIR/release-shots"
rm -rf "$shots"
mkdir -p "$shots"
timeout 120 wineserver -w
(cd run && run_on_own_display 300 C win_FilterDialog.exe "$shots" en opening) > dialog.txt 2>&1
status=$?
sed 's/^/  /' dialog.txt
[ $status -eq 0 ] && pass "the released $VORN_PLUGIN's dialog opens, previews and filters on OK" ||
    fail "the released $VORN_PLUGIN's dialog (exit $status)"
(cd run && run_on_own_display 300 C win_AboutBox.exe "$shots" en) > about.txt 2>&1
status=$?
sed 's/^/  /' about.txt
[ $status -eq 0 ] && pass "the released $VORN_PLUGIN's About box" ||
    fail "the released $VORN_PLUGIN's About box (exit $status)"

# --- enumeration and a scripted run ---------------------------------------------
plugin="$folder/$VORN_PLUGIN"
run_wine 120 "$host" --list "$plugin" > list.txt 2>&1
entry_key=wx86
[ "$VORN_ARCH" = x64 ] && entry_key=8664
if grep -q "kind: *8BFM (filter)" list.txt && grep -q "category: *BramixPlug" list.txt &&
    grep -q "name: *Vorn\.\.\." list.txt && grep -q "entry $entry_key: *PluginMain" list.txt; then
    pass "--list finds the filter: $(tr '\n' ' ' < list.txt)"
else
    fail "--list: $(cat list.txt)"
fi
cp "$VORN_SOURCE_DIR/samples/sample.png" "$VORN_SOURCE_DIR/samples/disc-mask.png" .
run_wine 120 "$host" --plugin "$plugin" --seed 7 --amount 6 --fg '#203040' --bg yellow \
    --mask disc-mask.png sample.png released.png 2> run.txt
check_labyrinth "the released $VORN_PLUGIN, seed 7, a disc selection" sample.png released.png 6 \
    '#203040' yellow disc-mask.png
run_wine 120 "$host" --plugin "$VORN_CROSS_DIR/$VORN_PLUGIN" --seed 7 --amount 6 --fg '#203040' \
    --bg yellow --mask disc-mask.png sample.png built.png 2>> run.txt
if [ -f released.png ] && "$labcheck" same released.png built.png; then
    pass "the same labyrinth as the cross build's $VORN_PLUGIN for the same seed"
else
    fail "the released and the built $VORN_PLUGIN differ: $(cat run.txt)"
fi

finish_checks
