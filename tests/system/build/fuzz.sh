#!/bin/bash
# The fuzz target under ASan and UBSan for a short, fixed budget: builds it
# with clang in its own folder beside the native build and runs 20000
# inputs from the seed corpus on. Skipped (77) when clang or its libFuzzer
# runtime is missing. Longer runs: scripts/fuzz.sh --long.
set -euo pipefail
source_dir=${VORN_SOURCE_DIR:?}
export VORN_FUZZ_BUILD_DIR=${VORN_NATIVE_DIR:?}/fuzz
export FUZZ_RUNS=${FUZZ_RUNS:-20000}
exec "$source_dir/scripts/fuzz.sh"
