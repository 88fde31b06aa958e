#!/bin/bash
# The About box of the real Vorn.8bf under Wine on a virtual display: its
# template, text, placement, Enter and Escape ignored, closed by a click;
# once in a Japanese locale (the Japanese template) and once in the C
# locale (the English one). The box is captured to
# about-shots/about-box-ja.bmp and about-box-en.bmp (and .png) in the cross
# build folder. The box is created with the wide-character dialog function
# and keeps its template's typeface name in any code page; the driver reads
# it back with the wide-character functions.
export VORN_WINEPREFIX_NAME=wineprefix-about
source "$VORN_SOURCE_DIR/tests/system/lib/wine.sh"
timeout 120 wineserver -w
wine_japanese_font
make_work_folder win_AboutBox.exe
shots="$VORN_CROSS_DIR/about-shots"
mkdir -p "$shots"
rm -f "$shots"/about-box*.*
cd "$work"
status=0
echo "== Japanese locale"
run_on_own_display 300 ja_JP.UTF-8 win_AboutBox.exe "$shots" ja || status=1
echo "== C locale"
run_on_own_display 300 C win_AboutBox.exe "$shots" en || status=1
exit $status
