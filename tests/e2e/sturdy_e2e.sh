# Around the game: the menu and the launcher stand up to what the game does.
# The menu ends at once, with a Problem line, without a display or when it
# goes away, and at SIGTERM; pipes and devices in place of its files hang
# nothing; the widest font draws; the launcher never writes through a planted
# link, and four first starts at once all succeed, each waiting its turn.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"

GAME=$E2E_BIN
dir=$E2E_TMP/game
make_game_dir "$dir"
E2E_CAPTION_PATTERN=$MENU_CAPTION

# Starts the menu and waits for its window.
open_menu() {
    start_menu "$dir" "$@"
    find_window || fail "no menu window"
    focus_window
    sleep 0.3
}

# Taps $1, then waits for zoltr-menu to say $2 on its error stream.
menu_says() {
    tap_key "$1" 0.05
    for _ in $(seq 100); do grep -q "$2" "$E2E_STDERR" && return 0; sleep 0.1; done
    fail "the menu did not say '$2'"
}

quit_menu() {
    tap_key Escape 0.05
    wait_exit 10 || fail "Escape did not end the menu"
    [ "$E2E_STATUS" -eq 0 ] || fail "status $E2E_STATUS after Escape"
}

note "menu: no display"
start_menu "$dir" DISPLAY= WAYLAND_DISPLAY=
wait_exit 5 || fail "the menu without a display did not end"
[ "$E2E_STATUS" -eq 1 ] || fail "status $E2E_STATUS without a display, expected 1"
grep -q '^Problem: there is no display to show the menu on$' "$E2E_STDERR" || fail "no Problem line without a display"

note "menu: SIGTERM"
open_menu
kill -TERM "$E2E_PID"
wait_exit 5 || fail "the menu went on after SIGTERM"
[ "$E2E_STATUS" -eq 143 ] || fail "status $E2E_STATUS after SIGTERM"

note "menu: the display goes away"
start_display 640x480
start_menu "$dir" DISPLAY="$E2E_DISPLAY"
DISPLAY=$E2E_DISPLAY find_window || fail "no menu window on the private display"
stop_display KILL
wait_exit 5 || fail "the menu went on (spinning?) after its display went away"
[ "$E2E_STATUS" -eq 1 ] || fail "status $E2E_STATUS after the display went away, expected 1"
grep -q '^Problem: the connection to the display was lost$' "$E2E_STDERR" || fail "no Problem line for the lost display"

note "a pipe for settings.ini, /dev/zero for the catalogue, a pipe for the victory stage"
mv "$dir/settings.ini" "$E2E_TMP/settings.ini"
mkfifo "$dir/settings.ini"
E2E_BIN=$GAME start_game "$dir"
wait_exit 10 || fail "the game waited on a pipe for settings.ini"
[ "$E2E_STATUS" -eq 1 ] && grep -q '^settings.ini is not a regular file$' "$E2E_STDERR" || fail "no refusal of the pipe"
open_menu
menu_says Return 'zoltr-menu: settings.ini not saved, nothing changed: it is not a regular file'
quit_menu
[ -p "$dir/settings.ini" ] || fail "the pipe was replaced"
rm "$dir/settings.ini"
mv "$E2E_TMP/settings.ini" "$dir/settings.ini"
mv "$dir/seznam.dat" "$E2E_TMP/seznam.dat"
ln -s /dev/zero "$dir/seznam.dat"
mv "$dir/maps/win1" "$E2E_TMP/win1"
mkfifo "$dir/maps/win1"
open_menu
menu_says Return 'zoltr-menu: maps/win1, ar'  # in Czech: the settings say Language 0
quit_menu
grep -q '^seznam.dat is not a regular file$' "$E2E_STDERR" || fail "no refusal of /dev/zero as the catalogue"
rm "$dir/seznam.dat" "$dir/maps/win1"
mv "$E2E_TMP/seznam.dat" "$dir/seznam.dat"
mv "$E2E_TMP/win1" "$dir/maps/win1"

note "the widest font the loader takes, on a name row"
cp "$dir/gfx/myfont.gif" "$E2E_TMP/myfont.gif"
$CONVERT -size 8178x24 xc:white "$dir/gfx/myfont.gif"
open_menu
xdotool mousemove --window "$E2E_WID" 480 58 click 1
tap_key a 0.05
sleep 0.5
game_running || fail "the menu ended on a name row with the widest font"
quit_menu
cp "$E2E_TMP/myfont.gif" "$dir/gfx/myfont.gif"

note "launcher: planted links, four first starts at once"
build=$(dirname "$GAME")
while [ ! -f "$build/CMakeCache.txt" ]; do build=$(dirname "$build"); done
prefix=$E2E_TMP/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null || fail "cmake --install failed"
home=$E2E_TMP/home
folder=$home/.local/share/zoltr-deathmatch
launch() {
    env -u XDG_DATA_HOME HOME="$home" SDL_AUDIODRIVER=dummy SDL_VIDEODRIVER=nosuchdriver \
        "$prefix/games/zoltr-deathmatch" >/dev/null 2>"$E2E_TMP/launch$1.txt"
}
mkdir -p "$home"
launch 0
[ -f "$folder/settings.ini" ] || fail "the first start made no settings.ini"
mkdir "$E2E_TMP/victim"
rm -rf "$folder/maps"
ln -s "$E2E_TMP/victim" "$folder/maps"
printf 'keep\n' >"$E2E_TMP/victim.ini"
rm "$folder/settings.ini"
ln -s "$E2E_TMP/victim.ini" "$folder/settings.ini.new"
launch 0
[ -z "$(ls -A "$E2E_TMP/victim")" ] || fail "the launcher wrote into the folder a planted maps link named"
[ -d "$folder/maps" ] && [ ! -L "$folder/maps" ] && [ -L "$folder/maps/arena1" ] || fail "maps was not made a folder"
[ "$(cat "$E2E_TMP/victim.ini")" = keep ] || fail "the launcher wrote through a planted settings.ini.new"
for round in 1 2 3 4 5; do
    rm -f "$folder/settings.ini"
    [ "$round" -ne 5 ] || rm -rf "$folder"
    for i in 1 2 3 4; do launch "$i" & done
    wait
    for i in 1 2 3 4; do
        ! grep -q '^zoltr-deathmatch:' "$E2E_TMP/launch$i.txt" || fail "round $round: $(cat "$E2E_TMP/launch$i.txt")"
    done
    [ -f "$folder/settings.ini" ] || fail "round $round left no settings.ini"
done
# A start waits its turn: while another holds the lock, nothing is made.
rm -f "$folder/settings.ini"
flock "$home/.local/share" sh -c 'touch "$1"; sleep 5; rm "$1"' sh "$E2E_TMP/locked" &
holder=$!
for _ in $(seq 100); do [ -e "$E2E_TMP/locked" ] && break; sleep 0.1; done
launch 5
[ ! -e "$E2E_TMP/locked" ] || fail "a start went on while another held the lock"
wait "$holder"
[ -f "$folder/settings.ini" ] || fail "the start that waited made no settings.ini"
[ -z "$(find "$home" -name '*.XXXXXX' -o -name 'settings.ini.??????' -o -name '.zoltr-deathmatch.*')" ] ||
    fail "temporary files were left: $(find "$home")"
note "ok"
