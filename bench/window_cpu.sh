#!/usr/bin/env bash
# The real program in a real X window during a key-scripted match, against the
# floor: the cheapest present of the platform (xshm_floor.cpp) at the same
# pacing. It starts an Xvfb of its own (640x480x24), so that the X server's
# CPU time is counted too: a frame costs what the program spends on it plus
# what the server spends putting it on the screen.
#
#   window_cpu.sh GAME FLOOR PRESENT_COUNTER GAME_FOLDER [SECONDS] [ROUNDS] [ARENA]
#
# Each round runs every program once, one after the other (interleaved, so
# that a change in the machine's load touches them alike); the table gives the
# medians over the rounds: CPU time per presented frame (every thread, user and
# system; the main thread's alone, whose id is the process's; the others', the
# sound's above all), the X server's CPU time per presented frame (its /proc/PID/task),
# presents per second, CPU share of one core, the memory held (peak resident
# memory, plus the memory files the program holds open without mapping them:
# the decoded media) and the time from exec to a visible window. Ratios to
# the floor are taken round by round, then their median. Presents are counted
# by PRESENT_COUNTER, preloaded into the game: it counts the frames of the
# game's loop, each of which presents once (whether it puts anything on the
# window or, having changed nothing, does not).
#
# The programs are given by ZOLTR_BENCH_VARIANTS, one a line,
# "label|VAR=value ...|game, game=PATH (another build of the game, to set two
# builds side by side), floor or floor ARGUMENTS"; by default the game as it
# starts, the game without an audio device (SDL's disk driver, told to write
# where it cannot, so that the mixer does not open and the game plays
# silently), the game presenting through SDL_Flip (its software and its
# OpenGL renderer), the floor, and the floor playing the game's music as the
# game does. Ratios are taken to every floor.
#
# The game folder is copied; its settings.ini gets a kill limit no match reaches
# and, when given, the arena. Every program gets the same key script: the two
# fighters run back and forth, jump and throw. The game is measured from the key
# release that starts its match; the floor once its window is up.
# Exits 1 when a measurement could not be made. With ZOLTR_BENCH_KEEP set, the
# work folder (screenshots, error streams) is kept.
set -u

GAME_BIN=$(readlink -f "$1")
FLOOR_BIN=$(readlink -f "$2")
COUNTER_LIB=$(readlink -f "$3")
FOLDER=$(readlink -f "$4")
SECONDS_EACH=${5:-30}
ROUNDS=${6:-5}
ARENA=${7:-}
CAPTION='^Zoltr Deatmatch'
IMPORT=/usr/bin/import
TICKS_PER_SECOND=1000000000  # run time in nanoseconds
SILENT='SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/nonexistent/zoltr-bench'
DEFAULT_VARIANTS="game||game
game, no audio device|$SILENT|game
game, SDL present|ZOLTR_SDL_PRESENT=1|game
game, SDL present, OpenGL renderer|ZOLTR_SDL_PRESENT=1 SDL_RENDER_DRIVER=opengl SDL_FRAMEBUFFER_ACCELERATION=1|game
XShm floor||floor
XShm floor, the game's sound||floor --sound sfx/music.ogg"
# The check in ./test leaves the OpenGL renderer out: software OpenGL under the
# sanitizers on a busy machine is slow to start and proves nothing more.
[ -n "${ZOLTR_BENCH_SKIP_OPENGL:-}" ] && DEFAULT_VARIANTS=$(printf '%s\n' "$DEFAULT_VARIANTS" | grep -v OpenGL)
VARIANTS=${ZOLTR_BENCH_VARIANTS:-$DEFAULT_VARIANTS}

WORK=$(mktemp -d /tmp/zoltr-window-cpu-XXXXXX)
PID=""
SERVER_PID=""

cleanup() {
    stop_program
    if [ -n "$SERVER_PID" ]; then
        kill "$SERVER_PID" 2>/dev/null
        wait "$SERVER_PID" 2>/dev/null
    fi
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

# Run time of every thread of process $1 (default: the program) so far, in
# nanoseconds (the scheduler's own count: /proc/PID/stat's 10 ms ticks are
# some 40 a round at 2 % of a core), then that of its main thread alone (the
# task whose id is the process's), read in the same pass. Both programs'
# threads live through a round, so none that ends takes its time with it.
cpu_ticks() {
    local pid=${1:-$PID}
    awk -v main="/proc/$pid/task/$pid/schedstat" '{ sum += $1 } FILENAME == main { own = $1 }
        END { printf "%.0f %.0f\n", sum, own }' "/proc/$pid"/task/*/schedstat 2>/dev/null
}

# Our own X server, on a display number it picks itself.
start_server() {
    exec 3>"$WORK/display"
    Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp -noreset >"$WORK/server.txt" 2>&1 &
    SERVER_PID=$!
    exec 3>&-
    local tries
    for tries in $(seq 1 100); do
        [ -s "$WORK/display" ] && break
        kill -0 "$SERVER_PID" 2>/dev/null || break
        sleep 0.1
    done
    [ -s "$WORK/display" ] || fail "the X server did not start: $(cat "$WORK/server.txt")"
    export DISPLAY=":$(head -n 1 "$WORK/display")"
    timeout 20 xdpyinfo >/dev/null 2>&1 || fail "the X server on $DISPLAY does not answer"
}

presents() {
    od -An -t u8 -N 8 "$WORK/presents" 2>/dev/null | tr -d ' ' | grep . || echo 0
}

peak_rss_kb() {
    awk '$1 == "VmHWM:" { print $2 }' "/proc/$PID/status"
}

# Memory files the program holds open but has not mapped (so that its resident
# memory leaves them out), in kB.
memfd_kb() {
    local fd target total=0
    for fd in /proc/"$PID"/fd/*; do
        target=$(readlink "$fd" 2>/dev/null) || continue
        case $target in
        /memfd:*)
            grep -qF "$target" "/proc/$PID/maps" 2>/dev/null && continue
            total=$((total + $(stat -L -c %s "$fd" 2>/dev/null || echo 0)))
            ;;
        esac
    done
    echo $((total / 1024))
}

now_ms() {
    date +%s%3N
}

# Starts $2 (with the arguments $3) with the environment words $1 and sets PID, WID and START_MS (exec to visible window).
start_program() {
    local env_words=$1 bin=$2 arguments=${3:-} preload="" t0
    : >"$WORK/stderr.txt"
    : >"$WORK/presents"
    [ "$bin" != "$FLOOR_BIN" ] && preload=$COUNTER_LIB
    t0=$(now_ms)
    # shellcheck disable=SC2086  # the variant's environment is a list of words
    (cd "$WORK/game" && exec env -u SDL_VIDEODRIVER SDL_AUDIODRIVER=dummy ZOLTR_PRESENT_COUNTER="$WORK/presents" \
        ${preload:+LD_PRELOAD=$preload} ASAN_OPTIONS="${ASAN_OPTIONS:-}:verify_asan_link_order=0" $env_words \
        "$bin" $arguments >/dev/null 2>"$WORK/stderr.txt") &
    PID=$!
    WID=""
    while [ -z "$WID" ] && [ $(($(now_ms) - t0)) -lt 60000 ]; do
        WID=$(timeout 10 xdotool search --onlyvisible --name "$CAPTION" 2>/dev/null | head -n 1)
        [ -n "$WID" ] || kill -0 "$PID" 2>/dev/null || fail "$bin ended before its window opened"
        [ -n "$WID" ] || sleep 0.01
    done
    START_MS=$(($(now_ms) - t0))
    [ -n "$WID" ] || fail "no window for $bin"
    timeout 10 xdotool windowfocus --sync "$WID" 2>/dev/null || timeout 10 xdotool windowfocus "$WID"
}

shot() {
    timeout 20 "$IMPORT" -window "$WID" "$1" 2>/dev/null
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
        timeout 20 xdotool "${KEY_ROUND[@]}" 2>/dev/null
        if [ -z "$shot_taken" ]; then
            shot "$2"
            shot_taken=1
        fi
    done
}

# CPU time of the program and of the X server, presents and wall time while the command given runs.
measure() {
    local ticks0 main0 server0 presents0 wall0 ticks1 main1
    read -r ticks0 main0 < <(cpu_ticks)
    server0=$(cpu_ticks "$SERVER_PID" | cut -d' ' -f1)
    presents0=$(presents)
    wall0=$(now_ms)
    "$@"
    read -r ticks1 main1 < <(cpu_ticks)
    TICKS=$((ticks1 - ticks0))
    MAIN_TICKS=$((main1 - main0))
    SERVER_TICKS=$(($(cpu_ticks "$SERVER_PID" | cut -d' ' -f1) - server0))
    PRESENTS=$(($(presents) - presents0))
    WALL_MS=$(($(now_ms) - wall0))
}

start_match_and_drive() {
    xdotool keydown space sleep 0.1 keyup space
    drive "$SECONDS_EACH" "$WORK/match.png"
}

# Skips the intro, waits for the still picture of the key wait, then measures the match.
measure_game() {
    local waiting="" attempt
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
    same_picture "$WORK/wait2.png" "$WORK/match.png" && fail "the match did not start: the picture stayed still"
}

measure_floor() {
    sleep 1
    measure drive "$SECONDS_EACH" "$WORK/floor.png"
}

# --- the game folder: shipped settings, a limit no match reaches, the chosen arena ---
cp -r "$FOLDER" "$WORK/game"
printf '\nZoltr 1000000\n' >>"$WORK/game/settings.ini"
[ -n "$ARENA" ] && printf 'Level %s\n' "$ARENA" >>"$WORK/game/settings.ini"
FPS=$(awk '$1 == "FPS" { v = $2 } END { print v }' "$WORK/game/settings.ini")

mapfile -t LABELS < <(printf '%s\n' "$VARIANTS" | cut -d'|' -f1)
mapfile -t ENVS < <(printf '%s\n' "$VARIANTS" | cut -d'|' -f2)
mapfile -t KINDS < <(printf '%s\n' "$VARIANTS" | cut -d'|' -f3)
FLOORS=()
for i in "${!KINDS[@]}"; do
    [ "${KINDS[$i]%% *}" = floor ] && FLOORS+=("$i")
done

start_server

# One line per run: variant index, round, cpu ms per present, presents per second, cpu %, peak RSS kB,
# exec to window ms, server cpu ms per present, memory files kB, main thread cpu ms per present.
RUNS=$WORK/runs.txt
: >"$RUNS"
for round in $(seq 1 "$ROUNDS"); do
    for i in "${!LABELS[@]}"; do
        echo "window_cpu: round $round, ${LABELS[$i]}" >&2
        if [ "${KINDS[$i]%% *}" = floor ]; then
            floor_arguments=${KINDS[$i]#floor}
            start_program "${ENVS[$i]}" "$FLOOR_BIN" "$floor_arguments $FPS"
            measure_floor
        else
            bin=$GAME_BIN
            [ "${KINDS[$i]#game=}" != "${KINDS[$i]}" ] && bin=$(readlink -f "${KINDS[$i]#game=}")
            start_program "${ENVS[$i]}" "$bin"
            measure_game
        fi
        kill -0 "$PID" 2>/dev/null || fail "${LABELS[$i]} ended during the measurement"
        RSS=$(peak_rss_kb)
        MEMFD=$(memfd_kb)
        stop_program
        [ -s "$WORK/stderr.txt" ] && fail "${LABELS[$i]} wrote to its error stream"
        [ "$PRESENTS" -gt 0 ] || fail "${LABELS[$i]}: no presents counted"
        awk -v i="$i" -v r="$round" -v t="$TICKS" -v hz="$TICKS_PER_SECOND" -v p="$PRESENTS" -v w="$WALL_MS" \
            -v rss="$RSS" -v s="$START_MS" -v x="$SERVER_TICKS" -v m="$MEMFD" -v mt="$MAIN_TICKS" \
            'BEGIN { printf "%d %d %.4f %.2f %.2f %d %d %.4f %d %.4f\n", i, r, 1000 * t / hz / p, 1000 * p / w,
                     100 * t / hz / (w / 1000), rss, s, 1000 * x / hz / p, m, 1000 * mt / hz / p }' >>"$RUNS"
    done
done

median() {  # of the numbers on standard input
    sort -g | awk '{ v[NR] = $1 } END { if (NR == 0) print 0; else if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

printf '\nReal window, key-scripted match, FPS setting %s, medians of %s interleaved rounds of %s s, load average %s\n' \
    "$FPS" "$ROUNDS" "$SECONDS_EACH" "$(cut -d' ' -f1-3 /proc/loadavg)"
printf '  %-34s %10s %10s %10s %10s %11s %6s %8s %8s %8s %9s\n' "ms of CPU per presented frame:" "all" "main" \
    "others" "X server" "presents/s" "cpu %" "peak MB" "memfd MB" "held MB" "window ms"
column_median() {  # variant, column (an awk expression of the run's line)
    awk -v i="$1" "\$1 == i { print $2 }" "$RUNS" | median
}
for i in "${!LABELS[@]}"; do
    printf '  %-34s %10.3f %10.3f %10.3f %10.3f %11.1f %6.1f %8.1f %8.1f %8.1f %9.0f\n' "${LABELS[$i]}" \
        "$(column_median "$i" '$3')" "$(column_median "$i" '$10')" "$(column_median "$i" '$3 - $10')" \
        "$(column_median "$i" '$8')" "$(column_median "$i" '$4')" "$(column_median "$i" '$5')" \
        "$(column_median "$i" '$6 / 1024')" "$(column_median "$i" '$9 / 1024')" \
        "$(column_median "$i" '($6 + $9) / 1024')" "$(column_median "$i" '$7')"
done
# Round by round, each program's CPU (every thread; the main thread), the
# server's, and both together over a floor's: the median of the rounds'
# ratios, then the lowest and highest.
for f in "${FLOORS[@]}"; do
    printf '  %-52s %16s %16s %16s %16s\n' "over the floor's, by round: median (range)" "all" "main" "X server" "all + X"
    for i in "${!LABELS[@]}"; do
        [ "$i" = "$f" ] && continue
        row=()
        for what in '$3' '$10' '$8' '($3 + $8)'; do
            row+=("$(awk -v i="$i" -v f="$f" "\$1 == f { floor[\$2] = $what } \$1 == i { own[\$2] = $what }
                END { for (r in own) if (floor[r] > 0) print own[r] / floor[r] }" "$RUNS" | sort -g |
                awk '{ v[NR] = $1 } END { m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
                       printf "%.2f (%.2f-%.2f)", m, v[1], v[NR] }')")
        done
        printf '  %-52s %16s %16s %16s %16s\n' "${LABELS[$i]} / ${LABELS[$f]}" "${row[@]}"
    done
done
if [ -n "${ZOLTR_BENCH_KEEP:-}" ]; then
    printf '\nEvery run: variant, round, ms/frame all, presents/s, cpu %%, peak kB, window ms, X ms/frame, memfd kB, ms/frame main\n'
    cat "$RUNS"
fi
