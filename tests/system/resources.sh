#!/bin/bash
# The property list, terminology, version record, exports and imports of the
# built plug-ins, read out of the files with pefile.
set -u
if [ -z "${VORN_WIN32_DIR:-}" ] || [ ! -f "$VORN_WIN32_DIR/Vorn.8bf" ]; then
    echo "no 32-bit cross build: skipped"
    exit 77
fi
check="$VORN_SOURCE_DIR/tests/system/check_resources.py"
status=0
/usr/bin/python3 "$check" "$VORN_WIN32_DIR/Vorn.8bf" x86 || status=1
if [ -n "${VORN_WIN64_DIR:-}" ] && [ -f "$VORN_WIN64_DIR/Vorn64.8bf" ]; then
    echo "--- Vorn64.8bf"
    /usr/bin/python3 "$check" "$VORN_WIN64_DIR/Vorn64.8bf" x64 || status=1
fi
exit $status
