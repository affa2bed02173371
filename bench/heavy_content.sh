#!/usr/bin/env bash
# Heavy but valid content, two builds side by side in one run (a baseline and
# a candidate, release builds): CPU time of the menu with 1,000 arenas to a
# working window and for ten arena changes, and the game's start-up CPU and
# peak memory with a catalogue naming one 4096x4096 PNG in N slots. Needs an X
# display of 640x480 (xvfb-run -a -s "-screen 0 640x480x24 -noreset").
#
#   heavy_content.sh GAME_FOLDER OLD_BUILD NEW_BUILD [OLD_LINES] [NEW_LINES]
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

cp -r "$game" "$work/menu"
for i in $(seq -w 1000); do cp "$work/menu/maps/arena1" "$work/menu/maps/a$i"; done
for build in "$old" "$new"; do
    for run in 1 2 3; do
        (cd "$work/menu" && exec "$build/zoltr-menu" 2>/dev/null) &
        pid=$!
        wid=$(timeout 120 xdotool search --sync --onlyvisible --name 'match menu' | head -n 1)
        settle "$pid" 1
        ready=$(cpu "$pid")
        # Clicks on the last miniature, not key taps: under load a tap can
        # outlast the key repeat delay and walk through the list.
        for _ in $(seq 10); do xdotool mousemove --window "$wid" 578 400 click 1; sleep 0.2; done
        settle "$pid" 1
        echo "menu $build run $run: $ready s CPU to a settled window, $(echo "$(cpu "$pid") - $ready" | bc) s CPU for 10 arena changes"
        kill "$pid"; wait "$pid" 2>/dev/null || true
    done
done

cp -r "$game" "$work/game"
/usr/bin/python3 -c "
from PIL import Image; import os
Image.frombytes('RGB', (4096, 4096), os.urandom(4096 * 4096 * 3)).save('$work/game/big.png')"
for pair in "$old $oldLines" "$new $newLines"; do
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
