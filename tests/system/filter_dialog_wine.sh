#!/bin/bash
# The filter dialog of the real Vorn.8bf under Wine on a virtual display,
# driven from a second thread of a test host: controls, typing, slider,
# zoom, dragging, OK and Cancel during renders, the image after OK, and a
# dialog that cannot be created. Screenshots of the dialog land in
# dialog-shots/ in the cross build folder (BMP, and PNG where ImageMagick is
# installed).
#
# The plug-in creates its dialogs with the wide-character dialog function,
# so the template's Japanese texts reach the controls as written whatever
# the ANSI code page; the run uses the C locale (Wine's code page 1252),
# where the ANSI dialog function would turn them into question marks, and
# reads them back with the wide-character text functions.
#
# The test keeps a prefix of its own: a wineserver started without the
# display (by wineboot, or by another test) could not show the windows.
export VORN_WINEPREFIX_NAME=wineprefix-dialogs
source "$VORN_SOURCE_DIR/tests/system/lib/wine.sh"
timeout 120 wineserver -w
wine_japanese_font
make_work_folder win_filter_dialog.exe
shots="$VORN_CROSS_DIR/dialog-shots"
rm -rf "$shots"
mkdir -p "$shots"
cd "$work"
run_on_own_display 600 C win_filter_dialog.exe "$shots"
