#!/usr/bin/env bash
# Runs the Windows build's test suite under Wine (CTest's cross-compiling
# emulator), headless, in the given Wine prefix.
#   tools/windows/run-tests.sh WINEPREFIX [ctest options]
set -euo pipefail
root="$(cd "$(dirname "$(readlink -f "$0")")/../.." && pwd)"
export WINEPREFIX="$(cd "${1:?usage: run-tests.sh WINEPREFIX}" && pwd)"
shift
export WINEDEBUG=-all
# Poppler's pdftotext, a Linux program, reads the printed PDFs; it finds the
# files that the tests write on drive C: inside the prefix.
export VOLANTIX_PDFTOTEXT=/usr/bin/pdftotext VOLANTIX_WINE_DRIVE_C="$WINEPREFIX/drive_c"
# The offscreen platform on Windows reads fonts from a folder.
fonts="$root/build-win64/fonts"
mkdir -p "$fonts"
cp -u /usr/share/fonts/truetype/liberation2/*.ttf /usr/share/fonts/truetype/dejavu/*.ttf "$fonts/"
export WINEQT_QPA_FONTDIR="$fonts"
# One Wine server for the whole run, and Wine's own services, started apart so
# that they hold none of CTest's output pipes (CTest would wait for them to end).
setsid wineserver -p </dev/null >/dev/null 2>&1 &
trap 'wineserver -k 2>/dev/null || true' EXIT
sleep 1
wine cmd /c exit </dev/null >/dev/null 2>&1
cd "$root/build-win64"
ctest --output-on-failure --timeout 600 "$@"
