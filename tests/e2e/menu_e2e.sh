# The match menu end to end: choose an arena, play, end the match with
# Escape, come back, play a rematch, see a killed game reported, quit.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"

dir=$E2E_TMP/game
make_game_dir "$dir"
compile_arena box "$dir/maps/arena2"
printf '# our own line\r\nName1 Alice\r\nLevel maps/arena1\r\nFPS 100\r\nZoltr 5\r\nWindowed 1\r\n' >"$dir/settings.ini"

menu_window() { window_of "$MENU_CAPTION"; }

# Taps Escape in the game's window until the menu's window is back: the taps
# end the intro, start the match, end it and end the victory scene.
play_through() {
    window_of "$GAME_CAPTION" || fail "the game's window did not open"
    local start=$SECONDS
    # Escape goes only to a game still running: once it has gone, a late tap
    # would reach the menu and quit it.
    while pgrep -P "$E2E_PID" >/dev/null; do
        [ $((SECONDS - start)) -lt 60 ] || fail "the game did not end"
        xdotool keydown Escape; sleep 0.3; xdotool keyup Escape; sleep 0.1
    done
    game_running || fail "the menu ended with the game"
    menu_window || fail "the menu's window is not there"
    sleep 0.7  # the menu ignores keys for half a second after a match
}

start_menu "$dir"
menu_window || fail "the menu's window did not open"
play_selected() { colour_near "$1" 400 334 40 150 50; }
screenshot_until "$E2E_TMP/menu.png" play_selected 30 ||
    fail "the menu does not show Play selected: $(pixel_of "$E2E_TMP/menu.png" 400 334)"

note "choose arena2, an easy computer for player 2, and play"
# Clicks, not arrow taps: under load a tap can last past the key repeat delay.
click_at() { xdotool mousemove --window "$E2E_WID" "$1" "$2" click 1; sleep 0.2; }
click_at 138 400  # the second miniature: arena2
click_at 600 187  # player 2's row of who plays: one step on, the easy computer
click_at 480 334  # Play!
play_through
grep -q '^Level maps/arena2'$'\r''$' "$dir/settings.ini" || fail "arena2 not written: $(cat -A "$dir/settings.ini")"
head -n 1 "$dir/settings.ini" | grep -q '^# our own line'$'\r''$' || fail "the first line was lost"
grep -q '^FPS 100'$'\r''$' "$dir/settings.ini" || fail "the FPS line was lost"
grep -q '^Computer2 1'$'\r''$' "$dir/settings.ini" || fail "the easy computer not written: $(cat -A "$dir/settings.ini")"

note "rematch"
tap_key Return 0.05
play_through
[ "$(grep -c 'zoltr-menu: .*Enter for a rematch' "$E2E_STDERR")" -eq 2 ] || fail "two matches were not reported"

note "a game killed by a signal is reported"
tap_key Return 0.05
window_of "$GAME_CAPTION" || fail "the game's window did not open"
kill -KILL "$(pgrep -P "$E2E_PID" | head -n 1)"
menu_window || fail "the menu did not come back after the kill"
sleep 0.7
grep -q 'zoltr-menu: The game was stopped: Killed' "$E2E_STDERR" || fail "the kill was not reported"

note "a missing victory stage is reported before the game starts"
rm "$dir/maps/win1"
tap_key Return 0.05
for i in $(seq 50); do grep -q 'zoltr-menu: maps/win1, the victory stage, is missing' "$E2E_STDERR" && break; sleep 0.1; done
grep -q 'zoltr-menu: maps/win1, the victory stage, is missing' "$E2E_STDERR" || fail "the missing victory stage was not reported"

note "quit"
tap_key Escape 0.05
wait_exit 10 || fail "the menu did not quit"
[ "$E2E_STATUS" -eq 0 ] || fail "menu exit status $E2E_STATUS"
echo PASS
