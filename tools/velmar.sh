#!/usr/bin/env bash
# Velmar's one entry point for building, running, testing and measuring.
#   tools/velmar.sh run     install what is missing, build, start the program
#   tools/velmar.sh test    install what is missing, build, run every test
#   tools/velmar.sh bench   build optimised and print every speed figure
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=$(nproc 2>/dev/null || echo 2)

packages=(
    build-essential cmake pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev qt6-translations-l10n
    libbenchmark-dev libboost-dev
    fonts-liberation fonts-dejavu-core
    xvfb xauth xdotool x11-utils imagemagick
    clang libclang-rt-14-dev
)

install_missing() {
    local missing=()
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    export DEBIAN_FRONTEND=noninteractive
    "${sudo[@]}" apt-get update -q
    "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# build DIR [cmake options...] [-- targets...]
build() {
    local dir=$1 options=() targets=()
    shift
    while [ $# -gt 0 ] && [ "$1" != -- ]; do options+=("$1"); shift; done
    [ $# -gt 0 ] && shift && targets=(--target "$@")
    cmake -S "$root" -B "$dir" "${options[@]}" >/dev/null
    cmake --build "$dir" -j"$jobs" "${targets[@]}"
}

case "${1:-}" in
run)
    install_missing
    # Only the two programs: the tests and benchmarks are built by test and bench.
    build "$root/build" -DCMAKE_BUILD_TYPE=Release -- velmar velmar-report
    exec "$root/build/mainwin/velmar"
    ;;
test)
    install_missing
    build "$root/build" -DCMAKE_BUILD_TYPE=Release
    ctest --test-dir "$root/build" --output-on-failure -j"$jobs"
    # A minute of fuzzing the input table, the distribution and the report.
    "$root/tools/fuzz.sh" 60
    # The same suite once more under AddressSanitizer, LeakSanitizer and UBSan.
    build "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug -DVELMAR_SANITIZE=ON -DVELMAR_BUILD_BENCH=OFF
    ctest --test-dir "$root/build-asan" --output-on-failure -j"$jobs"
    ;;
bench)
    install_missing
    build "$root/build" -DCMAKE_BUILD_TYPE=Release
    "$root/tools/bench-summary.sh" "$root/build"
    ;;
*)
    sed -n '2,5p' "$0" | sed 's/^# \{0,1\}//'
    exit 1
    ;;
esac
