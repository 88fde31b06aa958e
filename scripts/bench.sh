#!/bin/bash
# Builds the native benchmarks optimised (Release, no sanitizers) and runs
# them: the whole filter pass against the copy bound, the float-plane pass and
# G'MIC's maze (bench_filterpass), then labyrinth generation alone
# (bench_labyrinth, 12 megapixels). About five minutes; --quick (1 and 12
# megapixels, one round, smaller G'MIC mazes) takes under a minute.
# Other arguments go to bench_filterpass (--no-gmic, --no-float).
# VORN_BENCH_DIR chooses the build folder (default build/release).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${VORN_BENCH_DIR:-build/release}
if ! command -v gmic > /dev/null; then
    echo "gmic is missing (scripts/setup.sh installs it); the G'MIC column stays empty"
fi
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake --build "$dir" -j2 --target bench_filterpass bench_labyrinth > /dev/null
"$dir/bench_filterpass" "$@"
echo
"$dir/bench_labyrinth" 13
