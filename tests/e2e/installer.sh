#!/usr/bin/env bash
# Installs the Windows package under Wine, silently, into a folder with a blank
# in its name; puts a school's data beside it; installs again over it; then
# uninstalls. The data and the password store must come through untouched.
#   tests/e2e/installer.sh SETUP.EXE WINEPREFIX
set -uo pipefail
setup="$(readlink -f "${1:?usage: installer.sh SETUP.EXE WINEPREFIX}")"
export WINEPREFIX="$(cd "${2:?usage: installer.sh SETUP.EXE WINEPREFIX}" && pwd)" WINEDEBUG=-all
label=installer
# shellcheck source=common.sh
. "$(dirname "$(readlink -f "$0")")/common.sh"

target='C:\Scuola Guida\Volantix'
folder="$WINEPREFIX/drive_c/Scuola Guida/Volantix"
rm -rf "$WINEPREFIX/drive_c/Scuola Guida"
cp "$setup" "$WINEPREFIX/drive_c/volantix-setup.exe"
# The installer takes the folder, blanks and all, unquoted at the end of its
# command line, as Windows passes it: through cmd, which leaves it as it is.
install() { wine cmd /c "C:\volantix-setup.exe /S /D=$target"; wineserver -w; }
# As from the control panel: the uninstaller runs from a copy of itself, so that
# it can remove its own file.
uninstall() {
    printf '"%s\\Disinstalla Volantix.exe" /S\r\n' "$target" >"$WINEPREFIX/drive_c/volantix-uninstall.cmd"
    wine cmd /c 'C:\volantix-uninstall.cmd'
    wineserver -w
}
install
check "the program is installed" test -f "$folder/volantix.exe"
check "the platform plugin is installed" test -f "$folder/platforms/qwindows.dll"
check "the guide is installed" test -f "$folder/Guida.pdf"
check "the password store is written" test -s "$folder/unins000.dll"
check "the uninstaller is written" test -f "$folder/Disinstalla Volantix.exe"
check "a desktop shortcut" test -f "$WINEPREFIX/drive_c/users/Public/Desktop/Volantix.lnk"
check "a Start menu shortcut" test -f "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Volantix/Volantix.lnk"

# A school's data, and a password the school has changed.
printf 'changed store' >"$folder/unins000.dll"
printf 'record' >"$folder/Allievi.pro"
printf 'lesson' >"$folder/Lezioni_Guida_Allievo_1.lez"
printf '[Modello TT2112]\r\nCodice Autoscuola=AS0123\r\n' >"$folder/Autoscuola.ini"
mkdir -p "$folder/Allegati"
printf 'attached' >"$folder/Allegati/patente.pdf"
# The backup password and a backup, in a folder beside the program's.
printf 'protected' >"$folder/Copia_sicurezza.chiave"
backups="$WINEPREFIX/drive_c/Scuola Guida/Volantix_Backup"
mkdir -p "$backups"
printf 'zip' >"$backups/Volantix_backup_20261211_093000.zip"
snapshot() { (cd "$folder" && find . -type f ! -name '*.exe' ! -name 'Qt6*.dll' ! -name 'lib*.dll' ! -name zlib1.dll ! -path './platforms/*' ! -path './styles/*' ! -path './translations/*' ! -name Guida.pdf ! -path './Licenze/*' -print0 | sort -z | xargs -0 sha256sum); }
before="$(snapshot)"

install
check "installing again keeps the store and the data" test "$(snapshot)" = "$before"

uninstall
check "the program is removed" test ! -e "$folder/volantix.exe"
check "Qt is removed" test ! -e "$folder/Qt6Core.dll"
check "the plugins are removed" test ! -e "$folder/platforms"
check "the uninstaller is removed" test ! -e "$folder/Disinstalla Volantix.exe"
check "the licences are removed" test ! -e "$folder/Licenze"
check "the shortcuts are removed" test ! -e "$WINEPREFIX/drive_c/users/Public/Desktop/Volantix.lnk"
check "uninstalling keeps the store and the data" test "$(snapshot)" = "$before"
check "uninstalling leaves the backups alone" test "$(cat "$backups/Volantix_backup_20261211_093000.zip")" = zip
rm -rf "$WINEPREFIX/drive_c/Scuola Guida" "$WINEPREFIX/drive_c/volantix-setup.exe" "$WINEPREFIX/drive_c/volantix-uninstall.cmd"
summary
