#!/usr/bin/env bash
# Sets up, builds and runs Volantix, or runs its tests.
#   ./setup.sh run      install what is missing, build, lay out dist/Volantix and start the program
#   ./setup.sh test     the same set-up, then the whole test suite, on Linux and, cross-built, under Wine
#   ./setup.sh windows  the same set-up, then the Windows package: dist/Volantix-win64/,
#                       dist/Volantix-win64.zip and dist/Volantix-win64-setup.exe
# All are safe to repeat: packages are installed only when missing, the builds are
# incremental, Qt and libzip for Windows are built once per machine (in
# ~/.cache/volantix), and an existing password store in a program folder is never
# replaced.
set -euo pipefail

cd "$(dirname "$(readlink -f "$0")")"
mode="${1:-}"
case "$mode" in
    run | test | windows) ;;
    *)
        echo "usage: $0 run|test|windows" >&2
        exit 2
        ;;
esac

packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-svg-dev libqt6svg6 qt6-qpa-plugins qt6-translations-l10n
    libsimpleini-dev libgl-dev
    # The backups' zip library. Debian's libzip CMake package names the zipcmp,
    # zipmerge and ziptool programs too and fails without them, so they come along.
    libzip-dev zipcmp zipmerge ziptool
    fonts-liberation2 fonts-dejavu-core
    poppler-utils
)
# The test run also needs clang's fuzzing runtime, an X server for the walk-through
# and 7-Zip (7zz), which opens the backups' AES-encrypted zips as another program would.
if [ "$mode" = test ]; then
    packages+=(clang libclang-rt-14-dev xvfb xauth xdotool imagemagick sqlite3 7zip)
fi
# The Windows build: the cross compilers, mingw-w64's zlib (for libzip), Debian's Qt
# and libzip sources, Wine, NSIS.
if [ "$mode" = test ] || [ "$mode" = windows ]; then
    packages+=(g++-mingw-w64-x86-64-posix mingw-w64-tools libz-mingw-w64-dev dpkg-dev wine wine64 nsis zip unzip
        xvfb xauth xdotool imagemagick)
fi
sudo=()
if [ "$(id -u)" -ne 0 ]; then sudo=(sudo); fi
# Qt and libzip for Windows are built from Debian's own source packages of the
# host's Qt and libzip: the source entries mirror the machine's own configured
# Debian sources (same URIs and keys, this release's suites), and are written only
# when they are not there yet.
if [ "$mode" != run ]; then
    src_entries="$(tools/deb-src.sh --missing)"
    if [ -n "$src_entries" ]; then
        echo "Adding Debian's source packages to apt's sources"
        printf '%s\n' "$src_entries" | "${sudo[@]}" tee /etc/apt/sources.list.d/volantix-src.sources >/dev/null
        "${sudo[@]}" apt-get update -qq
    elif ! tools/deb-src.sh | grep -q .; then
        echo "No Debian source configured for this release in /etc/apt: cannot fetch Qt's and libzip's source" >&2
        exit 1
    fi
fi
missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
if ((${#missing[@]} > 0)); then
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Qt for Windows, when it is not built yet, builds in the background at the lowest
# priority from here on: it takes the time the Linux builds and tests leave idle,
# and the Windows step waits for it.
qt_pid=""
if [ "$mode" = test ] && [ ! -f "$(tools/windows/build-qt.sh --where)/.complete" ]; then
    mkdir -p build
    echo "Building Qt for Windows in the background (log: build/build-qt.log)"
    setsid nice -n 19 tools/windows/build-qt.sh >build/build-qt.log 2>&1 </dev/null &
    qt_pid=$!
fi
wait_for_qt() {
    [ -n "$qt_pid" ] || return 0
    echo "Waiting for Qt for Windows"
    if ! wait "$qt_pid"; then
        tail -40 build/build-qt.log >&2
        echo "Qt for Windows did not build" >&2
        exit 1
    fi
    qt_pid=""
}
# A failure before then ends the background build too (its own process group).
trap '[ -z "$qt_pid" ] || kill -- "-$qt_pid" 2>/dev/null || true' EXIT

build_dir=build
if [ ! -f "$build_dir/build.ninja" ]; then
    cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$build_dir"

# The program folder: the executable and what an installation supplies.
dist_dir=dist/Volantix
"$build_dir/bin/volantix-init-store" "$dist_dir"

if [ "$mode" = run ]; then
    exec "$dist_dir/volantix"
fi
if [ "$mode" = windows ]; then
    exec tools/windows/build.sh
fi

# 1. The whole suite.
(cd "$build_dir" && ctest --output-on-failure --timeout 600)

# 2. The same suite under AddressSanitizer and UndefinedBehaviorSanitizer.
if [ ! -f build-asan/build.ninja ]; then
    cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVOLANTIX_SANITIZE=ON -DVOLANTIX_BUILD_BENCH=OFF \
        -DVOLANTIX_DIST_DIR="$PWD/build-asan/dist"
fi
cmake --build build-asan
# The backup past 4 GiB runs once, in the plain suite above.
(cd build-asan && VOLANTIX_SKIP_LARGE=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    LSAN_OPTIONS=suppressions="$PWD/../tests/lsan.supp" ctest --output-on-failure --timeout 900)

# 3. A short fuzzing run of every target (tools/fuzz.sh SECONDS for longer runs).
tools/fuzz.sh "${VOLANTIX_FUZZ_SECONDS:-10}"

# 4. The walk-through of the real program under Xvfb.
tests/e2e/walkthrough.sh "${VOLANTIX_WALKTHROUGH_DIR:-build/walkthrough}"

# 5. Windows: the package cross-built with its tests, the whole suite under Wine,
#    the installer and a walk-through of volantix.exe.
# A file left in the package folder (by an earlier build or by hand) must not
# reach the new package.
mkdir -p dist/Volantix-win64 && printf 'left over' >dist/Volantix-win64/avanzo.dll
# libzip for Windows is small: when it is not built yet, it builds here, in the
# foreground (build.sh would build it too, but without saying so).
if [ ! -f "$(tools/windows/build-libzip.sh --where)/.complete" ]; then
    echo "Building libzip for Windows"
    nice -n 19 tools/windows/build-libzip.sh >/dev/null
fi
wait_for_qt
tools/windows/build.sh --tests
tests/e2e/package.sh avanzo.dll
wine_prefix="$(tools/windows/wine-prefix.sh build-win64/wineprefix)"
tools/windows/run-tests.sh "$wine_prefix"
tests/e2e/installer.sh dist/Volantix-win64-setup.exe "$wine_prefix"
tests/e2e/wine-walkthrough.sh build-win64/walkthrough "$wine_prefix"
