#!/usr/bin/env bash
# Builds libzip for 64-bit Windows from Debian's own libzip source package, once,
# into a cache outside the repository, beside Qt's. Prints the installed prefix on
# its last line: libzip.dll and its import library, the headers, the CMake package
# (lib/cmake/libzip, target libzip::zip) and libzip's licence
# (share/licenses/libzip/LICENSE).
# The cache is keyed on the libzip version and Debian's revision of it, this script,
# the toolchain file and the cross compiler, so a change to any of them (a security
# update of Debian's libzip too) builds a new tree beside the old one.
# With --where, only prints where.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
libzip_version=1.7.3
# The Windows libzip is the host's own: the same source, with Debian's patches, as
# the libzip-dev the Linux build uses, so both builds have one libzip.
host_package="$(dpkg-query -W -f='${source:Version}' libzip-dev 2>/dev/null || true)"
host_version="${host_package%-*}"
host_version="${host_version#*:}"
if [ "$host_version" != "$libzip_version" ]; then
    echo "build-libzip.sh: the host's libzip is ${host_version:-not installed} (libzip-dev ${host_package:-missing}), but libzip for" >&2
    echo "Windows is built from libzip $libzip_version: install the host libzip $libzip_version, or change libzip_version here and rebuild." >&2
    exit 1
fi
cache_root="${VOLANTIX_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/volantix}"

# The toolchain file is kept in the cache by its content, as for Qt.
mkdir -p "$cache_root"
toolchain="$cache_root/mingw-w64-$(sha256sum <"$here/mingw-w64.cmake" | cut -c1-12).cmake"
cp "$here/mingw-w64.cmake" "$toolchain"

cmake_args=(
    -G Ninja
    -DCMAKE_BUILD_TYPE=Release
    -DCMAKE_TOOLCHAIN_FILE="$toolchain"
    -DBUILD_SHARED_LIBS=ON
    # Only the library: no zipcmp, zipmerge or ziptool, no regression tests, no
    # examples, no manual pages.
    -DBUILD_TOOLS=OFF -DBUILD_REGRESS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_DOC=OFF
    # Deflate through mingw-w64's zlib (zlib1.dll, beside the program), and the
    # WinZip AES encryption through Windows' own cryptography (bcrypt.dll), so no
    # crypto library goes into the program folder.
    -DENABLE_WINDOWS_CRYPTO=ON
    -DENABLE_COMMONCRYPTO=OFF -DENABLE_GNUTLS=OFF -DENABLE_OPENSSL=OFF -DENABLE_MBEDTLS=OFF
    -DENABLE_BZIP2=OFF -DENABLE_LZMA=OFF
    # libzip 1.7.3 knows no zstd; the switch keeps it out of a later version too.
    -DENABLE_ZSTD=OFF
)
key="$(
    {
        printf '%s\n' "$libzip_version" "$host_package" "$(x86_64-w64-mingw32-gcc-posix -dumpversion)"
        cat "$here/mingw-w64.cmake" "$here/build-libzip.sh"
    } | sha256sum | cut -c1-12
)"
prefix="$cache_root/libzip-$libzip_version-win64-$key"
if [ -f "$prefix/.complete" ] || [ "${1:-}" = --where ]; then
    echo "$prefix"
    exit 0
fi

work="$cache_root/work-libzip-$key"
rm -rf "$work" "$prefix"
mkdir -p "$work"
(
    cd "$work"
    # The source of exactly the host's package, with Debian's patches applied (as on
    # Linux: among them the zip_archive_set_tempdir that Debian keeps).
    apt-get source -qq --download-only "libzip=$host_package" >/dev/null
    dpkg-source -x ./*.dsc src >/dev/null
)
src="$work/src"
echo "Configuring libzip $libzip_version for Windows (log: $work/configure.log)" >&2
cmake -S "$src" -B "$work/build" -DCMAKE_INSTALL_PREFIX="$prefix" "${cmake_args[@]}" >"$work/configure.log" 2>&1 ||
    { tail -40 "$work/configure.log" >&2; exit 1; }
# Without Windows' cryptography libzip would build, silently, with no AES at all.
if ! grep -q '^#define HAVE_WINDOWS_CRYPTO' "$work/build/config.h"; then
    echo "build-libzip.sh: libzip was configured without Windows' cryptography (see $work/configure.log)" >&2
    exit 1
fi
echo "Building libzip $libzip_version for Windows (log: $work/build.log)" >&2
nice -n 10 cmake --build "$work/build" --parallel "$(nproc)" >"$work/build.log" 2>&1 ||
    { tail -40 "$work/build.log" >&2; exit 1; }
cmake --install "$work/build" >"$work/install.log" 2>&1 || { tail -40 "$work/install.log" >&2; exit 1; }
# The licence goes into the program folder with the library.
install -D -m 644 "$src/LICENSE" "$prefix/share/licenses/libzip/LICENSE"
touch "$prefix/.complete"
rm -rf "$work"
echo "$prefix"
