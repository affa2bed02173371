#!/usr/bin/env bash
# Makes or repairs a play folder: links to the pictures, sounds, catalogue and
# arenas of game/, and a settings.ini of its own, copied from the default when
# it has none. The game and the menu write only there, so playing never
# changes a tracked file. ./play uses build/play.
set -euo pipefail
game=$(cd "$(dirname "$0")/../game" && pwd)
folder=$1
mkdir -p "$folder/maps"
for name in gfx sfx seznam.dat; do
    ln -sfn "$game/$name" "$folder/$name"
done
for arena in "$game"/maps/*; do
    [ -f "$arena" ] && ln -sfn "$arena" "$folder/maps/${arena##*/}"
done
for arena in "$folder"/maps/*; do  # arenas game/ no longer has
    [ -L "$arena" ] && [ ! -e "$arena" ] && rm -f "$arena"
done
[ -e "$folder/settings.ini" ] || cp "$game/settings.ini" "$folder/settings.ini"
