# Full screen on displays larger than the game, without a window manager:
# the picture fills a 1024x768 display, scaled whole (the menu and a match),
# and stands whole and centred between black bars on a 1920x1080 one. The
# menu switched back to a window and left with Escape stays a window.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"

dir=$E2E_TMP/game
make_game_dir "$dir"
write_settings "$dir" Windowed=0
GAME=$E2E_BIN
shot() { timeout 20 "$IMPORT" -window root "$1" 2>/dev/null; }
# The dark blue HUD strip lies across the top of the picture, 20 of its 480 rows.
strip_at() { colour_near "$1" "$2" "$3" 0 0 128; }
black_at() { colour_near "$1" "$2" "$3" 0 0 0 8; }
# Screenshots of the whole display until pixel ($2, $3) shows the strip.
strip_shows() {
    for _ in $(seq 100); do shot "$1" && strip_at "$1" "$2" "$3" && return 0; sleep 0.2; done
    return 1
}

note "the menu on 1024x768"
start_display 1024x768
export DISPLAY=$E2E_DISPLAY
start_menu "$dir"
window_of "$MENU_CAPTION" || fail "no menu window"
strip_shows "$E2E_TMP/menu.png" 1015 28 || fail "the menu does not fill the display: $(pixel_of "$E2E_TMP/menu.png" 1015 28)"
strip_at "$E2E_TMP/menu.png" 8 4 || fail "the menu's top-left corner is not the display's"

note "back to a window, kept after Escape"
# The screen row's '>' at (600, 222) of the picture, 1.6 times as far on the display.
xdotool mousemove 960 355 click 1
sleep 0.5
tap_key Escape 0.05
wait_exit 10 || fail "Escape did not end the menu"
[ "$E2E_STATUS" -eq 0 ] || fail "status $E2E_STATUS after Escape"
grep -q '^Windowed 1$' "$dir/settings.ini" || fail "the window was not kept: $(cat "$dir/settings.ini")"

note "a match on 1024x768"
write_settings "$dir" Windowed=0
E2E_BIN=$GAME start_game "$dir"
window_of "$GAME_CAPTION" || fail "no game window"
# Keys end the intro and its wait; the window is the whole display.
fills() { strip_at "$1" 1015 28; }
tap_until fills space 40
stop_game
stop_display

note "the menu on 1920x1080: centred between bars"
start_display 1920x1080
export DISPLAY=$E2E_DISPLAY
start_menu "$dir"
window_of "$MENU_CAPTION" || fail "no menu window"
# 2.25 times as large: 1440x1080 from x 240 on.
strip_shows "$E2E_TMP/wide.png" 1670 40 && strip_at "$E2E_TMP/wide.png" 250 40 ||
    fail "the menu does not stand whole on the wide display"
black_at "$E2E_TMP/wide.png" 230 40 && black_at "$E2E_TMP/wide.png" 1690 40 || fail "no bars beside the picture"
stop_game
note "ok"
