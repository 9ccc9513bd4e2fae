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

# libFuzzer ships apart from clang on some distributions (libclang-rt-N-dev);
# without it there is nothing to run, which is said plainly rather than failed.
if ! command -v clang++ >/dev/null; then
    echo "fuzz: clang++ is not installed (tools/velmar.sh test installs it)" >&2
    exit 1
fi
clang_major=$(clang++ --version | sed -n 's/.*clang version \([0-9][0-9]*\)\..*/\1/p' | head -n 1)
probe=$(mktemp -d)
printf 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char *, unsigned long) { return 0; }\n' \
    >"$probe/probe.cpp"
if ! clang++ -fsanitize=fuzzer,address,undefined "$probe/probe.cpp" -o "$probe/probe" \
    >"$probe/log" 2>&1; then
    echo "fuzz: SKIPPED - clang ${clang_major:-?} has no libFuzzer runtime" \
        "(package libclang-rt-${clang_major:-N}-dev is not available); nothing was fuzzed."
    rm -rf "$probe"
    exit 0
fi
rm -rf "$probe"

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
