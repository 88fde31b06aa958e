#!/bin/bash
# Builds the fuzz target with clang (libFuzzer, ASan, UBSan) and runs it
# over the seed corpus in fuzz/corpus.
#   scripts/fuzz.sh           a short run: 20000 inputs (what CI runs)
#   scripts/fuzz.sh --long    an hour, or FUZZ_SECONDS seconds
#   scripts/fuzz.sh --replay FILE...   runs just these inputs
# Build folder: $VORN_FUZZ_BUILD_DIR, default build/fuzz. Inputs the run
# finds go to <build>/corpus (never into the repository); a crashing input
# is written to <build>/artifacts/ and the script fails. Exits 77 when
# clang or libFuzzer is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir=$PWD
build_dir=${VORN_FUZZ_BUILD_DIR:-build/fuzz}
mode=${1:-short}

if ! command -v clang++ > /dev/null; then
    echo "clang++ is not installed: skipped"
    exit 77
fi
if ! echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' |
        clang++ -x c++ -fsanitize=fuzzer - -o /tmp/vorn-fuzz-probe.$$ > /dev/null 2>&1; then
    rm -f /tmp/vorn-fuzz-probe.$$
    echo "clang's libFuzzer runtime is not installed: skipped"
    exit 77
fi
rm -f /tmp/vorn-fuzz-probe.$$

cmake -S fuzz -B "$build_dir" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug > /dev/null
cmake --build "$build_dir" -j2 > "$build_dir/build.log" 2>&1 || { cat "$build_dir/build.log"; exit 1; }

mkdir -p "$build_dir/corpus" "$build_dir/artifacts"
# A process whose heap refuses blocks over 256 MB, as a 32-bit host's does
# long before: the plug-in must answer out of memory, not crash.
export ASAN_OPTIONS=${ASAN_OPTIONS:-allocator_may_return_null=1:max_allocation_size_mb=256:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
options=(-artifact_prefix="$build_dir/artifacts/" -max_len=512 -timeout=20 -rss_limit_mb=3072
         -malloc_limit_mb=4096 -print_final_stats=1)

case "$mode" in
    --replay)
        shift
        exec "$build_dir/fuzz_plugin" "${options[@]}" "$@"
        ;;
    --long)
        seconds=${FUZZ_SECONDS:-3600}
        exec "$build_dir/fuzz_plugin" "${options[@]}" -max_total_time="$seconds" \
            "$build_dir/corpus" "$source_dir/fuzz/corpus"
        ;;
    *)
        exec "$build_dir/fuzz_plugin" "${options[@]}" -runs="${FUZZ_RUNS:-20000}" -seed=1 \
            -max_total_time=120 "$build_dir/corpus" "$source_dir/fuzz/corpus"
        ;;
esac
