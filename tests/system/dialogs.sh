#!/bin/bash
# The dialog templates of the built plug-ins, decoded field by field with
# pefile: the filter dialog (102) and the About box (101).
set -u
if [ -z "${VORN_WIN32_DIR:-}" ] || [ ! -f "$VORN_WIN32_DIR/Vorn.8bf" ]; then
    echo "no 32-bit cross build: skipped"
    exit 77
fi
check="$VORN_SOURCE_DIR/tests/system/check_dialogs.py"
status=0
/usr/bin/python3 "$check" "$VORN_WIN32_DIR/Vorn.8bf" || status=1
if [ -n "${VORN_WIN64_DIR:-}" ] && [ -f "$VORN_WIN64_DIR/Vorn64.8bf" ]; then
    echo "--- Vorn64.8bf"
    /usr/bin/python3 "$check" "$VORN_WIN64_DIR/Vorn64.8bf" || status=1
fi
exit $status
