# The menu left alone shows its demo: two computers fight on the chosen
# arena under a caption; a key brings the menu back as it was, and a click
# does too without acting on the menu. Nothing is written or counted; Escape
# then quits.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"

dir=$E2E_TMP/game
make_game_dir "$dir"
settings_before=$(md5sum <"$dir/settings.ini")

start_menu "$dir" ZOLTR_DEMO_AFTER_MS=2500
window_of "$MENU_CAPTION" || fail "the menu's window did not open"
play_selected() { colour_near "$1" 400 334 40 150 50; }
screenshot_until "$E2E_TMP/menu.png" play_selected 30 || fail "the menu does not show Play selected"

# The match's HUD strip (dark blue) across the top, the caption's glyphs
# (white blocks of the test font) at the bottom.
in_demo() { colour_near "$1" 320 5 0 0 128 && colour_near "$1" 324 466 255 255 255; }
demo_then() {
    screenshot_until "$E2E_TMP/demo1.png" in_demo 30 || fail "no demo after the idle time"
    sleep 1
    screenshot "$E2E_TMP/demo2.png"
    in_demo "$E2E_TMP/demo2.png" && ! same_picture "$E2E_TMP/demo1.png" "$E2E_TMP/demo2.png" ||
        fail "the demo's fighters do not move"
    "$@"
    back() { same_picture "$1" "$E2E_TMP/menu.png"; }
    screenshot_until "$E2E_TMP/back.png" back 10 || fail "the menu did not come back as it was ($*)"
}

note "a key ends the demo"
demo_then tap_key space 0.05
note "a click on Play! ends it and plays nothing"
demo_then xdotool mousemove --window "$E2E_WID" 480 334 click 1

[ "$(md5sum <"$dir/settings.ini")" = "$settings_before" ] || fail "settings.ini changed: $(cat -A "$dir/settings.ini")"
[ ! -e "$dir/replays" ] && ! grep -q 'zoltr-menu:' "$E2E_STDERR" || fail "a match was recorded or reported"
tap_key Escape 0.05
wait_exit 10 || fail "the menu did not quit"
[ "$E2E_STATUS" -eq 0 ] || fail "menu exit status $E2E_STATUS"
echo PASS
