"""The arena check: rules read off the layers, then what the game's own rules
say when the probe (tools/probe, linking the game library) plays the arena."""
import os
import re
import subprocess
import sys
import tempfile

from arena import ANIMATED, COLUMNS, CELLS, DAMAGING, DEADLY, PICKUP_NAMES, REPO, ROWS, SPAWN, ArenaError, describe

ITEM_TILES = 40   # tiles in the item sheet
ANIMATION_STARTS = {0, 11, 14, 17, 20}  # item codes whose next two tiles are its frames
PROBE = "zoltr-arena-probe"


def probe_path():
    """The built probe; built through CMake in build/ (as ./play builds the game) when needed."""
    given = os.environ.get("ZOLTR_ARENA_PROBE")
    if given:
        return given
    build = os.path.join(REPO, "build")
    steps = [["cmake", "--build", build, "--target", PROBE]]
    if not os.path.exists(os.path.join(build, "CMakeCache.txt")):
        print("arena.py: building the game's arena probe in build/ (once)...", file=sys.stderr)
        steps.insert(0, ["cmake", "-S", REPO, "-B", build, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=RelWithDebInfo",
                         "-DZOLTR_TESTS=OFF"])
    for step in steps:
        try:
            done = subprocess.run(step, capture_output=True, text=True)
        except OSError:
            raise ArenaError("the check plays arenas with the game's own rules and needs the game built: "
                             "install cmake, ninja-build and g++, or run ./play once")
        if done.returncode:
            raise ArenaError("building %s failed:\n%s%s" % (PROBE, done.stdout[-2000:], done.stderr[-2000:]))
    return os.path.join(build, "tools", PROBE)


def run_probe(*args):
    done = subprocess.run([probe_path()] + list(args), stdout=subprocess.PIPE, text=True)
    if done.returncode:
        raise ArenaError("%s %s failed with status %d" % (PROBE, " ".join(args), done.returncode))
    return done.stdout


def explore(arena):
    """The probe's report: {'lift': [...], 'pad': [...], 'spawn': [...], 'reach': {...}, 'fall': [...], ...}."""
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "arena")
        with open(path, "wb") as f:
            f.write(arena.to_bytes())
        out = run_probe("explore", path)
    report = {"error": [], "lift": [], "pad": [], "spawn": [], "reach": {}, "fall": [], "ladder": [], "stats": []}
    for line in out.splitlines():
        kind, *words = line.split()
        if kind == "error":
            report["error"].append(named(line[len("error "):]))
        elif kind == "reach":
            report["reach"][int(words[0])] = {tuple(map(int, w.split(","))) for w in words[1:]}
        elif kind == "pad":
            report["pad"].append(tuple(map(int, words[:4])) + ([tuple(map(int, w.split(","))) for w in words[4:]],))
        elif kind == "spawn":
            report["spawn"].append((int(words[1]), int(words[2]), words[3] == "rests"))
        else:
            report[kind].append(tuple(float(w) if "." in w else int(w) for w in words))
    return report


def static_rules(arena):
    """Warnings read off the layers alone: (level, message) pairs. The errors come
    from the game library's own arena check, through the probe."""
    out = []

    def at(i):
        return "(%d, %d)" % (i % COLUMNS, i // COLUMNS)

    for i in range(CELLS):
        it, a = arena.items[i], arena.attrs[i]
        if it > ITEM_TILES:
            out.append(("warning", "item code %d at %s has no tile" % (it, at(i))))
        if a in (DAMAGING, ANIMATED) and it not in ANIMATION_STARTS:
            out.append(("warning", "animated cell at %s steps %s through tiles that are not its frames"
                        % (at(i), describe(0, it, 0))))
        if a == DEADLY and it == 0 and i // COLUMNS < ROWS - 1:
            out.append(("warning", "deadly cell at %s shows nothing: players cannot see it" % at(i)))
    return out


def named(problem):
    """The game's message with the legend's names for its item and attribute codes."""
    problem = re.sub(r"item (\d+) / attribute (\d+)", lambda m: describe(0, int(m[1]), int(m[2])), problem)
    return re.sub(r"item (\d+)", lambda m: describe(0, int(m[1]), 0), problem)


def unreachable_pickups(arena, report):
    """(name, cell) of every pickup or spawner no fighter's centre passes; lifts' paths excepted."""
    lifts = {(c, row) for c, _, top, bottom, _ in report["lift"] for row in range(top, bottom + 1)}
    touched = set().union(*report["reach"].values())
    out = []
    for i in range(CELLS):
        it, a = arena.items[i], arena.attrs[i]
        want = it if it in PICKUP_NAMES else (a + 16 if 9 <= a <= 16 else 0)
        cell = (i % COLUMNS, i // COLUMNS)
        if want and cell not in touched and cell not in lifts:
            out.append((PICKUP_NAMES[want], cell))
    return out


def ladder_holes(report):
    """{(column, row where climbers stop): (first x, last x)} of ladders that pass only part of their width."""
    holes = {}
    for c, r, x0, x1, stuck in report["ladder"]:
        a, b = holes.get((c, stuck), (x0, x1))
        holes[c, stuck] = (min(a, x0), max(b, x1))
    return holes


def played_rules(arena, report):
    """Findings of the probe's exploration: (level, message) pairs."""
    out = []
    for c, r, top, bottom, period in report["lift"]:
        for row in range(top, bottom + 1):
            i = row * COLUMNS + c
            if row != r and (arena.items[i] or arena.attrs[i] == SPAWN):
                out.append(("warning", "lift at (%d, %d) travels through (%d, %d), which holds %s"
                            % (c, r, c, row, describe(0, arena.items[i], arena.attrs[i]))))
    starts, reach = report["spawn"], report["reach"]
    for n, (c, r, rests) in enumerate(starts):
        if not rests:
            out.append(("warning", "spawn point %d at (%d, %d) drops its player to death" % (n, c, r)))
    for a in reach:
        for b in reach:
            if a < b and not reach[a] & reach[b]:
                out.append(("warning", "players from spawn points %d and %d can never meet" % (a, b)))
    for name, (c, r) in unreachable_pickups(arena, report):
        out.append(("warning", "%s at (%d, %d) cannot be reached by walking, jumping or climbing" % (name, c, r)))
    excused = [f for f in report["fall"] if f[5]]
    for fc, fr, tc, tr, height, _ in sorted((f for f in report["fall"] if not f[5]), key=lambda f: (f[1], f[0])):
        out.append(("warning", "deadly fall of %d pixels from (%d, %d) to (%d, %d)" % (height, fc, fr, tc, tr)))
    if excused:
        out.append(("note", "%d deadly falls start where a fighter can bring a parachute, which saves them"
                    % len(excused)))
    for (c, stuck), (x0, x1) in sorted(ladder_holes(report).items()):
        out.append(("note", "the ladder in column %d takes a fighter past row %d only from x = %d to %d "
                    "(%d of 20 pixels); elsewhere the head hits the ceiling" % (c, stuck - 1, x0, x1, x1 - x0 + 1)))
    return out


def validate(arena, name="arena"):
    """Returns a list of (level, message), level 'error', 'warning' or 'note'."""
    report = explore(arena)
    if report["error"]:
        return [("error", problem) for problem in report["error"]] + static_rules(arena)
    return static_rules(arena) + played_rules(arena, report)


def numbers():
    return run_probe("numbers")
