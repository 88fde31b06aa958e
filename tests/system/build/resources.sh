#!/bin/bash
# The property list, terminology, version record, exports and imports of the
# built plug-ins, read out of the files with pefile.
source "$VORN_SOURCE_DIR/tests/system/lib/plugins.sh"
check_each_plugin "$VORN_SOURCE_DIR/tests/system/build/check_resources.py"
