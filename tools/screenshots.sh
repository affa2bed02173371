#!/usr/bin/env bash
# Takes the README's screenshots from the real game: intro, title, a match and
# the end scene. Run inside an X server of 640x480x24, for example
#   xvfb-run -a -s "-screen 0 640x480x24" tools/screenshots.sh build/zoltr docs
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
"$bin" 2>"$work/stderr.txt" &
pid=$!
wid=$(xdotool search --sync --onlyvisible --name '^Zoltr Deatmatch' | head -1)
xdotool windowfocus --sync "$wid"
shot() { /usr/bin/import -window "$wid" "$out/$1.png"; }
hold() { xdotool keydown "$1"; sleep "$2"; xdotool keyup "$1"; }
both() { hold "$1" "$3" & local first=$!; hold "$2" "$3"; wait "$first"; }  # two keys at once

sleep "${INTRO_DELAY:-3.2}"; shot intro
sleep 9; shot title
xdotool key space; sleep 0.5; xdotool key space; sleep 1.5
both d Left 0.3
xdotool key Tab; sleep 0.1; xdotool key 105
both w Up 0.1
sleep 0.3
shot match
hold Escape 0.3; sleep 1.5; shot end
hold Escape 0.3
for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
status=0; wait "$pid" || status=$?
[ -s "$work/stderr.txt" ] && { echo "game printed:"; cat "$work/stderr.txt"; }
echo "exit status $status"
