#!/bin/bash
# The About box of the real Vorn.8bf under Wine on a virtual display: its
# text, placement, Enter and Escape ignored, closed by a click. The box is
# captured to about-shots/about-box.bmp (and .png) in the cross build
# folder. The run uses the C locale: the box is created with the
# wide-character dialog function and keeps its template's Japanese typeface
# name in any code page.
export VORN_WINEPREFIX_NAME=wineprefix-about
source "$VORN_SOURCE_DIR/tests/system/lib/wine.sh"
timeout 120 wineserver -w
wine_japanese_font
make_work_folder win_about_box.exe
shots="$VORN_CROSS_DIR/about-shots"
mkdir -p "$shots"
rm -f "$shots"/about-box.*
cd "$work"
timeout 300 xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    LC_ALL=C wine ./win_about_box.exe "$VORN_PLUGIN" "$1"; status=$?
    timeout 60 wineserver -w
    exit $status' about "$shots"
status=$?
if command -v convert > /dev/null && [ -f "$shots/about-box.bmp" ]; then
    convert "$shots/about-box.bmp" "$shots/about-box.png"
fi
exit $status
