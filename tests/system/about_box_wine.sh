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
run_on_own_display 300 C win_about_box.exe "$shots"
