#!/usr/bin/env bash
# Builds Qt for 64-bit Windows from Debian's own qtbase source, once, into a cache
# outside the repository. Prints the installed prefix on its last line.
# The cache is keyed on the Qt version and the configure line, so a change to
# either builds a new tree beside the old one. With --where, only prints where.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
qt_version=6.4.2
# The Windows Qt must be the host's own version: the build runs the host's Qt tools
# (moc, rcc, uic) on code for the Windows libraries.
host_package="$(dpkg-query -W -f='${Version}' qt6-base-dev 2>/dev/null || true)"
host_version="${host_package%%+*}"
host_version="${host_version#*:}"
if [ "$host_version" != "$qt_version" ]; then
    echo "build-qt.sh: the host's Qt is ${host_version:-not installed} (qt6-base-dev ${host_package:-missing}), but Qt for" >&2
    echo "Windows is built from Qt $qt_version: install the host Qt $qt_version, or change qt_version here and rebuild." >&2
    exit 1
fi
cache_root="${VOLANTIX_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/volantix}"

# The toolchain file is kept in the cache by its content, so that neither the key
# nor the built Qt depends on where the repository is checked out.
mkdir -p "$cache_root"
toolchain="$cache_root/mingw-w64-$(sha256sum <"$here/mingw-w64.cmake" | cut -c1-12).cmake"
cp "$here/mingw-w64.cmake" "$toolchain"

configure_args=(
    -release -optimize-size -shared
    -xplatform win32-g++
    -qt-host-path /usr
    -nomake examples -nomake tests
    -no-icu -no-opengl -no-dbus
    -no-feature-sql -no-feature-network -no-feature-concurrent -no-feature-xml
    -no-feature-tabletevent
    # Only what the program and its tests use: no Direct2D platform plugin, no Vulkan, no
    # image formats but PNG, no Markdown or ODF writers, no dialogs it never opens.
    -no-feature-direct2d1_1 -no-feature-vulkan
    -no-feature-gif -no-feature-ico -no-feature-jpeg
    -no-feature-textmarkdownreader -no-feature-textmarkdownwriter -no-feature-textodfwriter
    -no-feature-sessionmanager -no-feature-mdiarea
    -no-feature-colordialog -no-feature-fontdialog -no-feature-wizard -no-feature-printpreviewdialog
    -qt-zlib -qt-libpng -qt-freetype -qt-pcre -qt-harfbuzz
    -- -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
    -DCMAKE_TOOLCHAIN_FILE="$toolchain"
)
key="$(printf '%s\n' "$qt_version" "${configure_args[@]}" "$(x86_64-w64-mingw32-g++-posix -dumpversion)" |
    sed "s|$cache_root|<cache>|g" | sha256sum | cut -c1-12)"
prefix="$cache_root/qt-$qt_version-win64-$key"
if [ -f "$prefix/.complete" ] || [ "${1:-}" = --where ]; then
    echo "$prefix"
    exit 0
fi

work="$cache_root/work-$key"
rm -rf "$work" "$prefix"
mkdir -p "$work"
(
    cd "$work"
    # The source of exactly the host's package.
    apt-get source -qq --download-only "qt6-base=$host_package" >/dev/null
    dpkg-source -x --skip-patches ./*.dsc src >/dev/null
)
src="$work/src"
mkdir -p "$work/build"
cd "$work/build"
echo "Configuring Qt $qt_version for Windows (log: $work/configure.log)" >&2
"$src/configure" -prefix "$prefix" "${configure_args[@]}" >"$work/configure.log" 2>&1 ||
    { tail -40 "$work/configure.log" >&2; exit 1; }
echo "Building Qt $qt_version for Windows (log: $work/build.log)" >&2
cmake --build . --parallel "$(nproc)" >"$work/build.log" 2>&1 ||
    { tail -40 "$work/build.log" >&2; exit 1; }
cmake --install . >"$work/install.log" 2>&1 || { tail -40 "$work/install.log" >&2; exit 1; }
touch "$prefix/.complete"
rm -rf "$work"
echo "$prefix"
