# The installed game: `cmake --install` into a temporary prefix, the launcher
# and each player's folder (first start in a real window, repairs, the menu
# hand-off, failures), the desktop entry, AppStream file and manual through
# Debian's validators, and the .deb's files and dependencies.
# The program installed is this build's own (sanitized) one: the layout and
# the launcher are under test here, and a second, release build would cost
# minutes of the suite.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"
unset XDG_DATA_HOME

build=$(dirname "$E2E_BIN")
while [ ! -f "$build/CMakeCache.txt" ]; do
    [ "$build" != / ] || fail "no build folder above $E2E_BIN"
    build=$(dirname "$build")
done
prefix=$E2E_TMP/prefix
data=$prefix/share/games/zoltr-deathmatch
launcher=$prefix/games/zoltr-deathmatch
home=$E2E_TMP/home
folder=$home/.local/share/zoltr-deathmatch
mkdir -p "$home"

note "cmake --install"
cmake --install "$build" --prefix "$prefix" >/dev/null || fail "cmake --install failed"
[ "$(ls "$prefix"/share/icons/hicolor/{16,22,24,32,48,64,128,256}x*/apps/zoltr-deathmatch.png | wc -l)" -eq 8 ] ||
    fail "not the eight icons"
[ -x "$prefix/lib/games/zoltr-deathmatch/zoltr" ] || fail "no game program"
[ -z "$(find "$data" -type f -perm /222)" ] || fail "installed data is writable"
desktop=$prefix/share/applications/zoltr-deathmatch.desktop
desktop-file-validate "$desktop" || fail "desktop entry rejected"
grep -qx "Exec=$launcher" "$desktop" || fail "the desktop entry does not run the launcher"
appstreamcli validate --no-net "$prefix"/share/metainfo/*.metainfo.xml >"$E2E_TMP/as.txt" ||
    fail "metainfo rejected: $(cat "$E2E_TMP/as.txt")"
man --warnings -l "$prefix/share/man/man6/zoltr-deathmatch.6.gz" 2>&1 >/dev/null | grep . && fail "man page warnings"

# Runs the launcher to its end without a display ("VAR=value ..." then its
# arguments); the game it starts fails at once, so "Problem: " shows it ran.
launch() {
    env HOME="$home" SDL_AUDIODRIVER=dummy SDL_VIDEODRIVER=nosuchdriver "$@" >"$E2E_TMP/stdout.txt" 2>"$E2E_STDERR"
}

# Every link of the folder points into the installed data.
check_links() {
    local name
    for name in gfx sfx seznam.dat maps/arena1 maps/arena2 maps/arena3 maps/win1; do
        [ "$(readlink "$folder/$name")" = "$data/$name" ] || fail "$name is not a link to the installed one"
    done
}

note "first start: the folder, then the game's window"
E2E_BIN=$E2E_TMP/bare-game
printf '#!/bin/sh\nexec "%s" --game\n' "$launcher" >"$E2E_BIN"
chmod +x "$E2E_BIN"
start_game "$E2E_TMP" HOME="$home"
find_window || fail "no window with the game's caption"
stop_game
check_links
[ -f "$folder/settings.ini" ] && [ ! -L "$folder/settings.ini" ] || fail "settings.ini is not a file of its own"
cmp -s "$folder/settings.ini" "$data/settings.ini" || fail "settings.ini is not the default"
grep -qx 'Windowed 1' "$folder/settings.ini" || fail "the default is not windowed"
[ "$(ls -A "$home/.local/share")" = zoltr-deathmatch ] || fail "leftovers beside the folder"

note "later starts keep the player's files and repair the links"
printf 'Name1 Zed\n' >>"$folder/settings.ini"
cp "$data/maps/arena1" "$folder/maps/mine"
rm "$folder/gfx" "$folder/maps/arena2"
ln -sfn "$data/gfx" "$folder/sfx"
ln -s "$data/maps/gone" "$folder/maps/gone"
launch "$launcher" --game
[ $? -eq 1 ] && grep -q '^Problem: ' "$E2E_STDERR" || fail "the second start did not reach the game"
check_links
[ "$(tail -n 1 "$folder/settings.ini")" = 'Name1 Zed' ] || fail "the edited settings.ini was lost"
[ -f "$folder/maps/mine" ] && [ ! -L "$folder/maps/mine" ] || fail "the player's own arena was lost"
[ ! -L "$folder/maps/gone" ] || fail "a link to an arena no longer shipped stayed"

note "the menu beside the game, unless --game; the game when there is no menu"
menu=$prefix/lib/games/zoltr-deathmatch/zoltr-menu
[ -x "$menu" ] || fail "no menu program"
printf '#!/bin/sh\npwd >"%s"\n' "$E2E_TMP/menu.txt" >"$menu"
launch "$launcher" && [ "$(cat "$E2E_TMP/menu.txt")" = "$folder" ] || fail "the menu did not run in the folder"
rm "$menu"
launch "$launcher"
[ $? -eq 1 ] && grep -q '^Problem: ' "$E2E_STDERR" || fail "without a menu the game did not start"

note "a folder that cannot be made: a message, status 1, nothing half made"
touch "$E2E_TMP/file"
launch XDG_DATA_HOME="$E2E_TMP/file/share" "$launcher"
status=$?
[ $status -eq 1 ] || fail "status $status for a folder inside a file"
grep -qx "zoltr-deathmatch: cannot create $E2E_TMP/file/share/zoltr-deathmatch: .*Not a directory" "$E2E_STDERR" &&
    [ "$(wc -l <"$E2E_STDERR")" -eq 1 ] || fail "unclear message: $(cat "$E2E_STDERR")"
mkdir "$E2E_TMP/fresh"
mv "$data/settings.ini" "$E2E_TMP/settings.ini"
launch XDG_DATA_HOME="$E2E_TMP/fresh" "$launcher"
[ $? -eq 1 ] && [ -z "$(ls -A "$E2E_TMP/fresh")" ] || fail "a failed first start left $(ls -A "$E2E_TMP/fresh")"
mv "$E2E_TMP/settings.ini" "$data/settings.ini"

note "the .deb"
cpack -G DEB -B "$E2E_TMP/pkg" --config "$build/CPackConfig.cmake" >/dev/null || fail "cpack failed"
deb=$(echo "$E2E_TMP"/pkg/zoltr-deathmatch_*.deb)
dpkg-deb -c "$deb" | awk '{print $6}' >"$E2E_TMP/files.txt"
for path in ./usr/games/zoltr-deathmatch ./usr/lib/games/zoltr-deathmatch/zoltr \
    ./usr/share/games/zoltr-deathmatch/maps/win1 ./usr/share/applications/zoltr-deathmatch.desktop \
    ./usr/share/icons/hicolor/256x256/apps/zoltr-deathmatch.png ./usr/share/man/man6/zoltr-deathmatch.6.gz; do
    grep -qx "$path" "$E2E_TMP/files.txt" || fail "$path is not in the package"
done
grep -v '^\./usr/' "$E2E_TMP/files.txt" | grep -qvx './' && fail "files outside /usr in the package"
depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libsdl1.2debian libsdl-image1.2 libsdl-mixer1.2; do
    [[ "$depends" == *"$library ("* ]] || fail "the package does not depend on $library: $depends"
done
# The committed default, never a played-in copy of it.
tracked=$(git -C "$E2E_SRC" show HEAD:game/settings.ini 2>/dev/null || cat "$E2E_SRC/game/settings.ini")
[ "$(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/games/zoltr-deathmatch/settings.ini)" = "$tracked" ] ||
    fail "the packaged settings.ini is not the committed default"
dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/applications/zoltr-deathmatch.desktop |
    grep -qx 'Exec=/usr/games/zoltr-deathmatch' || fail "the packaged desktop entry does not run /usr/games/zoltr-deathmatch"
note "ok"
