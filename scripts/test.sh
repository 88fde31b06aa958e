#!/bin/bash
# Sets up, builds and runs every test: native unit tests under the
# sanitizers, the command-line host end to end, the real plug-ins under
# Wine, and the plug-ins of the release zip (scripts/release.sh makes it in
# dist/ first). Ends with what was verified: native tests, Wine x64 and
# Wine x86, each a count or "not run" with the reason, and a total line.
#
# Fails when a C++ file is not laid out by .clang-format (before anything
# is built), when a test fails and, run without arguments, also when no
# Wine test of the 64-bit plug-in ran or one of them was skipped: 64-bit Wine
# installs on every machine (the 32-bit tests may be skipped where the
# kernel runs no 32-bit programs or the 32-bit Wine cannot be installed).
# Arguments go to ctest (a filter such as -R cli), and then only the
# summary is printed for what ran.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
# A file laid out otherwise than .clang-format says fails the run before
# anything is built.
./scripts/format.sh --check
./scripts/build.sh
./scripts/release.sh
cd build/native
junit="$PWD/Testing/junit.xml"
rm -f "$junit"
status=0
ctest --output-on-failure -j2 --output-junit "$junit" "$@" || status=$?
require=()
[ $# -eq 0 ] && require=(--require-x64)
if [ ! -f "$junit" ]; then
    echo "ctest wrote no results ($junit)"
    exit 1
fi
echo
/usr/bin/python3 ../../scripts/test-summary.py . "$junit" ${require[@]+"${require[@]}"} || status=1
exit $status
