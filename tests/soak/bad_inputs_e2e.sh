#!/usr/bin/env bash
# The real game on damaged game folders: no catalogue and no font, absurd
# settings, no victory arena, and match arenas that are a folder, cut short or
# not named at all.
# Each run must end by itself and say why: status 1 when an arena is missing.
source "$(dirname "$0")/../e2e/lib.sh"
e2e_init "$@"

GAME="$E2E_TMP/game"
mkdir -p "$GAME/maps"
compile_arena box "$GAME/maps/arena1"
write_settings "$GAME" FPS=0 Image1=-2147483648 Image2=2147483647 Zoltr=5 \
    Name1=Aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa Name2=$'\xe8\xe1\xed\xc8'

all_black() { [ "$("$CONVERT" "$1" -format '%[max]' info:)" = 0 ]; }

note "no catalogue, no font, absurd settings, no victory arena"
open_game "$GAME"
tap_key x
sleep 0.5
tap_key x
sleep 1.5
game_running || fail "the game died without its media"
screenshot "$E2E_TMP/match.png" || fail "no screenshot"
all_black "$E2E_TMP/match.png" || fail "a match without pictures should be black"
press_until_exit Escape 60 || fail "the game did not end after Escape"
[ "$E2E_STATUS" -eq 1 ] || fail "exit status $E2E_STATUS without a victory arena, expected 1"
grep -q "^Couldn't load image gfx/myfont.gif: " "$E2E_STDERR" || fail "no message for the missing font"
grep -q "Nebyl nalezen seznam.dat" "$E2E_STDERR" || fail "no message for the missing catalogue"
grep -q "settings.ini: FPS 0 is not a frame rate, using 50" "$E2E_STDERR" || fail "no message for FPS 0"
[ "$(tail -c 43 "$E2E_STDERR")" = "Chyba scriptu Mapa maps/win1 neexistuje !!!" ] ||
    fail "the missing victory arena was not the last word"

head -c 3073 "$GAME/maps/arena1" >"$GAME/maps/short"
for level in maps maps/short ""; do
    note "Level '$level'"
    write_settings "$GAME" Level="$level"
    open_game "$GAME"
    press_until_exit x 60 || fail "the game did not end with Level $level"
    [ "$E2E_STATUS" -eq 1 ] || fail "exit status $E2E_STATUS with Level $level, expected 1"
    grep -q "Chyba scriptu Mapa $level neexistuje !!!\$" "$E2E_STDERR" || fail "no message for Level $level"
done
note "passed"
