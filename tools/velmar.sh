#!/usr/bin/env bash
# Velmar's one entry point for building, running, testing and measuring.
#   tools/velmar.sh run     install what is missing, build, start the program
#   tools/velmar.sh test    install what is missing, build, run every test (Linux, then Windows under Wine)
#   tools/velmar.sh bench   build optimised and print every speed figure
#   tools/velmar.sh package build the Debian package build/velmar_<version>_<arch>.deb
#   tools/velmar.sh windows build the Windows installer build-windows/velmar-<version>-setup.exe
#   tools/velmar.sh windows-test  the suite under Wine and the installer's check
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=$(nproc 2>/dev/null || echo 2)

packages=(
    build-essential cmake pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev qt6-translations-l10n
    libbenchmark-dev libboost-dev
    fonts-liberation fonts-dejavu-core
    xvfb xauth xdotool x11-utils imagemagick
    python3 python3-mpmath locales
    clang clang-format
    lintian desktop-file-utils appstream dpkg-dev
)

# The Windows build: the MinGW-w64 cross compiler, Ninja and Perl for Qt's own
# build (its source comes from apt-get source, which unpacks with dpkg-dev),
# NSIS for the installer and Wine for its tests.
windows_packages=(
    g++-mingw-w64-x86-64-posix mingw-w64-tools ninja-build perl dpkg-dev xz-utils
    nsis wine wine64
)

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
apt_updated=no

apt_get() {
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get "$@"
}

apt_update() {
    [ "$apt_updated" = yes ] && return 0
    apt_get update -q
    apt_updated=yes
}

installed() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}

install_missing() {
    local missing=()
    for p in "${packages[@]}" "$@"; do
        installed "$p" || missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Installing: ${missing[*]}"
        apt_update
        apt_get install -y -q --no-install-recommends "${missing[@]}"
    fi
    install_fuzzer_runtime
}

# libFuzzer and the sanitizers' runtime come with the installed clang's major
# version (libclang-rt-14-dev on Debian 12). Where the distribution has no
# such package, tools/fuzz.sh says so and skips its run.
install_fuzzer_runtime() {
    local major runtime
    major=$(clang --version 2>/dev/null | sed -n 's/.*clang version \([0-9][0-9]*\)\..*/\1/p' | head -n 1)
    [ -n "$major" ] || return 0
    runtime=libclang-rt-$major-dev
    installed "$runtime" && return 0
    if ! apt-cache policy "$runtime" 2>/dev/null | grep -q 'Candidate: [0-9]'; then
        apt_update
    fi
    if apt-cache policy "$runtime" 2>/dev/null | grep -q 'Candidate: [0-9]'; then
        echo "Installing: $runtime"
        apt_get install -y -q --no-install-recommends "$runtime"
    else
        echo "No package $runtime for clang $major; the fuzz step runs only if clang has libFuzzer."
    fi
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

# The Debian package: the programs and the compressed pages built optimised
# for /usr in a folder of their own, with the distribution's hardening flags
# (fortified functions, stack protector, full RELRO with immediate binding)
# and no run path, packed by cpack into build/velmar_<version>_<arch>.deb.
make_package() {
    local dir=$root/build-deb
    local cxxflags ldflags
    cxxflags="$(cd "$root" && DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get CPPFLAGS)"
    cxxflags+=" $(cd "$root" && DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get CXXFLAGS)"
    ldflags=$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get LDFLAGS)
    cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
        -DBUILD_TESTING=OFF -DVELMAR_BUILD_BENCH=OFF -DCMAKE_SKIP_RPATH=ON \
        "-DCMAKE_CXX_FLAGS=$cxxflags" "-DCMAKE_EXE_LINKER_FLAGS=$ldflags" >/dev/null
    cmake --build "$dir" -j"$jobs" --target velmar velmar-report velmar_package_docs
    rm -f "$dir"/velmar_*.deb "$root"/build/velmar_*.deb
    (cd "$dir" && cpack -G DEB)
    mkdir -p "$root/build"
    mv "$dir"/velmar_*.deb "$root/build/"
}

# The Windows installer, and Qt for Windows first when the cache lacks it.
windows_build() {
    "$root/tools/windows/build.sh" "$root/build-windows"
}

# The same sources built for Windows: the suite under Wine, then the installer
# installed, used and uninstalled in Wine.
windows_test() {
    windows_build
    # Under Wine a test waits on program start and the wineserver as much as
    # on the processor: twice as many at once finish sooner (70 s against 87).
    ctest --test-dir "$root/build-windows" --output-on-failure -j"$((jobs * 2))"
    "$root/tools/windows/check_installer.sh" "$root/build-windows"
}

case "${1:-}" in
run)
    install_missing
    # Only the two programs: the tests and benchmarks are built by test and bench.
    build "$root/build" -DCMAKE_BUILD_TYPE=Release -- velmar velmar-report
    exec "$root/build/mainwin/velmar"
    ;;
test)
    install_missing "${windows_packages[@]}"
    "$root/tools/check_format.sh"
    build "$root/build" -DCMAKE_BUILD_TYPE=Release
    ctest --test-dir "$root/build" --output-on-failure -j"$jobs"
    # The Debian package: lintian, the desktop entry, the AppStream data, its files.
    make_package
    "$root/tools/check_package.sh"
    # A minute of fuzzing the input table, the distribution and the report.
    "$root/tools/fuzz.sh" 60
    # The same suite once more under AddressSanitizer, LeakSanitizer and UBSan.
    build "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug -DVELMAR_SANITIZE=ON -DVELMAR_BUILD_BENCH=OFF
    ctest --test-dir "$root/build-asan" --output-on-failure -j"$jobs"
    windows_test
    ;;
windows-test)
    install_missing "${windows_packages[@]}"
    windows_test
    ;;
bench)
    install_missing
    build "$root/build" -DCMAKE_BUILD_TYPE=Release
    "$root/tools/bench-summary.sh" "$root/build"
    ;;
package)
    install_missing
    make_package
    ;;
windows)
    install_missing "${windows_packages[@]}"
    windows_build
    ;;
*)
    sed -n '2,8p' "$0" | sed 's/^# \{0,1\}//'
    exit 1
    ;;
esac
