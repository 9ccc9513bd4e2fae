#!/usr/bin/env bash
# Builds the input fuzzer with clang (libFuzzer, AddressSanitizer, UBSan) in
# build-fuzz/ and runs it from a copy of the seed corpus for a bounded time.
#   tools/fuzz.sh [SECONDS]     default 60; exits non-zero when the fuzzer finds a fault
# Inputs that break something are kept in build-fuzz/artifacts/.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${1:-60}
build=$root/build-fuzz
jobs=$(nproc 2>/dev/null || echo 2)

cmake -S "$root" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVELMAR_FUZZ=ON -DVELMAR_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j"$jobs" --target fuzz_input

# The fuzzer adds what it learns to the corpus it is given: work on a copy.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$root/tests/fuzz/corpus" "$work/corpus"
mkdir -p "$build/artifacts"

status=0
"$build/tests/fuzz_input" -max_total_time="$seconds" -max_len=256 -timeout=20 \
    -dict="$root/tests/fuzz/fuzz_input.dict" -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/" "$work/corpus" || status=$?
if [ "$status" -ne 0 ]; then
    echo "fuzz_input found a fault (status $status); reproduce with:" >&2
    echo "  $build/tests/fuzz_input $build/artifacts/<file>" >&2
fi
exit "$status"
