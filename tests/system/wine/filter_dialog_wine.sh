#!/bin/bash
# The filter dialog of the real Vorn.8bf under Wine on a virtual display,
# driven from a second thread of a test host: controls, typing, slider,
# zoom, dragging, OK and Cancel during renders, the image after OK, and a
# dialog that cannot be created, in a Japanese locale (the Japanese
# template); then the dialog as it opens and OK in the C locale (the
# English template). Screenshots land in dialog-shots/ja and dialog-shots/en
# in the cross build folder (BMP, and PNG where ImageMagick is installed).
#
# The plug-in creates its dialogs with the wide-character dialog function,
# so the template's texts reach the controls as written whatever the ANSI
# code page; the driver reads them back with the wide-character text
# functions.
#
# The test keeps a prefix of its own: a wineserver started without the
# display (by wineboot, or by another test) could not show the windows.
export VORN_WINEPREFIX_NAME=wineprefix-dialogs
source "$VORN_SOURCE_DIR/tests/system/lib/wine.sh"
timeout 120 wineserver -w
wine_japanese_font
make_work_folder win_FilterDialog.exe
shots="$VORN_CROSS_DIR/dialog-shots"
rm -rf "$shots"
mkdir -p "$shots/ja" "$shots/en"
cd "$work"
status=0
echo "== Japanese locale"
run_on_own_display 600 ja_JP.UTF-8 win_FilterDialog.exe "$shots/ja" ja all || status=1
echo "== C locale"
run_on_own_display 300 C win_FilterDialog.exe "$shots/en" en opening || status=1
exit $status
