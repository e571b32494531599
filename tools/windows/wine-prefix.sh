#!/usr/bin/env bash
# Makes (once) the Wine prefix that the Windows tests and the walk-through run in,
# and prints its path. Fonts a Windows PC has are mapped onto the Liberation and
# DejaVu fonts, so screens under Wine look as they do on Windows.
#   tools/windows/wine-prefix.sh FOLDER
set -euo pipefail
prefix="$(mkdir -p "${1:?usage: wine-prefix.sh FOLDER}" && cd "$1" && pwd)"
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$prefix/.volantix-ready" ]; then
    wineboot -i >/dev/null 2>&1 || true
    key='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes'
    for pair in "Arial=Liberation Sans" "Tahoma=DejaVu Sans" "Verdana=DejaVu Sans" \
        "Courier New=Liberation Mono" "Times New Roman=Liberation Serif" "Segoe UI=Liberation Sans" \
        "MS Shell Dlg=Liberation Sans" "MS Shell Dlg 2=Liberation Sans" "MS Sans Serif=Liberation Sans"; do
        wine reg add "$key" /v "${pair%%=*}" /t REG_SZ /d "${pair#*=}" /f >/dev/null 2>&1
    done
    wineserver -w
    touch "$prefix/.volantix-ready"
fi
echo "$prefix"
