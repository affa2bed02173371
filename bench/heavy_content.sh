#!/usr/bin/env bash
# Heavy but valid content, two builds side by side in one run (a baseline and
# a candidate, release builds): CPU time of the menu with 1,000 arenas to a
# working window and for ten arena changes, and the game's start-up CPU and
# peak memory with a catalogue naming one 4096x4096 PNG in N slots; and the
# menu with a players.png of 8192x2048 (the largest the loader takes), CPU for
# ten value changes and for the ten seconds after a key tapped while it
# starts. Needs an X display of 640x480 (xvfb-run -a -s "-screen 0 640x480x24 -noreset").
#
#   [PARTS="arenas catalogue sheet"] heavy_content.sh GAME_FOLDER OLD_BUILD NEW_BUILD [OLD_LINES] [NEW_LINES]
#
# A build is a folder holding zoltr and zoltr-menu. The old game may need
# fewer lines (default 32): it keeps a 32 MB copy of the picture per slot.
set -eu
game=$(readlink -f "$1") old=$(readlink -f "$2") new=$(readlink -f "$3")
oldLines=${4:-32} newLines=${5:-256}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# CPU seconds of a process and of the children it waited for (the decoders).
cpu() { awk '{print ($14 + $15 + $16 + $17) / 100}' "/proc/$1/stat"; }
# Waits until the process spends less than 0.05 s of CPU a second for $2
# seconds in a row (a decoder's CPU counts only once it has ended).
settle() {
    local a b quiet=0
    b=$(cpu "$1")
    while [ "$quiet" -lt "$2" ]; do
        sleep 1; a=$b; b=$(cpu "$1")
        if [ "$(echo "$b - $a < 0.05" | bc)" = 1 ]; then quiet=$((quiet + 1)); else quiet=0; fi
    done
}

# Starts $1/zoltr-menu in the folder $2 and, once it has settled, clicks ten
# times at ($3, $4), $5 s apart: READY is its CPU seconds to the settled
# window, CLICKS those the clicks cost. The menu is ended after.
menu_clicks() {
    local wid
    (cd "$2" && exec "$1/zoltr-menu" 2>/dev/null) &
    pid=$!
    wid=$(timeout 120 xdotool search --sync --onlyvisible --name 'match menu' | head -n 1)
    settle "$pid" 1
    READY=$(cpu "$pid")
    for _ in $(seq 10); do xdotool mousemove --window "$wid" "$3" "$4" click 1; sleep "$5"; done
    settle "$pid" 1
    CLICKS=$(echo "$(cpu "$pid") - $READY" | bc)
    kill "$pid"; wait "$pid" 2>/dev/null || true
}

parts=${PARTS:-arenas catalogue sheet}
has() { case " $parts " in *" $1 "*) return 0 ;; esac; return 1; }

has sheet && cp -r "$game" "$work/sheet" && /usr/bin/python3 -c "
from PIL import Image; import os
Image.frombytes('RGB', (8192, 2048), os.urandom(8192 * 2048 * 3)).save('$work/sheet/gfx/players.png')"
for run in 1 2 3; do
    has sheet || break
    for build in "$old" "$new"; do
        # The kill limit's '>': one value change a click.
        menu_clicks "$build" "$work/sheet" 600 204 0.3
        echo "sheet $build run $run: $CLICKS s CPU for 10 value changes"
        (cd "$work/sheet" && exec "$build/zoltr-menu" 2>/dev/null) &
        pid=$!
        sleep 0.15; xdotool key Down; sleep 10
        echo "sheet $build run $run: $(cpu "$pid") s CPU in the 10 s after a key tapped at its start"
        kill "$pid"; wait "$pid" 2>/dev/null || true
    done
done

if has arenas; then
    cp -r "$game" "$work/menu"
    for i in $(seq -w 1000); do cp "$work/menu/maps/arena1" "$work/menu/maps/a$i"; done
fi
for build in "$old" "$new"; do
    for run in 1 2 3; do
        has arenas || break
        # Clicks on the last miniature, not key taps: under load a tap can
        # outlast the key repeat delay and walk through the list.
        menu_clicks "$build" "$work/menu" 578 400 0.2
        echo "menu $build run $run: $READY s CPU to a settled window, $CLICKS s CPU for 10 arena changes"
    done
done

has catalogue && cp -r "$game" "$work/game" && /usr/bin/python3 -c "
from PIL import Image; import os
Image.frombytes('RGB', (4096, 4096), os.urandom(4096 * 4096 * 3)).save('$work/game/big.png')"
for pair in "$old $oldLines" "$new $newLines"; do
    has catalogue || break
    set -- $pair
    { echo '#'; for _ in $(seq "$2"); do echo 'big.png 0'; done; echo '#'; } >"$work/game/seznam.dat"
    for run in 1 2 3; do
        # After loading, the game waits in its intro, spending next to nothing.
        (cd "$work/game" && SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy exec "$1/zoltr" 2>/dev/null) &
        pid=$!
        settle "$pid" 5
        echo "game $1, $2 lines, run $run: $(cpu "$pid") s CPU," \
            "$(awk '/VmHWM/ {print int($2 / 1024)}' "/proc/$pid/status") MB peak"
        kill "$pid"; wait "$pid" 2>/dev/null || true
    done
done
