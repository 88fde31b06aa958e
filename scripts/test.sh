#!/bin/bash
# Sets up, builds and runs every test: native unit tests under the
# sanitizers, the command-line host end to end, and the real plug-ins under
# Wine. Ends with CTest's summary line.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
./scripts/build.sh
cd build/native
ctest --output-on-failure -j2 "$@"
