"""Play-testing: the arena in the built game, from a temporary game folder
that links the shipped media and names the arena in its settings.ini."""
import os
import signal
import subprocess
import sys
import tempfile
import time

from arena import CELLS, REPO, SPAWN, ArenaError, load, read_file, write_checked, write_file

GAME = os.path.join(REPO, "game")


def game_binary():
    """The game as ./play builds it (ZOLTR_GAME names another)."""
    if os.environ.get("ZOLTR_GAME"):
        return os.environ["ZOLTR_GAME"]
    build = os.path.join(REPO, "build")
    steps = [["cmake", "--build", build, "--target", "zoltr"]]
    if not os.path.exists(os.path.join(build, "CMakeCache.txt")):
        steps.insert(0, ["cmake", "-S", REPO, "-B", build, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=RelWithDebInfo",
                         "-DZOLTR_TESTS=OFF"])
    for step in steps:
        try:
            done = subprocess.run(step, capture_output=True, text=True)
        except OSError:
            raise ArenaError("play needs the game built: run ./play once")
        if done.returncode:
            raise ArenaError("building the game failed:\n%s%s" % (done.stdout[-2000:], done.stderr[-2000:]))
    return os.path.join(build, "zoltr")


def only_spawn(arena, n):
    """A copy with spawn point n alone: the game picks spawn points at random, so
    both fighters start there and come back there after every death."""
    spawns = [i for i in range(CELLS) if arena.attrs[i] == SPAWN]
    if not 0 <= n < len(spawns):
        raise ArenaError("--spawn %d: the arena has spawn points 0 to %d" % (n, len(spawns) - 1))
    kept = list(arena.attrs)
    for i in spawns:
        if i != spawns[n]:
            kept[i] = 0
    return type(arena)(list(arena.walls), list(arena.items), kept)


SETTINGS_LIMIT = 4 << 20  # bytes: the game's own settings file is a few hundred


def settings_naming(level):
    """The shipped settings with the level replaced. Read as bytes: the menu writes names in the
    player's 8-bit code page (0xE8 for a Czech c with caron), and they are kept as they are."""
    lines = read_file(os.path.join(GAME, "settings.ini"), SETTINGS_LIMIT, "settings file").splitlines()
    # Any line that mentions the key sets it, so every such line goes.
    lines = [line for line in lines if b"Level " not in line] + [b"Level " + level.encode("ascii")]
    return b"\n".join(lines) + b"\n"


def game_folder(folder, arena, name, spawn, force):
    """A game folder that links the shipped media and names the arena, checked first; returns the arena's path."""
    tested = os.path.join(folder, "maps", "tested")
    os.mkdir(os.path.join(folder, "maps"))
    write_checked(arena, name, tested, force)
    if spawn is not None:
        write_file(tested, only_spawn(arena, spawn).to_bytes())
    for shared in ("gfx", "sfx", "seznam.dat", "maps/win1"):
        os.symlink(os.path.join(GAME, shared), os.path.join(folder, shared))
    write_file(os.path.join(folder, "settings.ini"), settings_naming("maps/tested"))
    print("arena.py: playing %s%s" % (name, "" if spawn is None else " from spawn point %d" % spawn),
          file=sys.stderr)
    return tested


def play(arena, name, spawn=None, force=False):
    binary = game_binary()
    with tempfile.TemporaryDirectory(prefix="zoltr-play-") as folder:
        game_folder(folder, arena, name, spawn, force)
        return subprocess.run([binary], cwd=folder).returncode


def saved(path):
    """What changes when a file is saved, also by an editor that writes a new file and renames it."""
    try:
        info = os.stat(path)
        return info.st_mtime_ns, info.st_size, info.st_ino
    except OSError:
        return None


def watch(path, spawn=None, force=False, poll=0.05):
    """Plays the arena without the intro and loads it again in the running game whenever
    the file is saved; a save that cannot be played leaves the last good arena playing."""
    import arena_check
    binary = game_binary()
    with tempfile.TemporaryDirectory(prefix="zoltr-play-") as folder:
        tested = game_folder(folder, load(path), path, spawn, force)
        game = subprocess.Popen([binary, "--watch"], cwd=folder)
        signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))  # the game goes with the tool
        try:
            seen = saved(path)
            while game.poll() is None:
                time.sleep(poll)
                if saved(path) in (seen, None):
                    continue
                seen = saved(path)
                try:
                    level = load(path)
                    for problem in arena_check.problems(level):
                        raise ArenaError("%s: %s" % (path, problem))
                    write_file(tested, (level if spawn is None else only_spawn(level, spawn)).to_bytes())
                except ArenaError as e:
                    print("error: %s\narena.py: the last good arena plays on" % e, file=sys.stderr, flush=True)
                    continue
                game.send_signal(signal.SIGHUP)
                print("arena.py: %s reloaded" % path, file=sys.stderr, flush=True)
                findings = arena_check.validate(level, path)
                print("\n".join(arena_check.report_lines(level, path, findings)), flush=True)
        finally:
            if game.poll() is None:
                game.terminate()
            game.wait()
        return game.returncode
