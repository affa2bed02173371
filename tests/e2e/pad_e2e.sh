#!/usr/bin/env bash
# A gamepad in the real game: a virtual pad (virtual_pad.cpp, preloaded) is
# the only one, so it drives fighter 2. Its button starts the match after
# the intro, its stick walks fighter 2 right while fighter 1 stands, and pulled
# out mid-walk it leaves fighter 2 standing; Escape then ends the game with
# status 0 and nothing on standard error.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"
PAD=$(dirname "$E2E_BIN")/zoltr_virtual_pad.so
[ -f "$PAD" ] || fail "no virtual pad beside the game"

GAME="$E2E_TMP/game"
make_game_dir "$GAME"
write_settings "$GAME" Zoltr=10 FPS=50 Language=1
# Both fighters on the one spawn cell (x 100-119); fighter 1 green, fighter 2 yellow.
compile_arena one_spawn "$GAME/maps/arena1"
FIFO="$E2E_TMP/pad"
mkfifo "$FIFO"
open_game "$GAME" LD_PRELOAD="$PAD" ZOLTR_PAD_FIFO="$FIFO" ASAN_OPTIONS=verify_asan_link_order=0 \
    SDL_JOYSTICK_ALLOW_BACKGROUND_EVENTS=1

pad() { timeout 5 bash -c 'echo "$1" >"$2"' _ "$*" "$FIFO" || fail "the game does not read the pad"; }
in_match() { colour_near "$1" 320 5 0 0 128 && colour_near "$1" 320 470 128 128 128; }
GREEN='g > 200 && r < 60 && b < 60'
YELLOW='r > 200 && g > 200 && b < 60'
fighters() { "$CONVERT" "$1" -crop 640x40+0+430 rgb:- | md5sum; }

start=$SECONDS
until screenshot "$E2E_TMP/now.png" && in_match "$E2E_TMP/now.png"; do
    game_running || fail "the game ended before the match"
    [ $((SECONDS - start)) -lt 40 ] || fail "the pad's button did not start the match"
    pad button 0 1 && sleep 0.1 && pad button 0 0 && sleep 0.3
done
note "the pad's button started the match"

pad axis 0 30000
sleep 0.8
pad unplug
sleep 0.3
screenshot "$E2E_TMP/walked.png"
[ "$(count_pixels "$E2E_TMP/walked.png" 499x1+141+450 "$YELLOW")" -gt 0 ] || fail "the stick did not walk fighter 2 right"
[ "$(count_pixels "$E2E_TMP/walked.png" 499x1+141+450 "$GREEN")" -eq 0 ] || fail "the pad moved fighter 1"
sleep 1
screenshot "$E2E_TMP/later.png"
[ "$(fighters "$E2E_TMP/walked.png")" = "$(fighters "$E2E_TMP/later.png")" ] ||
    fail "fighter 2 walked on after its pad was pulled out"
note "unplugged, fighter 2 stands"
end_with_escape
note "pad e2e: ok"
