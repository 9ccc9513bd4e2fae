#!/usr/bin/env bash
# Cross-builds Velmar for 64-bit Windows and packs its installer:
#   tools/windows/build.sh [BUILD_DIR]     (default build-windows)
# Qt for Windows comes from tools/windows/build_qt.sh (built once, cached).
# Leaves BUILD_DIR/velmar-<version>-setup.exe, the programs and the tests,
# BUILD_DIR/stage (what the installer installs) and the Wine runner
# BUILD_DIR/wine-run.sh that ctest starts the tests with.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=${1:-$root/build-windows}
jobs=$(nproc 2>/dev/null || echo 2)
qt_version=6.4.2
qt=${VELMAR_QT_WINDOWS:-${XDG_CACHE_HOME:-$HOME/.cache}/velmar/qt6-mingw-$qt_version}
triple=x86_64-w64-mingw32

"$root/tools/windows/build_qt.sh" "$qt"

# The chained toolchain file is named here, so the repository may be anywhere.
cmake -G Ninja -S "$root" -B "$build" \
    -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DQT_CHAINLOAD_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DVELMAR_BUILD_BENCH=OFF >/dev/null
nice -n 10 cmake --build "$build" -j"$jobs"

version=$(sed -n 's/^project(Velmar VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
[ -n "$version" ] || { echo "build.sh: no version on the project() line" >&2; exit 1; }

# What the installer installs, laid out as it lands: the programs with every
# library they load beside them, Qt's plugins in their folders, Qt's Russian
# words, and qt.conf telling Qt where those are.
stage=$build/stage
rm -rf "$stage"
mkdir -p "$stage/platforms" "$stage/styles" "$stage/imageformats" "$stage/translations"
# Qt gathers the programs of a Windows build in its top folder, beside their DLLs.
cp "$build/velmar.exe" "$build/velmar-report.exe" "$stage/"
cp "$qt/plugins/platforms/qwindows.dll" "$stage/platforms/"
cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$stage/styles/"
cp "$qt/plugins/imageformats/qgif.dll" "$stage/imageformats/"
cp /usr/share/qt6/translations/qtbase_ru.qm "$stage/translations/"
cp "$root/resources/windows/velmar.ico" "$stage/"
cp "$root/LICENSE" "$stage/LICENSE.txt"
printf '[Paths]\r\nPrefix = .\r\nPlugins = .\r\nTranslations = translations\r\n' >"$stage/qt.conf"

# The DLLs the programs and plugins import, found in Qt's bin folder or the
# MinGW runtime's, followed until nothing new turns up; Windows' own stay out.
gcc_dir=$(dirname "$("$triple-g++-posix" -print-libgcc-file-name)")
lib_dir=$(dirname "$("$triple-g++-posix" -print-file-name=libwinpthread-1.dll)")
search=("$qt/bin" "$gcc_dir" "$lib_dir")
pending=("$stage"/*.exe "$stage"/*/*.dll)
while [ ${#pending[@]} -gt 0 ]; do
    binary=${pending[0]}
    pending=("${pending[@]:1}")
    while read -r dll; do
        [ -e "$stage/$dll" ] && continue
        for dir in "${search[@]}"; do
            if [ -f "$dir/$dll" ]; then
                cp "$dir/$dll" "$stage/$dll"
                pending+=("$stage/$dll")
                break
            fi
        done
    done < <("$triple-objdump" -p "$binary" | sed -n 's/^[[:space:]]*DLL Name: //p')
done
"$triple-strip" --strip-unneeded "$stage"/*.exe "$stage"/*.dll "$stage"/*/*.dll

# The uninstaller deletes the files listed here, and then each folder if it is empty.
files=$build/installer-files.nsh
{
    (cd "$stage" && find . -type f | sed 's|^\./||' | sort) | while read -r f; do
        printf 'Delete "$INSTDIR\\%s"\n' "${f//\//\\}"
    done
    (cd "$stage" && find . -mindepth 1 -type d | sed 's|^\./||' | sort -r) | while read -r d; do
        printf 'RMDir "$INSTDIR\\%s"\n' "${d//\//\\}"
    done
} >"$files.part"
mv "$files.part" "$files"

size_kb=$(du -sk "$stage" | cut -f1)
setup=$build/velmar-$version-setup.exe
rm -f "$setup" "$setup.part"
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DSTAGE="$stage" -DFILES="$files" \
    -DSIZE_KB="$size_kb" -DOUTFILE="$setup.part" "$root/tools/windows/velmar.nsi"
mv "$setup.part" "$setup"
echo "Installer: $setup ($(du -k "$setup" | cut -f1) KB; installs $size_kb KB)"
