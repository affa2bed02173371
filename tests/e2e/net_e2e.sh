#!/usr/bin/env bash
# Two game processes play one match over loopback through the link simulator
# (60 ms round trip, 2 % loss each way) with both fighters given to the
# computer: 2,000 frames, the same state hash on both sides, the end scene
# left with Escape in each window, status 0; the two recordings are the same
# file and verify to that hash. Then a joiner killed mid-match: the host says
# why within three seconds, keeps its recording and ends with status 1.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"
netsim="$(dirname "$E2E_BIN")/tools/zoltr-netsim"
[ -x "$netsim" ] || fail "no zoltr-netsim beside the game"

for side in host join; do
    make_game_dir "$E2E_TMP/$side"
    write_settings "$E2E_TMP/$side" Zoltr=1000 FPS=50 Sounds=0
    printf 'Computer1 1\nComputer2 1\n' >>"$E2E_TMP/$side/settings.ini"
done
rm "$E2E_TMP/join/maps/arena1"  # the host sends its arena
port=$((20000 + $$ % 20000))
relay=$((port + 1))

side_pid=()
start_side() {  # side, options...
    local side=$1
    shift
    (cd "$E2E_TMP/$side" && exec env -u SDL_VIDEODRIVER SDL_AUDIODRIVER=dummy SDL_RENDER_DRIVER=software \
        SDL_FRAMEBUFFER_ACCELERATION=0 "$E2E_BIN" "$@" 2>"$E2E_TMP/$side.err") &
    side_pid+=($!)
}
stop_all() {
    local pid
    for pid in "${side_pid[@]}" ${netsim_pid:-}; do kill -KILL "$pid" 2>/dev/null; done
}
trap 'stop_all; e2e_cleanup' EXIT
wait_line() {  # file, pattern, seconds
    local waited=0
    until grep -q "$2" "$1" 2>/dev/null; do
        [ $((waited++)) -lt $(($3 * 10)) ] || return 1
        sleep 0.1
    done
}

"$netsim" "$relay" "$port" 30 5 0.02 0.01 0.02 11 &
netsim_pid=$!
start_side host --host "$port" --frames 2000
sleep 0.3
start_side join --join "127.0.0.1:$relay" --frames 2000
for side in host join; do
    wait_line "$E2E_TMP/$side.err" '^Network report: ' 120 || { cat "$E2E_TMP"/*.err; fail "$side did not finish its 2000 frames"; }
done
host_line=$(grep '^Network report: ' "$E2E_TMP/host.err")
join_line=$(grep '^Network report: ' "$E2E_TMP/join.err")
note "host: $host_line"
note "join: $join_line"
[[ $host_line == "Network report: 2000 frames, state hash "*", ended" ]] || fail "host: $host_line"
[ "${host_line%%, input*}" = "${join_line%%, input*}" ] || fail "the two machines end apart"
for wid in $(timeout 10 xdotool search --onlyvisible --name "$E2E_CAPTION_PATTERN"); do
    E2E_WID=$wid
    focus_window
    tap_key Escape
done
for index in 0 1; do
    wait "${side_pid[$index]}" || fail "a side ended with status $?"
done
for side in host join; do
    [ "$(grep -vc '^Network report: ' "$E2E_TMP/$side.err")" = 0 ] || { cat "$E2E_TMP/$side.err"; fail "$side wrote more"; }
done
recordings=("$E2E_TMP"/host/replays/*.zrec "$E2E_TMP"/join/replays/*.zrec)
[ ${#recordings[@]} = 2 ] || fail "recordings: ${recordings[*]}"
cmp "${recordings[@]}" || fail "the two machines recorded different matches"
hash=${host_line#*state hash }
for recording in "${recordings[@]}"; do  # the joiner had no arena1 of its own: checked where it is
    verified=$(cd "$E2E_TMP/host" && "$E2E_BIN" --replay "$recording" --verify) || fail "$recording: $verified"
    [ "$verified" = "replay: 2000 frames, state hash ${hash%%,*}, matches the recording" ] || fail "$verified"
done

# A joiner that dies: the host is told and ends within three seconds.
side_pid=()
start_side host --host "$port"
sleep 0.3
start_side join --join "127.0.0.1:$relay"
# Killed mid-match, not while the two still shake hands on a loaded machine:
# the score bar on the screen (the two windows lie one on the other) shows
# the match is on.
match_shown() { [ "$(count_pixels "$1" 640x16+0+0 'b > 100 && r < 60 && g < 60')" -gt 1000 ]; }
E2E_PID=${side_pid[0]} E2E_WID=root
screenshot_until "$E2E_TMP/match.png" match_shown 60 || fail "the networked match never started"
E2E_PID=""
sleep 1
kill -KILL "${side_pid[1]}"
killed=$(date +%s%N)
wait_line "$E2E_TMP/host.err" '^Network: the link to the other machine was lost$' 10 || { cat "$E2E_TMP/host.err"; fail "no reason"; }
told=$((($(date +%s%N) - killed) / 1000000))
wait "${side_pid[0]}"
status=$?
note "host told ${told} ms after its peer died, status $status"
[ "$status" = 1 ] || fail "host status $status"
[ "$told" -le 3000 ] || fail "told after $told ms"
[ "$(ls "$E2E_TMP"/host/replays | wc -l)" = 2 ] || fail "the cut match was not recorded"
echo "PASS"
