# End-to-end harness: runs the real game in a real X window and drives it with
# xdotool. Source it from a *_e2e.sh script, which ctest starts as
#   bash script <path of the zoltr binary> <source dir>
# with DISPLAY set to an Xvfb of 640x480x24 (./test provides one).
#
#   source "$(dirname "$0")/lib.sh"
#   e2e_init "$@"                       # temp folder, cleanup on exit
#   make_game_dir "$E2E_TMP/game"       # tests/e2e/game with its arenas compiled
#   write_settings "$E2E_TMP/game" Zoltr=3 FPS=50
#   open_game "$E2E_TMP/game"           # window found and focused; stderr in $E2E_STDERR
#   tap_key x; screenshot "$E2E_TMP/a.png"; colour_near "$E2E_TMP/a.png" 10 10 255 0 0
#   end_with_escape                     # Escape ends it: status 0, nothing on stderr
#
# Every helper that waits has a timeout; a failing script calls `fail`, and the
# exit trap kills the game so that nothing is left running.

set -u

E2E_BIN="" E2E_SRC="" E2E_TMP="" E2E_PID="" E2E_WID="" E2E_STATUS="" E2E_STDERR="" E2E_MENU="" E2E_XVFB=""
E2E_CAPTION_PATTERN='^Zoltr Deatmatch'
GAME_CAPTION=$E2E_CAPTION_PATTERN
MENU_CAPTION='match menu'
CONVERT=/usr/bin/convert
IMPORT=/usr/bin/import

# --- set-up and reporting ---

e2e_init() {
    E2E_BIN=$(readlink -f "$1")
    E2E_SRC=$(readlink -f "$2")
    E2E_MENU=$(dirname "$E2E_BIN")/zoltr-menu
    [ -x "$E2E_BIN" ] || { echo "FAIL: no game binary at $1" >&2; exit 1; }
    [ -n "${DISPLAY:-}" ] || { echo "FAIL: DISPLAY is not set; run under Xvfb" >&2; exit 1; }
    E2E_TMP=$(mktemp -d /tmp/zoltr-e2e-XXXXXX)
    E2E_STDERR="$E2E_TMP/stderr.txt"
    # Leak reports of SDL and the X libraries under it are not ours.
    export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$E2E_SRC/tests/lsan.supp:print_suppressions=0}"
    trap e2e_cleanup EXIT
}

e2e_cleanup() {
    stop_game
    stop_display
    if [ -n "${E2E_KEEP:-}" ]; then echo "kept $E2E_TMP" >&2; elif [ -n "$E2E_TMP" ]; then rm -rf "$E2E_TMP"; fi
}

note() { echo "-- $*"; }

# Prints the reason and the game's error stream, then ends the script (the
# exit trap stops the game).
fail() {
    echo "FAIL: $*" >&2
    [ -z "$E2E_STDERR" ] || [ ! -s "$E2E_STDERR" ] || { echo "---- game stderr ----"; cat "$E2E_STDERR"; } >&2
    exit 1
}

# --- the game folder ---

# settings.ini with defaults for a short windowed match with sound (kill limit 0);
# KEY=VALUE arguments replace or add keys (KEY= alone drops the key).
write_settings() {
    local dir=$1 pair key
    shift
    local -A values=([Name1]=Alice [Name2]=Bob [Level]=maps/arena1 [Image1]=1 [Image2]=2
                     [Zoltr]=0 [FPS]=100 [Sounds]=1 [Windowed]=1 [Language]=0)
    for pair in "$@"; do values[${pair%%=*}]=${pair#*=}; done
    for key in Name1 Name2 Level Image1 Image2 Zoltr FPS Sounds Windowed Language Computer1 Computer2; do
        [ -z "${values[$key]:-}" ] || printf '%s %s\n' "$key" "${values[$key]}"
    done >"$dir/settings.ini"
}

# Compiles the text arena tests/e2e/arenas/$1.txt into the arena file $2.
compile_arena() {
    /usr/bin/python3 "$E2E_SRC/tools/arena.py" compile --force "$E2E_SRC/tests/e2e/arenas/$1.txt" "$2" >/dev/null ||
        fail "the arena $1 did not compile"
}

# A complete game folder (tests/e2e/game): settings.ini (write_settings
# defaults), seznam.dat naming every slot the game uses, the font (2 rows of 94
# cells of 8x12, a white block in each on the magenta key colour), plain-coloured
# pictures (13 red 200x60, 14 green 200x40, 15 dark blue HUD strip 640x20, 17
# 300x80 blue above yellow, walls grey), two tones, and the closed box
# (arenas/box.txt: a floor on row 22, two spawn points) as arena1 and win1.
make_game_dir() {
    mkdir -p "$(dirname "$1")"
    cp -r "$E2E_SRC/tests/e2e/game" "$1"
    mkdir -p "$1/maps"
    write_settings "$1"
    compile_arena box "$1/maps/arena1"
    compile_arena box "$1/maps/win1"
}

# --- the game process ---

# Starts the game in folder $1 with its error stream in $E2E_STDERR; further
# arguments are VAR=value pairs for its environment. The real X display is
# used; sound goes to SDL's dummy device. The window is drawn without OpenGL:
# the GL driver is unloaded at exit, and the leak checker cannot tell its
# leftovers from ours.
start_game() {
    local dir=$1
    shift
    E2E_STATUS=""
    E2E_WID=""
    : >"$E2E_STDERR"
    (cd "$dir" && exec env -u SDL_VIDEODRIVER SDL_AUDIODRIVER=dummy SDL_RENDER_DRIVER=software \
        SDL_FRAMEBUFFER_ACCELERATION=0 "$@" "$E2E_BIN" >"$E2E_TMP/stdout.txt" 2>"$E2E_STDERR") &
    E2E_PID=$!
}

game_running() {
    [ -n "$E2E_PID" ] && kill -0 "$E2E_PID" 2>/dev/null
}

# Waits up to $1 seconds for the game to end; its status lands in E2E_STATUS.
wait_exit() {
    local waited=0
    while game_running; do
        [ $((waited++)) -lt $(($1 * 10)) ] || return 1
        sleep 0.1
    done
    [ -z "$E2E_PID" ] && return 0
    wait "$E2E_PID" 2>/dev/null
    E2E_STATUS=$?
    E2E_PID=""
    return 0
}

# Kills the game for good.
stop_game() {
    if game_running; then
        kill -KILL "$E2E_PID" 2>/dev/null
        wait "$E2E_PID" 2>/dev/null
    fi
    E2E_PID=""
}

# Starts the match menu beside the game in folder $1 (further arguments as for start_game).
start_menu() {
    [ -x "$E2E_MENU" ] || fail "no zoltr-menu beside the game"
    E2E_BIN=$E2E_MENU start_game "$@"
}

# --- a display of the script's own ---

# Starts an Xvfb of $1 (WIDTHxHEIGHT) pixels; its name (":N") lands in
# E2E_DISPLAY. The server takes a free display number itself and names it once
# it accepts connections: a number chosen here could be taken meanwhile by
# another run's server, and the two runs would then share, and kill, one display.
# Two servers starting at once may race for one number and one of them gives
# up: a server that ended without a name is started again (three tries).
start_display() {
    for _ in 1 2 3; do
        : >"$E2E_TMP/display"
        Xvfb -displayfd 3 -screen 0 "$1x24" -nolisten tcp -noreset 3>"$E2E_TMP/display" >/dev/null 2>&1 &
        E2E_XVFB=$!
        for _ in $(seq 600); do
            [ -s "$E2E_TMP/display" ] && break
            kill -0 "$E2E_XVFB" 2>/dev/null || break
            sleep 0.1
        done
        [ -s "$E2E_TMP/display" ] && break
        stop_display KILL
    done
    [ -s "$E2E_TMP/display" ] || fail "the private display did not start"
    E2E_DISPLAY=:$(cat "$E2E_TMP/display")
}

# Kills it ($1: the signal, TERM by default).
stop_display() {
    [ -n "$E2E_XVFB" ] || return 0
    kill "-${1:-TERM}" "$E2E_XVFB" 2>/dev/null
    wait "$E2E_XVFB" 2>/dev/null
    E2E_XVFB=""
}

# --- the window and the keyboard ---

# Finds the game's window by its caption within $1 seconds (default 30).
find_window() {
    E2E_WID=$(timeout "${1:-30}" xdotool search --sync --onlyvisible --name "$E2E_CAPTION_PATTERN" 2>/dev/null | head -n 1)
    [ -n "$E2E_WID" ]
}

focus_window() {
    timeout 10 xdotool windowfocus --sync "$E2E_WID" 2>/dev/null || timeout 10 xdotool windowfocus "$E2E_WID"
}

# Finds and focuses the window whose caption matches $1 within a minute: a
# search can fail at once while another window goes away, and a window found
# while it is being replaced cannot take the focus, so it asks again.
window_of() {
    E2E_CAPTION_PATTERN=$1
    local start=$SECONDS
    until find_window 5 && focus_window; do
        [ $((SECONDS - start)) -lt 60 ] || return 1
        sleep 0.2
    done
}

# start_game, then its window found and focused.
open_game() {
    start_game "$@"
    find_window || fail "no game window"
    focus_window
}

# Presses and releases a key (as xdotool names it: x, Escape, Tab, Left ...; the
# right Control key by its keycode 105), holding it for $2 seconds (default 0.1).
tap_key() {
    xdotool keydown "$1"
    sleep "${2:-0.1}"
    xdotool keyup "$1"
}

# Presses and releases a key again and again until the game ends, at most $2
# seconds. Each press lasts long enough for several frames to see the key held.
press_until_exit() {
    local key=$1 limit=$2 start=$SECONDS
    while game_running; do
        if [ $((SECONDS - start)) -ge "$limit" ]; then
            return 1
        fi
        xdotool keydown "$key" 2>/dev/null
        sleep 0.3
        xdotool keyup "$key" 2>/dev/null
        sleep 0.1
    done
    wait_exit 5
}

# Escape presses end the program within $1 seconds (default 15), with status 0
# and nothing on its error stream.
end_with_escape() {
    press_until_exit Escape "${1:-15}" || fail "Escape did not end the program"
    [ "$E2E_STATUS" -eq 0 ] || fail "exit status $E2E_STATUS, expected 0"
    [ ! -s "$E2E_STDERR" ] || fail "the game wrote to its error stream"
}

# --- screenshots ---

screenshot() {
    # A window that closes during the capture leaves import waiting forever.
    timeout 20 "$IMPORT" -window "$E2E_WID" "$1" 2>/dev/null
}

# "r g b" (0..255) of pixel (x, y) of an image file.
pixel_of() {
    local file=$1 x=$2 y=$3
    "$CONVERT" "$file" -format \
        "%[fx:int(255*p{$x,$y}.r+0.5)] %[fx:int(255*p{$x,$y}.g+0.5)] %[fx:int(255*p{$x,$y}.b+0.5)]" info:
}

# True when pixel (x, y) of the file is within $7 (default 24) of (r, g, b) in
# every channel: the 16-bit screen comes back a few levels off.
colour_near() {
    local got want=("$4" "$5" "$6") i d
    got=($(pixel_of "$1" "$2" "$3")) && [ ${#got[@]} -eq 3 ] || return 1
    for i in 0 1 2; do
        d=$((got[i] - want[i]))
        [ ${d#-} -le "${7:-24}" ] || return 1
    done
}

# How many pixels of the file's crop (WxH+X+Y) pass an awk condition on r, g
# and b (0..255), such as 'g > 200 && r < 60 && b < 60'.
count_pixels() {
    "$CONVERT" "$1" -crop "$2" +repage -depth 8 txt:- |
        awk -F'[,:() ]+' 'NR > 1 { r = $3; g = $4; b = $5; if ('"$3"') n++ } END { print n + 0 }'
}

# True when two screenshots hold the same pixels.
same_picture() {
    [ "$("$CONVERT" "$1" rgb:- | md5sum)" = "$("$CONVERT" "$2" rgb:- | md5sum)" ]
}

# Takes screenshots into $1 until the command "$2 $1" succeeds, at most $3 seconds.
screenshot_until() {
    local start=$SECONDS
    while [ $((SECONDS - start)) -lt "$3" ] && game_running; do
        screenshot "$1" && "$2" "$1" && return 0
        sleep 0.1
    done
    return 1
}

# Taps key $2 until a screenshot passes the command "$1 shot", at most $3 seconds.
tap_until() {
    local start=$SECONDS
    until screenshot "$E2E_TMP/now.png" && "$1" "$E2E_TMP/now.png"; do
        game_running || fail "the game ended while waiting for $1"
        [ $((SECONDS - start)) -lt "$3" ] || fail "no $1 after $3 seconds of $2"
        tap_key "$2"
        sleep 0.2
    done
}
