#!/usr/bin/env bash
# Two players at one keyboard: both hold their fire keys while both hammer
# their jump keys (blocked by a low ceiling) so that key events arrive in
# every frame. Both must still throw knives whenever their cooldowns allow:
# both health bars fall below 60 (three hits each) before the first kill,
# which ends the match (kill limit 1; knives take 15 health).
source "$(dirname "$0")/lib.sh"
e2e_init "$@"

GAME="$E2E_TMP/game"
make_game_dir "$GAME"
write_settings "$GAME" Zoltr=1 FPS=50 Language=1
# A one-row tunnel on row 21 under a ceiling on row 20: one spawn point in the
# middle (both fighters start there), a knife two cells to each side, and
# walls a few cells further out.
compile_arena tunnel "$GAME/maps/arena1"

SPAMMER=""
stop_spammer() {
    if [ -n "$SPAMMER" ]; then
        pkill -P "$SPAMMER" 2>/dev/null
        kill "$SPAMMER" 2>/dev/null
        wait "$SPAMMER" 2>/dev/null
        SPAMMER=""
    fi
    xdotool keyup Tab keyup 105 2>/dev/null
}
trap 'stop_spammer; e2e_cleanup' EXIT

open_game "$GAME"

GREY=(128 128 128)
in_match() { colour_near "$1" 320 430 "${GREY[@]}"; }
in_end_scene() { ! colour_near "$1" 320 430 "${GREY[@]}" && colour_near "$1" 320 470 "${GREY[@]}"; }
# Health bars: player 1's spans x 45-124, player 2's 425-504, 8 pixels for
# every 10 health; the 48th pixel of a bar is red only at 60 health or more.
both_hurt() { in_match "$1" && ! colour_near "$1" 92 10 224 0 0 && ! colour_near "$1" 472 10 224 0 0; }

tap_until in_match space 40

# Pictures compared with the one taken before: a loaded machine may draw only
# a few frames a second, so keys are held until the game has shown them.
changed() { ! same_picture "$E2E_TMP/before.png" "$1"; }
still() { ! changed "$1" || { cp "$1" "$E2E_TMP/before.png" && false; }; }

# Apart to the walls over the knives: at least 3 s and until the picture
# stands still (20 s at most)...
screenshot "$E2E_TMP/before.png"
xdotool keydown a keydown Right
sleep 3
screenshot_until "$E2E_TMP/now.png" still 20
xdotool keyup a keyup Right
# ...then a step back to face each other, held until the game has shown it.
screenshot "$E2E_TMP/before.png"
xdotool keydown d keydown Left
screenshot_until "$E2E_TMP/now.png" changed 30 || fail "the fighters did not turn round"
xdotool keyup d keyup Left
note "fighters armed and facing each other"

xdotool keydown Tab keydown 105
( while :; do xdotool key --delay 4 $(printf 'w Up %.0s' {1..50}); done ) 2>/dev/null &
SPAMMER=$!

# Screenshots as fast as the machine takes them, looked at afterwards: the
# hits between three each and the kill can be over in a second.
shots=0
start=$SECONDS
while game_running && [ $((SECONDS - start)) -lt 90 ]; do
    shots=$((shots + 1))
    screenshot "$E2E_TMP/shot$shots.png" || continue
    # The end scene is checked now and then, from the newest picture.
    if [ $((shots % 5)) -eq 0 ] && in_end_scene "$E2E_TMP/shot$shots.png"; then
        break
    fi
done
stop_spammer
hurt=""
for ((i = 1; i <= shots; i++)); do
    [ -s "$E2E_TMP/shot$i.png" ] || continue
    in_end_scene "$E2E_TMP/shot$i.png" && break
    both_hurt "$E2E_TMP/shot$i.png" && { hurt=$i; break; }
done
[ -n "$hurt" ] || fail "the fighters did not both hit each other three times"
note "both threw knives again and again"
screenshot_until "$E2E_TMP/end.png" in_end_scene 60 || fail "no kill ended the match"
note "a kill ended the match"

end_with_escape
note "fire e2e: ok"
