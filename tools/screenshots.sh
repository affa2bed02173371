#!/usr/bin/env bash
# Takes the README's screenshots from the real game: intro, title and a match
# in one run, then a victory in a second run on a one-cell duel arena where
# Red, who alone finds a knife, kills Blue. Run inside an X server of
# 640x480x24, for example
#   xvfb-run -a -s "-screen 0 640x480x24 -noreset" tools/screenshots.sh build/zoltr docs
# The game runs from a copy of game/, so the repo's files are never touched.
# INTRO_DELAY (seconds) times the intro shot; SHOT_LANGUAGE=0 shows the Czech texts.
set -euo pipefail
bin=$(readlink -f "$1")
out=$(readlink -f "${2:-docs}")
repo=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d /tmp/zoltr-shots-XXXXXX)
trap 'kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
cp -r "$repo/game/." "$work/"
if [ -n "${SHOT_LANGUAGE:-}" ]; then  # 0 for the Czech texts
    sed -i "s/^Language .*/Language $SHOT_LANGUAGE/" "$work/settings.ini"
fi
mkdir -p "$out"
cd "$work"
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}  # machines without a sound card
shot() { /usr/bin/import -window "$wid" "$out/$1.png"; }
hold() { xdotool keydown "$1"; sleep "$2"; xdotool keyup "$1"; }
both() { hold "$1" "$3" & local first=$!; hold "$2" "$3"; wait "$first"; }  # two keys at once
start() {
    "$bin" 2>"$work/stderr.txt" &
    pid=$!
    wid=$(xdotool search --sync --onlyvisible --name '^Zoltr Deatmatch' | head -1)
    xdotool windowfocus --sync "$wid"
}
finish() {
    hold Escape 0.3
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    status=0; wait "$pid" || status=$?
    [ -s "$work/stderr.txt" ] && { echo "game printed:"; cat "$work/stderr.txt"; }
    echo "exit status $status"
}

start
sleep "${INTRO_DELAY:-3.2}"; shot intro
sleep 9; shot title
xdotool key space; sleep 0.5; xdotool key space; sleep 1.5
both d Left 0.3
xdotool key Tab; sleep 0.1; xdotool key 105
both w Up 0.1
sleep 0.3
shot match
hold Escape 0.3; sleep 0.5
finish

# The duel: both fighters start on the one spawn point, which also holds a
# knife; Red is placed first and takes it, and holding Tab does the rest.
{
    echo "zoltr-arena 1"
    for _ in $(seq 21); do echo "M..............................M"; done
    echo "M..............?...............M"
    echo "MMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMM"
    echo "MMMMMMMMMMMMMMMMMMMMMMMMMMMMMMMM"
    echo "cell 15 21 wall 0 item 28 attr 2"
} >"$work/duel.txt"
/usr/bin/python3 "$repo/tools/arena.py" compile "$work/duel.txt" "$work/maps/duel"
sed -i "s|^Level .*|Level maps/duel|; s|^Zoltr .*|Zoltr 1|" "$work/settings.ini"
start
sleep 12.2; xdotool key space; sleep 0.5; xdotool key space; sleep 1.5
hold Tab 4
sleep 1.5; shot end
finish
