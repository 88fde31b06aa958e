#!/bin/bash
# The host version alert of the real Vorn.8bf under Wine on a virtual
# display: a host without advanceState gets the warning box, one with it
# gets none. The box is captured to alert-box.bmp (and .png) in the cross
# build folder.
#
# A wineserver that was started without a display (by wineboot, or by a
# test running beside this one in a shared prefix) cannot show windows on
# the virtual display, so this test keeps a prefix of its own and lets its
# wineserver end before the display goes away.
export VORN_WINEPREFIX_NAME=wineprefix-alert
source "$VORN_SOURCE_DIR/tests/system/lib/wine.sh"
timeout 120 wineserver -w
make_work_folder win_VersionAlert.exe
shot="$VORN_CROSS_DIR/alert-box.bmp"
rm -f "$shot" "${shot%.bmp}.png"
cd "$work"
run_on_own_display 180 "" win_VersionAlert.exe "$shot"
