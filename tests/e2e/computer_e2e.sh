#!/usr/bin/env bash
# Computer players in a real window: two hard computers play a match to 3
# kills on a shipped arena by themselves after one key ends the intro, and the
# game ends after the end scene with status 0; a hard computer against a
# player who touches nothing wins. The winner stands on the victory arena's
# first spawn point (x 100-119), the loser on the second (x 520-539); fighter 1
# is green, fighter 2 shows another colour there.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"

GAME="$E2E_TMP/game"
make_game_dir "$GAME"
cp "$E2E_SRC/game/maps/arena1" "$GAME/maps/arena1"
cp "$E2E_SRC/game/maps/arena2" "$GAME/maps/arena2"

GREY=(128 128 128)
in_match() { colour_near "$1" 320 5 0 0 128 && colour_near "$1" 10 470 "${GREY[@]}"; }

# Fighter 1's green, and any fighter, in the 20 by 20 place at x $2 of the end scene's floor.
green_pixels() { count_pixels "$1" "20x20+$2+440" 'g > 200 && r < 60 && b < 60'; }
lit_pixels() { count_pixels "$1" "20x20+$2+440" 'r + g + b > 150'; }

# Plays one match with the computers the settings name; the last screenshot
# is the end scene's.
play_alone() {
    write_settings "$GAME" Zoltr=3 FPS=1000 Language=1 "$@"
    open_game "$GAME"
    tap_until in_match space 40
    local start=$SECONDS shot="$E2E_TMP/end.png"
    while game_running; do
        [ $((SECONDS - start)) -lt 200 ] || fail "the match did not end by itself in 200 s"
        # The window can go while it is taken: a screenshot must not wait for ever.
        timeout 10 "$IMPORT" -window "$E2E_WID" "$E2E_TMP/now.png" 2>/dev/null && game_running &&
            cp "$E2E_TMP/now.png" "$shot"
        sleep 0.5
    done
    wait_exit 5
    [ "$E2E_STATUS" -eq 0 ] || fail "exit status $E2E_STATUS, expected 0"
    [ ! -s "$E2E_STDERR" ] || fail "the game wrote to its error stream"
    note "ended after $((SECONDS - start)) s"
}

note "two hard computers"
play_alone Computer1=3 Computer2=3
[ "$(lit_pixels "$E2E_TMP/end.png" 100)" -gt 100 ] && [ "$(lit_pixels "$E2E_TMP/end.png" 520)" -gt 100 ] ||
    fail "the fighters do not stand on the winner's and the loser's places"

note "a hard computer against a player who does nothing"
# The towers: the quickest of the shipped arenas for a hard computer (about
# seven kills a minute against a player who stands still).
play_alone Computer2=3 Level=maps/arena2
[ "$(green_pixels "$E2E_TMP/end.png" 520)" -gt 100 ] || fail "player 1 (green) is not on the loser's place"
note "computer e2e: ok"
