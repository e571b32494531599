#!/usr/bin/env bash
# Walks through the Windows program under Wine and Xvfb: logs in with the
# first-access keyword, opens the student registry, saves one student and closes
# it. The same keys go to the Linux program in a folder of its own, and the two
# Allievi.pro files must be the same byte for byte. Screenshots go to FOLDER.
#   tests/e2e/wine-walkthrough.sh FOLDER WINEPREFIX
set -uo pipefail
here="$(cd "$(dirname "$(readlink -f "$0")")/../.." && pwd)"
shots="$(mkdir -p "${1:?usage: wine-walkthrough.sh FOLDER WINEPREFIX}" && cd "$1" && pwd)"
export WINEPREFIX="$(cd "${2:?usage: wine-walkthrough.sh FOLDER WINEPREFIX}" && pwd)" WINEDEBUG=-all
# Qt's GDI font engine draws no text into line edits under Wine; FreeType's does,
# so the screenshots show what was typed.
export WINEQT_QPA_PLATFORM="windows:fontengine=freetype"

if [ -z "${VOLANTIX_IN_XVFB:-}" ]; then
    VOLANTIX_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x900x24" "$0" "$@"
fi

label="wine walkthrough"
typing_delay=30
key_pause=0.4
# shellcheck source=common.sh
. "$here/tests/e2e/common.sh"
shot() { import -window root "$shots/$1.png"; }

# One pass: $1 the program folder, $2 the name of its screenshots (empty: none),
# then the command that starts the program.
walk() {
    local folder="$1" name="$2"
    shift 2
    (cd "$folder" && exec "$@" >"$folder/volantix.log" 2>&1) &
    local app=$!
    panel 'Accesso' 100 100 || pause 5
    pause 2
    [ -n "$name" ] && shot "$name-login"
    type_ passacorridoio; key Return; pause 2
    panel '^ Volantix$' 995 692
    [ -n "$name" ] && shot "$name-start"
    click 246 560 2.5
    panel 'Anagrafica Allievi' 996 692
    type_student
    [ -n "$name" ] && shot "$name-registry-filled"
    click 82 45 1.5
    [ -n "$name" ] && shot "$name-registry-saved"
    key Return
    click 951 45 1.5
    panel '^ Volantix$' 995 692
    [ -n "$name" ] && shot "$name-start-again"
    kill "$app" 2>/dev/null
    wait "$app" 2>/dev/null
}

windows="$(mktemp -d /tmp/volantix-wine.XXXXXX)"
linux="$(mktemp -d /tmp/volantix-linux.XXXXXX)"
cp -r "$here/dist/Volantix-win64/." "$windows/"
cp "$here/dist/Volantix/volantix" "$linux/"
"$here/build/bin/volantix-init-store" "$linux"
export HOME="$linux/home"
mkdir -p "$HOME"

walk "$windows" wine wine "$windows/volantix.exe"
wineserver -k 2>/dev/null
walk "$linux" "" "$linux/volantix"

check "the Windows program saved one student" test "$(stat -c %s "$windows/Allievi.pro" 2>/dev/null)" = 3177
check "the Linux program saved one student" test "$(stat -c %s "$linux/Allievi.pro" 2>/dev/null)" = 3177
check "Allievi.pro the same byte for byte" cmp "$windows/Allievi.pro" "$linux/Allievi.pro"
check "the student's name is in the record" grep -q "Rossi" "$windows/Allievi.pro"
rm -rf "$windows" "$linux"
summary
