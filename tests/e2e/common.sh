# Shared by the walk-throughs and the installer test: checks that count, and the
# keyboard and mouse under Xvfb. Set `label` before sourcing.
passed=0
failed=0
check() { # description, command...
    local what="$1"
    shift
    if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "$label: FAILED: $what"; fi
}
summary() {
    echo "$label: $passed passed, $failed failed"
    test "$failed" -eq 0
}
pause() { sleep "${1:-0.8}"; }

# The panel of the window whose title matches $1, of size $2 x $3: PX, PY its
# corner. Waits up to 20 s for the window to appear.
panel() {
    local id=""
    for _ in $(seq 1 40); do
        id="$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -1)"
        [ -n "$id" ] && break
        pause 0.5
    done
    [ -n "$id" ] || { echo "$label: no window '$1'"; return 1; }
    eval "$(xdotool getwindowgeometry --shell "$id")"
    PX=$((X + (WIDTH - $2) / 2))
    PY=$((Y + (HEIGHT - $3) / 2))
}
click() { xdotool mousemove "$((PX + $1))" "$((PY + $2))" click 1; pause "${3:-0.8}"; }
dclick() { xdotool mousemove "$((PX + $1))" "$((PY + $2))" click --repeat 2 --delay 80 1; pause; }
type_() { xdotool type --delay "${typing_delay:-15}" "$1"; }
key() { xdotool key "$@"; pause "${key_pause:-0.3}"; }

# Types one student into the registry's fields, from the course code on, with
# Enter from field to field: the same keys in every walk-through, so that the
# records they save can be compared byte for byte.
type_student() {
    type_ "B-2026"; key Return; type_ "Patente B"; key Return; type_ "154"; key Return; type_ "07/01/2026"
    for _ in 1 2 3 4 5; do key Return; done
    type_ "Rossi"; key Return; type_ "Maria"; key Return; type_ "f"; key Return; type_ "01/02/1990"; key Return
    type_ "Roma"; key Return; type_ "rm"; key Return; type_ "RSSMRA90B41H501Z"; key Return; type_ "Italia"; key Return
    type_ "Roma"; key Return; type_ "rm"; key Return; type_ "00100"; key Return; type_ "Via Appia"; key Return; type_ "12"
}
