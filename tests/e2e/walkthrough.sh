#!/usr/bin/env bash
# Walks through the real program under Xvfb, with keyboard and mouse, in a fresh
# program folder: logs in with the first-access keyword, registers a student,
# records a lesson, imports the student into a TT 2112 form, saves it, finds it
# again, exports both archives, opens the deadlines and prints the enrolment
# register, and prints the form's preview to PDF. Then checks
# the files on disk. Screenshots of every step go to FOLDER.
#   tests/e2e/walkthrough.sh FOLDER
set -uo pipefail
here="$(cd "$(dirname "$(readlink -f "$0")")/../.." && pwd)"
shots="$(mkdir -p "${1:?usage: walkthrough.sh FOLDER}" && cd "$1" && pwd)"
program="$(mktemp -d /tmp/volantix-walk.XXXXXX)"
cp "$here/dist/Volantix/volantix" "$program/"
"$here/build/bin/volantix-init-store" "$program"
export HOME="$program/home"
mkdir -p "$HOME"
# Backups go to a folder of their own, as a school would choose on a USB drive.
backups="$program-copie"
mkdir -p "$backups"
printf '[Copia di sicurezza]\r\nCartella=%s\r\n' "$backups" >"$program/Autoscuola.ini"

if [ -z "${VOLANTIX_IN_XVFB:-}" ]; then
    VOLANTIX_IN_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x900x24" "$0" "$@"
fi

label=walkthrough
# shellcheck source=common.sh
. "$here/tests/e2e/common.sh"
step=0
shot() { step=$((step + 1)); import -window root "$shots/$(printf '%02d' "$step")-$1.png"; }

cd "$program"
"$program/volantix" > "$program/volantix.log" 2>&1 &
app=$!
pause 2.5
shot login
type_ passacorridoio; key Return; pause 1.5
shot start

# A backup from the start screen: the advice to set a password, then the backup.
panel '^ Volantix$' 995 692 && click 496 487 1.5
panel ' Copia di sicurezza$' 553 468
shot backup-advice; key Return; pause 0.5
click 110 407 3
shot backup-done; key Return
click 486 407 1

# The registry: a new student, saved.
panel '^ Volantix$' 995 692 && click 246 560 1.5
panel 'Anagrafica Allievi' 996 692
type_student
shot registry-filled
click 82 45; shot registry-saved; key Return

# A lesson.
click 865 562 1.5
panel 'Gestione lezioni' 833 585
click 250 559
type_ "05/03/2024"; key Return; type_ "07:30"; key Return; type_ "08:30"; key Return; type_ "1 ora"; key Return
type_ "Fiat Panda"; key Return; type_ "ab123cd"; key Return; type_ "Gianni Bianchi"; key Return; type_ "Parcheggio"
click 738 503; shot lesson-saved; key Return
click 738 549

# The student archive exported.
panel 'Anagrafica Allievi' 996 692
click 854 45 2
panel 'Esporta archivio allievi' 837 533 && click 590 40
shot export-students
key Return; pause 1.5; key Escape
click 786 40

# The deadlines: the new student's theory window, the enrolment register printed
# to PDF, and the student called up again with a double click.
panel 'Anagrafica Allievi' 996 692 && click 183 45 1.5
panel ' Scadenze$' 833 529
shot deadlines
click 434 503 2
shot register-dialog
key Return; pause 4
register="$(find "$program" "$HOME" -name '*.pdf' -newer "$program/Allievi.pro" | head -1)"
check "the register printed to PDF" test -n "$register"
if [ -n "$register" ]; then
    check "the register's heading" bash -c "pdftotext '$register' - | grep -q 'Registro di iscrizione'"
    check "the student in the register" bash -c "pdftotext '$register' - | grep -q 'Rossi Maria'"
    mv "$register" "$shots/registro.pdf"
fi
panel ' Scadenze$' 833 529 && dclick 200 186
panel 'Anagrafica Allievi' 996 692
shot deadline-loaded

# The hours of the instructors and vehicles: this month has no lessons, March 2024 one.
click 219 45 2
panel ' Ore di guida$' 833 529
click 150 466; key ctrl+a; type_ "01/03/2024"; key Tab; key ctrl+a; type_ "31/03/2024"; key Return; pause 1
shot hours
click 592 503 1.5; key Escape; pause 0.5
key Escape; pause 1
panel 'Anagrafica Allievi' 996 692
click 951 45 1.5
panel '^ Volantix$' 995 692; pause 1.5
shot start-deadlines

# The form: the student imported, the school data typed, saved.
panel '^ Volantix$' 995 692 && click 742 560 1.5
panel 'Gestione Modello TT 2112' 994 692
click 82 45 1.5
panel 'Trova allievi' 833 529
click 750 503 1.5
shot import-found
dclick 200 186
panel 'Gestione Modello TT 2112' 994 692
click 729 124; type_ "AS0123"; key Return; type_ "Roma"
click 450 605; type_ "Esame fissato per giugno"
shot form-filled
click 122 45; shot form-saved; key Return

# Found again.
click 162 45 1.5
panel 'Trova Modelli' 833 529
type_ "ross"; click 750 503 1.5
shot form-found
dclick 200 186
panel 'Gestione Modello TT 2112' 994 692
shot form-reopened

# The form archive exported.
click 853 45 2
panel 'Esporta archivio Modelli' 837 533 && click 590 40
shot export-forms
key Return; pause 1.5; key Escape
click 786 40

# The preview, printed to PDF.
panel 'Gestione Modello TT 2112' 994 692
click 385 45 1.5
panel 'Anteprima di stampa$' 364 287 && click 276 257 3
shot preview
preview="$(xdotool search --onlyvisible --name 'Anteprima di stampa - ' | tail -1)"
eval "$(xdotool getwindowgeometry --shell "$preview")"
xdotool mousemove $((X + 30)) $((Y + 14)) click 1; pause 2
shot print-dialog
key Return; pause 4
xdotool key ctrl+w 2>/dev/null; pause 0.5
kill "$app" 2>/dev/null; wait "$app" 2>/dev/null

# What is on disk.
records() { echo $(($(stat -c %s "$program/$1") / $2)); }
check "one student" test "$(records Allievi.pro 3177)" = 1
check "one lesson" test "$(records Lezioni_Guida_Allievo_1.lez 134)" = 1
check "one form" test "$(records Modelli_TT2112.pro 2926)" = 1
check "the form holds the imported student" grep -q "Rossi" "$program/Modelli_TT2112.pro"
check "the form holds the school code" grep -q "AS0123" "$program/Modelli_TT2112.pro"
check "the lesson's plate upper-cased" grep -q "AB123CD" "$program/Lezioni_Guida_Allievo_1.lez"
check "students exported" grep -q "Rossi Maria" "$program/Registro_Allievi.xls"
check "forms exported" grep -q "AS0123" "$program/Modelli_TT_2112.xls"
check "the hours exported with the lesson's instructor" grep -q "Gianni Bianchi" "$program/Ore_di_guida.xls"
pdf="$(find "$program" "$HOME" -name '*.pdf' -newer "$program/Allievi.pro" | head -1)"
check "the preview printed to PDF" test -n "$pdf"
if [ -n "$pdf" ]; then
    check "eight pages" test "$(pdfinfo "$pdf" | awk '/^Pages:/ {print $2}')" = 8
    cp "$pdf" "$shots/modello.pdf"
fi
backup="$(find "$backups" -name 'Volantix_backup_*.zip' | head -1)"
check "a verified backup in the chosen folder" test -n "$backup"
if [ -n "$backup" ]; then
    check "any zip tool reads the backup" unzip -tq "$backup"
    check "the backup lists its files" sh -c "unzip -p '$backup' manifest.txt | grep -q '^Allievi.pro'"
fi
rm -rf "$program" "$backups"
summary
