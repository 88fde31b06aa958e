#!/bin/bash
# The dialog templates of the built plug-ins, decoded field by field with
# pefile: the filter dialog (102) and the About box (101).
source "$VORN_SOURCE_DIR/tests/system/lib/plugins.sh"
check_each_plugin "$VORN_SOURCE_DIR/tests/system/build/check_dialogs.py"
