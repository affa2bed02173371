#!/usr/bin/env bash
# The menu joins a networked match: the host's address typed on the Join
# row, Enter, and the game in its window plays the host's match (a computer
# on each side, the joiner without the arena). Escape there leaves it: the
# menu comes back saying the network match is over, and the host is told that
# the other player left. The next start offers the address typed.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"
MENU=$(dirname "$E2E_BIN")/zoltr-menu
[ -x "$MENU" ] || fail "no zoltr-menu beside the game"

for side in host join; do
    make_game_dir "$E2E_TMP/$side"
    write_settings "$E2E_TMP/$side" Zoltr=1000 FPS=50 Sounds=0 Language=1 Computer1=1 Computer2=1
done
rm "$E2E_TMP/join/maps/arena1"
port=$((20000 + ($$ + 7) % 20000))
(cd "$E2E_TMP/host" && exec env SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy "$E2E_BIN" --host "$port" \
    2>"$E2E_TMP/host.err") &
host_pid=$!
trap 'kill -KILL $host_pid 2>/dev/null; e2e_cleanup' EXIT

GREY=(128 128 128)
in_match() { colour_near "$1" 320 5 0 0 128 && colour_near "$1" 10 470 "${GREY[@]}"; }
GAME_CAPTION=$E2E_CAPTION_PATTERN

E2E_BIN=$MENU start_game "$E2E_TMP/join"
E2E_CAPTION_PATTERN='match menu'
find_window 30 && focus_window || fail "the menu's window did not open"
xdotool mousemove --window "$E2E_WID" 400 312 click 1  # the Join row
sleep 0.3
xdotool type --delay 60 "127.0.0.1:$port"
sleep 0.3
tap_key Return 0.05
E2E_CAPTION_PATTERN=$GAME_CAPTION
find_window 30 && focus_window || fail "the game's window did not open"
screenshot_until "$E2E_TMP/joined.png" in_match 30 || fail "no match on the joiner's screen"

note "Escape on the joiner's side"
tap_key Escape 0.3
for ((t = 0; t < 100; t++)); do
    grep -q '^zoltr-menu: The network match is over\.$' "$E2E_STDERR" && break
    sleep 0.1
done
grep -q '^zoltr-menu: The network match is over\.$' "$E2E_STDERR" || { cat "$E2E_STDERR"; fail "the menu did not say so"; }
wait $host_pid
status=$?
[ "$status" = 1 ] && grep -q '^Network: the other player left the match$' "$E2E_TMP/host.err" ||
    { cat "$E2E_TMP/host.err"; fail "host status $status"; }
E2E_CAPTION_PATTERN='match menu'
find_window 30 && focus_window || fail "the menu's window is not back"
sleep 0.7  # the menu ignores keys for half a second after a match
tap_key Escape 0.05
wait_exit 10 || fail "the menu did not quit"
[ "$E2E_STATUS" -eq 0 ] || fail "menu exit status $E2E_STATUS"

note "the next start offers the address again"
grep -qx "JoinAddress 127.0.0.1:$port" "$E2E_TMP/join/settings.ini" || fail "the address was not kept"
start_menu "$E2E_TMP/join"
window_of "$MENU_CAPTION" || fail "the menu's window did not open again"
address_shown() { colour_near "$1" 433 312 255 255 255; }
screenshot_until "$E2E_TMP/again.png" address_shown 30 || fail "the Join row is empty"
tap_key Escape 0.05
wait_exit 10 && [ "$E2E_STATUS" -eq 0 ] || fail "the menu did not quit"
echo PASS
