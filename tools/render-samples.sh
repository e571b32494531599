#!/usr/bin/env bash
# Renders sample printed documents (the eight pages of a filled TT 2112 form, a
# student card, a two-page summary list) to PDF and PNG.
#   tools/render-samples.sh FOLDER
set -euo pipefail
out="${1:?usage: tools/render-samples.sh FOLDER}"
cd "$(dirname "$(readlink -f "$0")")/.."
if [ ! -f build/build.ninja ]; then
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build build --target volantix-samples
mkdir -p "$out"
QT_QPA_PLATFORM=offscreen build/bin/volantix-samples "$out"
for pdf in "$out"/*.pdf; do
    pdftoppm -r 100 -png "$pdf" "${pdf%.pdf}"
done
ls "$out"
