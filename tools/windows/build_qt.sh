#!/usr/bin/env bash
# Builds Qt 6.4.2's qtbase for x86_64-w64-mingw32 from Debian's own source
# package, once, into a cache folder outside the repository:
#   tools/windows/build_qt.sh [PREFIX]   (default ~/.cache/velmar/qt6-mingw-6.4.2)
# A finished build leaves PREFIX/velmar-qt-complete; without it the folder is
# taken for an interrupted build and made anew. The source comes through a
# private sources list and apt state folder, so the machine's apt setup is
# left as it is. Runs at the lowest priority: it takes 20 minutes on two cores.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
qt_version=6.4.2
cache=${XDG_CACHE_HOME:-$HOME/.cache}/velmar
prefix=${1:-$cache/qt6-mingw-$qt_version}
jobs=$(nproc 2>/dev/null || echo 2)
stamp=$prefix/velmar-qt-complete

if [ -f "$stamp" ]; then
    echo "Qt for Windows: $prefix (cached)"
    exit 0
fi

work=$cache/qt6-mingw-$qt_version-work
apt_dir=$work/apt
src_dir=$work/src
build_dir=$work/build
# An interrupted build goes on where it stopped; its install starts afresh.
rm -rf "$prefix"
mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$apt_dir/sources.list.d" "$src_dir"

# The machine's own mirrors, as source lines: deb822 files get Types: deb-src,
# one-line lists get deb-src lines.
: >"$apt_dir/sources.list"
for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    sed 's/^Types:.*/Types: deb-src/' "$f" >"$apt_dir/sources.list.d/$(basename "$f")"
done
for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$f" >>"$apt_dir/sources.list"
done

apt_private=(
    -o "Dir::Etc::sourcelist=$apt_dir/sources.list"
    -o "Dir::Etc::sourceparts=$apt_dir/sources.list.d"
    -o "Dir::State::Lists=$apt_dir/lists"
    -o "Dir::Cache=$apt_dir/cache"
)

source_tree=$(find "$src_dir" -maxdepth 1 -type d -name "qt6-base-$qt_version*" | head -n 1)
if [ -z "$source_tree" ] || [ ! -f "$source_tree/CMakeLists.txt" ]; then
    rm -rf "${src_dir:?}"/*
    apt-get "${apt_private[@]}" update -q
    # The same Debian revision as the host's moc and rcc, which the build uses.
    revision=$(dpkg-query -W -f='${source:Version}' qt6-base-dev 2>/dev/null || true)
    case "$revision" in
    "$qt_version"*) wanted=qt6-base=$revision ;;
    *) echo "build_qt.sh: qt6-base-dev $qt_version is not installed (found '${revision}')" >&2; exit 1 ;;
    esac
    (cd "$src_dir" && apt-get "${apt_private[@]}" source -q "$wanted")
    source_tree=$(find "$src_dir" -maxdepth 1 -type d -name "qt6-base-$qt_version*" | head -n 1)
    if [ -z "$source_tree" ] || [ ! -f "$source_tree/CMakeLists.txt" ]; then
        echo "build_qt.sh: apt-get source qt6-base=$qt_version gave no source tree in $src_dir" >&2
        exit 1
    fi
fi

# The toolchain file goes into the prefix, so Qt's qt.toolchain.cmake chains
# a file that stays there when the repository moves.
mkdir -p "$prefix"
cp "$root/cmake/mingw-w64.cmake" "$prefix/mingw-w64.cmake"

# What Velmar needs: Core, Gui, Widgets, Test and the windows, offscreen, GIF
# and Vista-style plugins. The source has no wintab.h, so no tablet events;
# OpenGL stays on (dynamic: nothing of GL is needed at build time), since the
# windows platform plugin of 6.4 does not build without it. Velmar has no
# JPEG picture. (Direct2D stays: without it 6.4's Gui leaves out the
# DirectWrite font database that the windows plugin still links against.)
configure=(
    cmake -G Ninja -S "$source_tree" -B "$build_dir"
    -DCMAKE_TOOLCHAIN_FILE="$prefix/mingw-w64.cmake"
    -DCMAKE_INSTALL_PREFIX="$prefix"
    -DQT_HOST_PATH=/usr
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
    -DBUILD_SHARED_LIBS=ON
    -DCMAKE_BUILD_TYPE=Release
    -DQT_BUILD_EXAMPLES=OFF
    -DQT_BUILD_TESTS=OFF
    -DFEATURE_sql=OFF
    -DFEATURE_network=OFF
    -DFEATURE_dbus=OFF
    -DFEATURE_concurrent=OFF
    -DFEATURE_xml=OFF
    -DFEATURE_printsupport=OFF
    -DFEATURE_tabletevent=OFF
    -DFEATURE_system_zlib=OFF
    -DINPUT_openssl=no
    -DFEATURE_jpeg=OFF
)
echo "${configure[*]}" >"$work/configure-line.txt"
nice -n 19 "${configure[@]}"
nice -n 19 cmake --build "$build_dir" -j"$jobs"
nice -n 19 cmake --install "$build_dir"
echo "${configure[*]}" >"$prefix/velmar-qt-configure.txt"
touch "$stamp"
# The build folder is 1 GB and no later run needs it; the source stays for a rebuild.
rm -rf "$build_dir"
echo "Qt for Windows: $prefix"
