# The game from start to exit in a real window: caption, the sliding intro, the
# key releases that end the intro and start the match, the exit status, and
# start-up without settings.ini. (A video driver that fails: system_e2e, and
# the installed launcher's runs in install_e2e.)
source "$(dirname "$0")/lib.sh"
e2e_init "$@"

GAME="$E2E_TMP/game"
make_game_dir "$GAME"

# --- without settings.ini: a message and status 1 before any window ---
note "missing settings.ini"
mkdir -p "$E2E_TMP/empty"
start_game "$E2E_TMP/empty"
wait_exit 20 || fail "the game without settings.ini did not end"
[ "$E2E_STATUS" -eq 1 ] || fail "exit status $E2E_STATUS without settings.ini, expected 1"
[ "$(cat "$E2E_STDERR")" = $'\nsettings.ini wasn'"'"'t found' ] || fail "unexpected message without settings.ini"
xdotool search --name "$E2E_CAPTION_PATTERN" >/dev/null 2>&1 && fail "a window opened without settings.ini"

# --- the whole run ---
note "intro, wait, match, exit"
start_game "$GAME"
find_window || fail "no window with the game's caption"
[ "$(xdotool getwindowname "$E2E_WID")" = "Zoltr Deatmatch - Becherovka ulevy zaludku, Zoltr vas zbavy nudy" ] ||
    fail "caption is '$(xdotool getwindowname "$E2E_WID")'"
eval "$(xdotool getwindowgeometry --shell "$E2E_WID")"
[ "$WIDTH" -eq 640 ] && [ "$HEIGHT" -eq 480 ] || fail "window is ${WIDTH}x$HEIGHT"
focus_window

# Near the turn of the intro the top picture (red, 200x60) hangs below the top
# edge, the left one (green, 200x40) sits in the middle at y = 190, and the
# text, white blocks of the opaque font on magenta, sits around (320, 180).
intro_at_turn() {
    colour_near "$1" 320 30 255 0 0 &&
        colour_near "$1" 320 210 0 255 0 &&
        colour_near "$1" 5 470 0 0 0 &&
        colour_near "$1" 320 120 0 0 0
}
screenshot_until "$E2E_TMP/intro.png" intro_at_turn 40 || fail "the intro pictures never reached the middle"
text_row=$("$CONVERT" "$E2E_TMP/intro.png" -crop 200x1+280+180 txt:- | grep -c -i -E '#(F[0-9A-F]){3}|white')
[ "$text_row" -gt 0 ] || fail "no text glyphs on the intro's text line"

# The first key release ends the intro: the picture stops moving. (Released
# during the one-second pause at the turn, it is seen only after the pause.)
tap_key x
sleep 1.3
screenshot "$E2E_TMP/stopped1.png"
sleep 0.7
screenshot "$E2E_TMP/stopped2.png"
same_picture "$E2E_TMP/stopped1.png" "$E2E_TMP/stopped2.png" || fail "the intro went on after a key release"
game_running || fail "the game ended after the first key release"

# The second key release starts the match. The kill limit is 0, so the match
# ends after its first frame; Escape then ends the end scene.
tap_key x
end_with_escape 60

note "passed"
