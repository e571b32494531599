#!/usr/bin/env bash
# Checks the Windows package after tools/windows/build.sh: the folder, the zip and
# the installer's list of files hold exactly the program's own files, and nothing
# that was in the folder before the build (setup.sh leaves a stray file there
# first, as an earlier build or a hand might).
#   tests/e2e/package.sh [STRAY-NAME]
set -uo pipefail
cd "$(dirname "$(readlink -f "$0")")/../.."
label=package
# shellcheck source=common.sh
. tests/e2e/common.sh
stray="${1:-avanzo.dll}"
folder=dist/Volantix-win64
list=build-win64/program-files.nsh

check "the stray file is gone from the folder" test ! -e "$folder/$stray"
check "the zip does not hold it" sh -c "! unzip -Z1 dist/Volantix-win64.zip | grep -qF '$stray'"
check "the installer does not list it" sh -c "! grep -qF '$stray' '$list'"
in_folder="$(cd dist && find Volantix-win64 -type f | sort)"
in_zip="$(unzip -Z1 dist/Volantix-win64.zip | grep -v '/$' | sort)"
check "the zip holds the folder, file for file" test "$in_folder" = "$in_zip"
# Every file the installer lists is in the folder, and every file of the folder
# but the password store is listed.
listed="$(sed -n 's/^    File "${SOURCE}\/\(.*\)"$/\1/p' "$list" | sort)"
expected="$(cd "$folder" && find . -type f ! -name unins000.dll | sed 's|^\./||' | sort)"
check "the installer lists the folder's files" test "$listed" = "$expected"
for file in volantix.exe volantix-archive.exe Guida.pdf Qt6Core.dll platforms/qwindows.dll translations/qtbase_it.qm unins000.dll \
    libzip.dll zlib1.dll Licenze/LICENSE-libzip.txt Licenze/LICENSE-zlib.txt; do
    check "the package holds $file" test -s "$folder/$file"
done
summary
