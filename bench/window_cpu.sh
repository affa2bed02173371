#!/usr/bin/env bash
# CPU time of the real game in a real X window during a scripted match, against
# a program that only flips the same window at the same frame rate. Needs an X
# display of 640x480 (run it inside xvfb-run -a -s "-screen 0 640x480x24").
#
#   window_cpu.sh GAME FLIP_ONLY GAME_FOLDER [SECONDS] [ARENA]
#
# The game folder is copied; its settings.ini gets a kill limit no match reaches
# and, when given, the arena. Both programs get the same key script: the two
# fighters run back and forth, jump and throw. The game is measured from the key
# release that starts its match; the flip-only program once its window is up.
# Prints a table; exits 1 when a measurement could not be made. With
# ZOLTR_BENCH_KEEP set, the work folder (screenshots, error streams) is kept.
set -u

GAME_BIN=$(readlink -f "$1")
FLIP_BIN=$(readlink -f "$2")
FOLDER=$(readlink -f "$3")
SECONDS_EACH=${4:-30}
ARENA=${5:-}
CAPTION='^Zoltr Deatmatch'
IMPORT=/usr/bin/import
TICKS_PER_SECOND=$(getconf CLK_TCK)

[ -n "${DISPLAY:-}" ] || { echo "window_cpu: DISPLAY is not set; run inside xvfb-run" >&2; exit 1; }
WORK=$(mktemp -d /tmp/zoltr-window-cpu-XXXXXX)
PID=""

cleanup() {
    stop_program
    if [ -n "${ZOLTR_BENCH_KEEP:-}" ]; then
        echo "kept $WORK" >&2
    else
        rm -rf "$WORK"
    fi
}
trap cleanup EXIT

fail() {
    echo "window_cpu: $*" >&2
    [ -s "$WORK/stderr.txt" ] && { echo "---- program stderr ----" >&2; cat "$WORK/stderr.txt" >&2; }
    exit 1
}

stop_program() {
    if [ -n "$PID" ] && kill -0 "$PID" 2>/dev/null; then
        kill -KILL "$PID" 2>/dev/null
        wait "$PID" 2>/dev/null
    fi
    PID=""
}

# User plus system time of every thread of the process so far, in clock ticks.
cpu_ticks() {
    sed 's/^.*) //' "/proc/$PID/stat" | awk '{ print $12 + $13 }'
}

now_ms() {
    date +%s%3N
}

start_program() {
    : >"$WORK/stderr.txt"
    (cd "$WORK/game" && exec env -u SDL_VIDEODRIVER SDL_AUDIODRIVER=dummy "$1" >/dev/null 2>"$WORK/stderr.txt") &
    PID=$!
    WID=$(timeout 30 xdotool search --sync --onlyvisible --name "$CAPTION" 2>/dev/null | head -n 1)
    [ -n "$WID" ] || fail "no window for $1"
    timeout 10 xdotool windowfocus --sync "$WID" 2>/dev/null || xdotool windowfocus "$WID"
}

shot() {
    "$IMPORT" -window "$WID" "$1" 2>/dev/null
}

# Compares pixels: the files themselves carry time stamps.
same_picture() {
    [ "$(/usr/bin/convert "$1" rgb:- | md5sum)" = "$(/usr/bin/convert "$2" rgb:- | md5sum)" ]
}

# One round of the key script, about two seconds: fighter 1 runs right while
# fighter 2 runs left, each jumps and fires, then both turn round. Right
# Control is keycode 105 (its keysym would press the left Control too).
KEY_ROUND=(
    keydown d keydown Left sleep 0.3
    keydown w sleep 0.1 keyup w keydown Tab sleep 0.1 keyup Tab
    keydown Up sleep 0.1 keyup Up keydown 105 sleep 0.1 keyup 105 sleep 0.3
    keyup d keyup Left keydown a keydown Right sleep 0.3
    keydown w sleep 0.1 keyup w keydown Tab sleep 0.1 keyup Tab
    keydown Up sleep 0.1 keyup Up keydown 105 sleep 0.1 keyup 105 sleep 0.3
    keyup a keyup Right
)

# Plays the key script for $1 seconds; a screenshot is taken into $2 after two seconds.
drive() {
    local end=$(($(now_ms) + $1 * 1000)) shot_taken=""
    while [ "$(now_ms)" -lt "$end" ]; do
        kill -0 "$PID" 2>/dev/null || fail "the program ended during the measurement"
        xdotool "${KEY_ROUND[@]}" 2>/dev/null
        if [ -z "$shot_taken" ]; then
            shot "$2"
            shot_taken=1
        fi
    done
}

# CPU and wall time of the running program while the command given runs; sets TICKS and WALL_MS.
measure() {
    local ticks0 wall0
    ticks0=$(cpu_ticks)
    wall0=$(now_ms)
    "$@"
    TICKS=$(($(cpu_ticks) - ticks0))
    WALL_MS=$(($(now_ms) - wall0))
}

start_match_and_drive() {
    xdotool keydown space sleep 0.1 keyup space
    drive "$SECONDS_EACH" "$WORK/match.png"
}

# --- the game folder: shipped settings, a limit no match reaches, the chosen arena ---
cp -r "$FOLDER" "$WORK/game"
printf '\nZoltr 1000000\n' >>"$WORK/game/settings.ini"
[ -n "$ARENA" ] && printf 'Level %s\n' "$ARENA" >>"$WORK/game/settings.ini"
FPS=$(awk '$1 == "FPS" { v = $2 } END { print v }' "$WORK/game/settings.ini")

# --- the game: skip the intro, wait for the still picture of the key wait, start the match ---
start_program "$GAME_BIN"
waiting=""
for attempt in 1 2 3 4 5 6; do
    sleep 0.5
    xdotool keydown space sleep 0.1 keyup space
    sleep 1
    shot "$WORK/wait1.png" && sleep 0.3 && shot "$WORK/wait2.png" || fail "no screenshot of the game"
    if same_picture "$WORK/wait1.png" "$WORK/wait2.png"; then
        waiting=1
        break
    fi
done
[ -n "$waiting" ] || fail "the intro did not give way to the wait for a key"
measure start_match_and_drive
GAME_TICKS=$TICKS GAME_MS=$WALL_MS
same_picture "$WORK/wait2.png" "$WORK/match.png" && fail "the match did not start: the picture stayed still"
kill -0 "$PID" 2>/dev/null || fail "the game ended during the measurement"
stop_program
[ -s "$WORK/stderr.txt" ] && fail "the game wrote to its error stream"

# --- the flip-only program, same window, same settings, same keys ---
start_program "$FLIP_BIN"
sleep 1
measure drive "$SECONDS_EACH" "$WORK/flip.png"
FLIP_TICKS=$TICKS FLIP_MS=$WALL_MS
stop_program
[ -s "$WORK/stderr.txt" ] && fail "the flip-only program wrote to its error stream"

[ "$FLIP_TICKS" -gt 0 ] || fail "the flip-only program used no measurable CPU time"
awk -v gt="$GAME_TICKS" -v gm="$GAME_MS" -v ft="$FLIP_TICKS" -v fm="$FLIP_MS" -v hz="$TICKS_PER_SECOND" \
    -v fps="$FPS" -v load="$(cut -d' ' -f1 /proc/loadavg)" 'BEGIN {
    gs = gt / hz; fs = ft / hz
    gp = 100 * gs / (gm / 1000); fp = 100 * fs / (fm / 1000)
    ratio = gp / fp
    printf "\nReal window, FPS %s, key-scripted match, load average %s\n", fps, load
    printf "  %-22s %8s %8s %8s\n", "", "cpu s", "wall s", "cpu %"
    printf "  %-22s %8.2f %8.2f %8.2f\n", "game (match)", gs, gm / 1000, gp
    printf "  %-22s %8.2f %8.2f %8.2f\n", "flip only", fs, fm / 1000, fp
    printf "  %-22s %8.2f     target <= 1.3  %s\n", "game / flip only", ratio, ratio <= 1.3 ? "met" : "MISSED"
}'
