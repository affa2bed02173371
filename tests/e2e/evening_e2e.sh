# An evening through the match menu, in a play folder made as ./play makes
# it: two matches won by player 1 and one abandoned; the score counts 2 to 0
# and leaves the abandoned one out; a rematch goes from Enter to a playing
# match without the intro or a key, within E2E_REMATCH_MS (30000 by default:
# for the sanitized build on a loaded machine; the release build is held to
# 2000: `bash tests/e2e/evening_e2e.sh build-rel/zoltr .` with
# E2E_REMATCH_MS=2000); P pauses (no CPU time used) and resumes; and no
# tracked file of the source tree changes.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"

tracked_before=$(git -C "$E2E_SRC" status --porcelain 2>/dev/null; git -C "$E2E_SRC" diff 2>/dev/null | md5sum)
dir=$E2E_TMP/play
bash "$E2E_SRC/scripts/play-folder.sh" "$dir" || fail "the play folder was not made"
# The duel: both fighters start on one spawn point with a knife, which player
# 1, placed first, takes; holding Tab kills player 2.
compile_arena duel "$dir/maps/duel"
sed -i 's|^Level .*|Level maps/duel|; s|^Zoltr .*|Zoltr 1|; s|^Name1 .*|Name1 Ann|; s|^Name2 .*|Name2 Bob|' \
    "$dir/settings.ini"

game_pid() { pgrep -P "$E2E_PID" | head -n 1; }
# The HUD strip's own grey-blue shows in a match, never in the intro.
in_match() { colour_near "$1" 5 5 44 44 56 8; }
band_dark() { [ "$("$CONVERT" "$1" -crop 600x14+20+228 -format '%[max]' info:)" = 0 ]; }
paused_line() { ! band_dark "$1"; }
back_in_menu() {
    local start=$SECONDS
    while [ -n "$(game_pid)" ]; do
        [ $((SECONDS - start)) -lt 60 ] || fail "the game did not end"
        sleep 0.1
    done
    window_of "$MENU_CAPTION" || fail "the menu's window is not there"
    sleep 0.7  # the menu ignores keys for half a second after a match
}
# Player 1 holds Tab until the kill ends the match, then Escape leaves the victory scene.
win_for_ann() {
    xdotool keydown Tab; sleep 4; xdotool keyup Tab
    while [ -n "$(game_pid)" ]; do tap_key Escape 0.3; sleep 0.2; done
    back_in_menu
}

start_menu "$dir"
window_of "$MENU_CAPTION" || fail "the menu's window did not open"

note "the first match, with the intro"
tap_key Return 0.05
window_of "$GAME_CAPTION" || fail "the game's window did not open"
tap_until in_match space 30
win_for_ann
grep -q '^zoltr-menu: Ann 1:0 Bob, Ann wins. Enter for a rematch.$' "$E2E_STDERR" || fail "the first win was not reported"

note "a quick rematch, paused and resumed"
start=$(date +%s%N)
tap_key Return 0.05
window_of "$GAME_CAPTION" || fail "the rematch's window did not open"
screenshot_until "$E2E_TMP/rematch.png" in_match 30 || fail "the rematch did not start without keys"
took=$((($(date +%s%N) - start) / 1000000))
note "Enter to a playing match: $took ms"
[ "$took" -lt "${E2E_REMATCH_MS:-30000}" ] || fail "the rematch took $took ms from Enter"
tap_key p 0.05
screenshot_until "$E2E_TMP/paused.png" paused_line 5 || fail "no paused line"
cpu() { awk '{ print $14 + $15 }' "/proc/$(game_pid)/stat"; }
before=$(cpu); sleep 2; used=$(($(cpu) - before))
note "CPU time paused for 2 s: $used ticks"
[ "$used" -le 10 ] || fail "a paused match used $used ticks of CPU time in 2 s"
tap_key p 0.05
screenshot_until "$E2E_TMP/resumed.png" band_dark 5 || fail "P did not resume the match"
win_for_ann

note "an abandoned match"
tap_key Return 0.05
window_of "$GAME_CAPTION" || fail "the third match's window did not open"
screenshot_until "$E2E_TMP/third.png" in_match 10 || fail "the third match did not start"
while [ -n "$(game_pid)" ]; do tap_key Escape 0.05; sleep 0.3; done
back_in_menu
grep -q '^zoltr-menu: Ann 0:0 Bob, abandoned: not counted. Enter for a rematch.$' "$E2E_STDERR" ||
    fail "the abandoned match was not reported as such"
[ "$(tail -n 1 "$E2E_STDERR")" = "zoltr-menu: score: Ann 2, Bob 0 (2 matches)" ] ||
    fail "the score is not 2 to 0: $(tail -n 1 "$E2E_STDERR")"
screenshot "$E2E_TMP/score.png"

tap_key Escape 0.05
wait_exit 10 || fail "the menu did not quit"
[ "$E2E_STATUS" -eq 0 ] || fail "menu exit status $E2E_STATUS"
[ "$(git -C "$E2E_SRC" status --porcelain 2>/dev/null; git -C "$E2E_SRC" diff 2>/dev/null | md5sum)" = "$tracked_before" ] ||
    fail "playing changed the source tree"
echo PASS
