#!/usr/bin/env bash
# Cross-builds Volantix for 64-bit Windows and packages it:
#   dist/Volantix-win64/            the portable program folder
#   dist/Volantix-win64.zip         the same folder, zipped
#   dist/Volantix-win64-setup.exe   the installer
# Needs a native build in build/ (for the tools the build runs) and the packages
# that setup.sh installs. Qt and libzip for Windows are built once into a cache
# (build-qt.sh, build-libzip.sh).
#   tools/windows/build.sh [--tests]   --tests also builds the test suite
set -euo pipefail
root="$(cd "$(dirname "$(readlink -f "$0")")/../.." && pwd)"
cd "$root"
with_tests=OFF
[ "${1:-}" = --tests ] && with_tests=ON

qt="$(tools/windows/build-qt.sh | tail -1)"
libzip="$(tools/windows/build-libzip.sh | tail -1)"
libzip_dir="$libzip/lib/cmake/libzip"
build_dir=build-win64
dist="$root/dist/Volantix-win64"
# What the build itself writes for the program folder (the programs, the guide,
# the licences) goes to a folder of the build's own; the package is laid out
# from an empty folder every time, so nothing left by an earlier build reaches it.
stage="$root/$build_dir/program"
triple=x86_64-w64-mingw32

# Configured afresh when new, when the tests are wanted or not, or for another Qt
# or libzip.
if [ ! -f "$build_dir/build.ninja" ] || ! grep -q "VOLANTIX_BUILD_TESTS:BOOL=$with_tests" "$build_dir/CMakeCache.txt" ||
    ! grep -q "$qt/" "$build_dir/CMakeCache.txt" || ! grep -qx "libzip_DIR:PATH=$libzip_dir" "$build_dir/CMakeCache.txt" ||
    ! grep -qx "VOLANTIX_DIST_DIR:PATH=$stage" "$build_dir/CMakeCache.txt"; then
    rm -f "$build_dir/CMakeCache.txt"
    "$qt/bin/qt-cmake" -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DQT_CHAINLOAD_TOOLCHAIN_FILE="$root/tools/windows/mingw-w64.cmake" \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DCMAKE_CROSSCOMPILING_EMULATOR=wine -Dlibzip_DIR:PATH="$libzip_dir" \
        -DVOLANTIX_HOST_TOOLS="$root/build/bin" -DVOLANTIX_DIST_DIR="$stage" \
        -DVOLANTIX_BUILD_BENCH=OFF -DVOLANTIX_BUILD_TESTS="$with_tests" >/dev/null
fi
cmake --build "$build_dir"

# The program folder, from nothing: the build's programs, guide and licences,
# Qt's libraries and plugins, libzip and zlib, the compiler's run-time libraries
# and the first-access password store.
rm -rf "$dist" dist/Volantix-win64.zip dist/Volantix-win64-setup.exe
mkdir -p "$dist/platforms" "$dist/styles" "$dist/translations"
cp "$stage/volantix.exe" "$stage/volantix-archive.exe" "$stage/Guida.pdf" "$dist/"
cp -r "$stage/Licenze" "$dist/"
# The backups' zip library and the deflate library under it, which the program
# folder carries, with their licences: libzip's from its source package, zlib's
# from Debian's package of the zlib1.dll shipped.
cp "$libzip/bin/libzip.dll" "/usr/$triple/lib/zlib1.dll" "$dist/"
cp "$libzip/share/licenses/libzip/LICENSE" "$dist/Licenze/LICENSE-libzip.txt"
cp /usr/share/doc/libz-mingw-w64/copyright "$dist/Licenze/LICENSE-zlib.txt"
gcc_runtime="$(dirname "$("$triple-g++-posix" -print-libgcc-file-name)")"
for dll in "$gcc_runtime/libgcc_s_seh-1.dll" "$gcc_runtime/libstdc++-6.dll" \
    "/usr/$triple/lib/libwinpthread-1.dll"; do
    cp "$dll" "$dist/"
done
for module in Core Gui Widgets PrintSupport; do
    cp "$qt/bin/Qt6$module.dll" "$dist/"
done
# The toolkit's own Italian texts (the buttons of message boxes and dialogs), from
# the host's Qt of the same version.
cp /usr/share/qt6/translations/qtbase_it.qm "$dist/translations/"
cp "$qt/plugins/platforms/qwindows.dll" "$dist/platforms/"
cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$dist/styles/"
find "$dist" \( -name '*.exe' -o -name '*.dll' \) -exec "$triple-strip" --strip-unneeded {} +

# The tests run from the build's bin folder, with the same libraries beside them
# and the offscreen platform as well.
if [ "$with_tests" = ON ]; then
    cp -u "$dist"/*.dll "$qt/bin/Qt6Test.dll" "$build_dir/bin/"
    rm -f "$build_dir/bin/unins000.dll"
    # The tests also run the programs where the build put them.
    find "$dist" -maxdepth 1 -name '*.dll' ! -name unins000.dll -exec cp -u {} "$stage/" \;
    mkdir -p "$build_dir/bin/platforms" "$build_dir/bin/styles" "$build_dir/bin/translations"
    cp -u "$dist/translations/qtbase_it.qm" "$build_dir/bin/translations/"
    cp -u "$qt/plugins/platforms/qwindows.dll" "$qt/plugins/platforms/qoffscreen.dll" "$build_dir/bin/platforms/"
    cp -u "$qt/plugins/styles/qwindowsvistastyle.dll" "$build_dir/bin/styles/"
fi
build/bin/volantix-init-store "$dist"

# The zip and the installer.
(cd dist && zip -qr -X Volantix-win64.zip Volantix-win64)
# The program's own files, by name, for the installer to install and the
# uninstaller to remove: never the password store, never a data file.
list="$root/$build_dir/program-files.nsh"
{
    echo '!macro FILE_LIST'
    (cd "$dist" && find . -type f \( -name '*.exe' -o -name '*.dll' -o -name '*.qm' -o -name Guida.pdf -o -path './Licenze/*' \) ! -name unins000.dll |
        sed 's|^\./||' | sort) | while read -r file; do
        folder="$(dirname "$file")"
        [ "$folder" = . ] && folder="" || folder="\\${folder//\//\\}"
        echo "    SetOutPath \"\$INSTDIR$folder\""
        echo "    File \"\${SOURCE}/$file\""
    done
    echo '    SetOutPath "$INSTDIR"'
    echo '!macroend'
    echo '!macro DELETE_LIST'
    (cd "$dist" && find . -type f \( -name '*.exe' -o -name '*.dll' -o -name '*.qm' -o -name Guida.pdf -o -path './Licenze/*' \) ! -name unins000.dll |
        sed 's|^\./||' | sort) | while read -r file; do
        echo "    Delete \"\$INSTDIR\\${file//\//\\}\""
    done
    echo '!macroend'
} >"$list"
version="$(sed -n 's/^project(Volantix VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
makensis -V2 -NOCD -X"!addincludedir $root/$build_dir" -DVERSION="$version" -DSOURCE="$dist" -DOUTFILE="$root/dist/Volantix-win64-setup.exe" \
    tools/windows/installer.nsi
echo "Windows package: dist/Volantix-win64/, dist/Volantix-win64.zip, dist/Volantix-win64-setup.exe"
