# The system ends the game: SIGTERM and SIGINT end it at once (the close
# button still does nothing), a display that goes away ends it with a
# "Problem" line instead of a spin, and no display at all is a problem too.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"

GAME="$E2E_TMP/game"
make_game_dir "$GAME"

for signal in TERM INT; do
    note "SIG$signal during the intro"
    start_game "$GAME"
    find_window || fail "no window before SIG$signal"
    kill -s "$signal" "$E2E_PID"
    wait_exit 5 || fail "the game went on after SIG$signal"
    [ "$E2E_STATUS" -eq $((128 + $(kill -l "$signal"))) ] || fail "status $E2E_STATUS after SIG$signal"
done

note "no display"
start_game "$GAME" DISPLAY= WAYLAND_DISPLAY=
wait_exit 20 || fail "the game without a display did not end"
[ "$E2E_STATUS" -eq 1 ] || fail "status $E2E_STATUS without a display, expected 1"
# (SDL may first complain about Wayland's runtime folder.)
grep -q '^Problem: there is no display to show the game on$' "$E2E_STDERR" || fail "no Problem line without a display"

note "the display goes away"
start_display 640x480
start_game "$GAME" DISPLAY="$E2E_DISPLAY"
DISPLAY=$E2E_DISPLAY find_window || fail "no window on the private display"
stop_display
wait_exit 5 || fail "the game went on (spinning?) after its display went away"
[ "$E2E_STATUS" -eq 1 ] || fail "status $E2E_STATUS after the display went away, expected 1"
grep -q '^Problem: the connection to the display was lost$' "$E2E_STDERR" || fail "no Problem line for the lost display"
note "ok"
