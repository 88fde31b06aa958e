#!/bin/bash
# The real Vorn.8bf under Wine, loaded by host programs whose executable
# names are those of the hosts the plug-in tells apart.
source "$VORN_SOURCE_DIR/tests/system/lib/wine.sh"
make_work_folder
status=0
for name in vornhost.exe Photoshop.exe premiere.exe Premiere.exe Fireworks.exe; do
    cp "$VORN_CROSS_DIR/win_Dispatch.exe" "$work/$name"
    (cd "$work" && run_wine 120 "./$name" "$VORN_PLUGIN") || status=1
done
exit $status
