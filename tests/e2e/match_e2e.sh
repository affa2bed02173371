#!/usr/bin/env bash
# A whole match in a real window: d held walks fighter 1 to the right, Escape
# held ends the match, the end scene shows its texts on the victory arena and
# outlasts the held Escape, and a new Escape press ends the program with
# status 0 and nothing on standard error.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"

GAME="$E2E_TMP/game"
make_game_dir "$GAME"
write_settings "$GAME" Zoltr=10 FPS=50 Language=1
# Match arena: the closed box, floor on row 22, one spawn point (cell 5, x
# 100-119) for both fighters. Victory arena: a floor on row 15 instead, so the
# end scene is told apart. Fighter 1's skin is green, fighter 2's yellow.
compile_arena one_spawn "$GAME/maps/arena1"
compile_arena high_floor "$GAME/maps/win1"
open_game "$GAME"

HUD=(0 0 128)
GREY=(128 128 128)
in_match() { colour_near "$1" 320 5 "${HUD[@]}" && colour_near "$1" 320 470 "${GREY[@]}"; }
in_end_scene() { colour_near "$1" 320 330 "${GREY[@]}" && ! colour_near "$1" 320 470 "${GREY[@]}"; }

GREEN='g > 200 && r < 60 && b < 60'
WHITE='r > 200 && g > 200 && b > 200'

# One key release ends the intro, another starts the match.
tap_until in_match space 40
note "match running"

# Fighter 1 (green) walks right out from under fighter 2 while d is held;
# fighters stand at y 450.
sleep 0.5
screenshot "$E2E_TMP/before.png"
tap_key d 0.8
sleep 0.3
screenshot "$E2E_TMP/after.png"
beyond=$(count_pixels "$E2E_TMP/after.png" 499x1+141+450 "$GREEN")
[ "$beyond" -gt 0 ] || fail "fighter 1 did not walk right from its spawn cell (no green right of x 140)"
same_picture "$E2E_TMP/before.png" "$E2E_TMP/after.png" && fail "the screen did not change"
colour_near "$E2E_TMP/after.png" 50 10 224 0 0 || fail "fighter 1's health bar is not shown"

# Escape held ends the match; level setup forgets it, so the end scene stays.
xdotool keydown Escape
screenshot_until "$E2E_TMP/end.png" in_end_scene 15 || { xdotool keyup Escape; fail "Escape did not bring up the end scene"; }
sleep 1
xdotool keyup Escape
sleep 0.5
game_running || fail "the Escape that ended the match also ended the end scene"
screenshot "$E2E_TMP/end.png"
in_end_scene "$E2E_TMP/end.png" || fail "the end scene went away by itself"
title=$(count_pixels "$E2E_TMP/end.png" 400x12+120+50 "$WHITE")
prompt=$(count_pixels "$E2E_TMP/end.png" 400x12+120+460 "$WHITE")
[ "$title" -gt 100 ] || fail "no result text at y 50 (white pixels: $title)"
[ "$prompt" -gt 100 ] || fail "no prompt text at y 460 (white pixels: $prompt)"
note "end scene shown"

# A new Escape press ends the end scene and the program.
end_with_escape

# The match was recorded: checked headless it matches, played back in the
# window it shows the match, and Escape stops it.
recorded=$(ls "$GAME"/replays/*.zrec 2>/dev/null | tail -1)
[ -n "$recorded" ] || fail "the match was not recorded in replays/"
said=$(cd "$GAME" && "$E2E_BIN" --replay "$recorded" --verify) || fail "the recording does not verify: $said"
[[ "$said" =~ ^replay:\ [0-9]+\ frames,\ state\ hash\ [0-9a-f]{8},\ matches\ the\ recording$ ]] ||
    fail "unexpected verify line: $said"
note "$said"
start_replay() {
    : >"$E2E_STDERR"
    (cd "$GAME" && exec env -u SDL_VIDEODRIVER SDL_AUDIODRIVER=dummy "$E2E_BIN" --replay "$recorded" \
        >"$E2E_TMP/stdout.txt" 2>"$E2E_STDERR") &
    E2E_PID=$!
}
start_replay
find_window
focus_window
screenshot_until "$E2E_TMP/replay.png" in_match 15 || fail "the replay does not show the match"
end_with_escape
note "match e2e: ok"
