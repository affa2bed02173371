# End-to-end harness: runs the real game in a real X window and drives it with
# xdotool. Source it from a *_e2e.sh script, which ctest starts as
#   bash script <path of the zoltr binary> <source dir>
# with DISPLAY set to an Xvfb of 640x480x24 (./test provides one).
#
#   source "$(dirname "$0")/lib.sh"
#   e2e_init "$@"                       # temp folder, cleanup on exit
#   make_game_dir "$E2E_TMP/game"       # settings, catalogue, font, pictures, arenas
#   write_settings "$E2E_TMP/game" Zoltr=3 FPS=50
#   start_game "$E2E_TMP/game"          # stderr goes to $E2E_STDERR
#   find_window && focus_window
#   tap_key x; screenshot "$E2E_TMP/a.png"; colour_near "$E2E_TMP/a.png" 10 10 255 0 0
#   press_until_exit Escape 30 || fail "game did not end"
#   [ "$E2E_STATUS" -eq 0 ] || fail "exit status $E2E_STATUS"
#
# Every helper that waits has a timeout; a failing script calls `fail`, and the
# exit trap kills the game so that nothing is left running.

set -u

E2E_BIN="" E2E_SRC="" E2E_TMP="" E2E_PID="" E2E_WID="" E2E_STATUS="" E2E_STDERR=""
E2E_CAPTION_PATTERN='^Zoltr Deatmatch'
CONVERT=/usr/bin/convert
IMPORT=/usr/bin/import

# --- set-up and reporting ---

e2e_init() {
    E2E_BIN=$(readlink -f "$1")
    E2E_SRC=$(readlink -f "$2")
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
    for key in Name1 Name2 Level Image1 Image2 Zoltr FPS Sounds Windowed Language; do
        [ -z "${values[$key]}" ] || printf '%s %s\n' "$key" "${values[$key]}"
    done >"$dir/settings.ini"
}

# An arena file from up to 24 text rows of up to 32 characters. Legend:
#   '#' wall 1   'H' ladder   'J' jump pad   'L' lift   'S' spawn point
#   '~' damaging   'X' deadly   '1'..'8' pickups 25..32   anything else empty
# Without rows: a closed box with a floor on row 22 and two spawn points.
make_arena() {
    local path=$1
    shift
    mkdir -p "$(dirname "$path")"
    python3 - "$path" "$@" <<'PY'
import struct, sys
path, rows = sys.argv[1], sys.argv[2:]
if not rows:
    rows = ["#" * 32] + ["#" + " " * 30 + "#"] * 20 + ["#    S                    S    #", "#" * 32]
layers = [[0] * 768 for _ in range(3)]
legend = {"#": (0, 1), "H": (1, 5), "J": (1, 9), "L": (1, 33), "S": (2, 2), "~": (2, 3), "X": (2, 4)}
legend.update({str(n): (1, 24 + n) for n in range(1, 9)})
for r, row in enumerate(rows[:24]):
    for c, ch in enumerate(row[:32]):
        if ch in legend:
            layers[legend[ch][0]][r * 32 + c] = legend[ch][1]
walls, items, attrs = layers
with open(path, "wb") as f:
    f.write(struct.pack("<2304H", *(walls + items + attrs)))
PY
}

# The font sheet (tests/e2e/media/myfont.gif): 2 rows of 94 cells of 8x12, a
# white block in each cell on a magenta background (the key colour of the
# keyed load). The sounds there are mono unsigned 8-bit tones of 0.05 s (beep)
# and 0.5 s (music).

# A complete game folder: settings.ini (write_settings defaults), seznam.dat
# naming every slot the game uses, the font, plain-coloured pictures, sounds,
# the match arena maps/arena1 and the victory arena maps/win1.
# Pictures: 13 red 200x60, 14 green 200x40, 17 300x80 blue above yellow,
# 15 dark blue HUD strip 640x20.
make_game_dir() {
    local dir=$1
    mkdir -p "$dir/gfx" "$dir/maps" "$dir/sfx"
    write_settings "$dir"
    cp "$E2E_SRC/tests/e2e/media/myfont.gif" "$dir/gfx/"
    "$CONVERT" -size 160x20 xc:'#808080' "$dir/gfx/walls.bmp"
    "$CONVERT" -size 160x100 xc:'#c0a040' "$dir/gfx/items.bmp"
    "$CONVERT" -size 160x160 xc:magenta -fill '#20c0c0' -draw 'rectangle 0,0 159,159' \
        -fill magenta -draw 'point 0,0' "PNG8:$dir/gfx/players.png"
    "$CONVERT" -size 160x80 xc:'#d0d0d0' "$dir/gfx/weapons.bmp"
    "$CONVERT" -size 160x40 xc:'#ff8000' "$dir/gfx/boom.bmp"
    "$CONVERT" -size 200x60 xc:'#ff0000' "$dir/gfx/intro_top.bmp"
    "$CONVERT" -size 200x40 xc:'#00ff00' "$dir/gfx/intro_left.bmp"
    "$CONVERT" -size 640x20 xc:'#000080' "$dir/gfx/hud.bmp"
    "$CONVERT" -size 80x20 xc:'#e00000' "$dir/gfx/health.bmp"
    "$CONVERT" -size 300x80 xc:'#0000ff' -fill '#ffff00' -draw 'rectangle 0,40 299,79' "$dir/gfx/title.bmp"
    cp "$E2E_SRC/tests/e2e/media/beep.wav" "$E2E_SRC/tests/e2e/media/music.wav" "$dir/sfx/"
    {
        printf 'Zoltr test catalogue\n#\n'
        printf 'gfx/walls.bmp 0\ngfx/items.bmp 0\n\ngfx/players.png 1\ngfx/weapons.bmp 0\ngfx/boom.bmp 0\n'
        printf '\n\n\n\n\n\n\n'
        printf 'gfx/intro_top.bmp 0\ngfx/intro_left.bmp 0\ngfx/hud.bmp 0\ngfx/health.bmp 0\ngfx/title.bmp 0\n'
        printf '#\n'
        local slot
        for slot in $(seq 0 15); do printf 'sfx/beep.wav\n'; done
        printf 'sfx/music.wav\n#\n'
    } >"$dir/seznam.dat"
    make_arena "$dir/maps/arena1"
    make_arena "$dir/maps/win1"
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

# --- the window and the keyboard ---

# Finds the game's window by its caption within $1 seconds (default 30).
find_window() {
    E2E_WID=$(timeout "${1:-30}" xdotool search --sync --onlyvisible --name "$E2E_CAPTION_PATTERN" 2>/dev/null | head -n 1)
    [ -n "$E2E_WID" ]
}

focus_window() {
    timeout 10 xdotool windowfocus --sync "$E2E_WID" 2>/dev/null || timeout 10 xdotool windowfocus "$E2E_WID"
}

# Key names as xdotool knows them (x, Escape, Tab, Left ...); for the right
# Control key use its keycode, 105: xdotool's Control_R also presses the left one.
key_down() { xdotool keydown "$1"; }
key_up() { xdotool keyup "$1"; }

# Presses and releases a key, holding it for $2 seconds (default 0.1).
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

# Asks the game's window to close, as a window manager's close button does
# (xdotool's windowclose destroys the window instead).
close_request() {
    python3 - "$E2E_WID" <<'PY'
import ctypes, sys
x = ctypes.cdll.LoadLibrary("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x.XInternAtom.restype = ctypes.c_ulong
x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
x.XFlush.argtypes = x.XCloseDisplay.argtypes = [ctypes.c_void_p]
class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5), ("pad", ctypes.c_long * 12)]
display = x.XOpenDisplay(None)
window = int(sys.argv[1])
event = ClientMessage(type=33, window=window, format=32,
                      message_type=x.XInternAtom(display, b"WM_PROTOCOLS", 0))
event.data[0] = x.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
x.XSendEvent(display, window, 0, 0, ctypes.byref(event))
x.XFlush(display)
x.XCloseDisplay(display)
PY
}

# --- screenshots ---

screenshot() {
    "$IMPORT" -window "$E2E_WID" "$1" 2>/dev/null
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
