"""The arena check: rules read off the layers, then what the game's own rules
say when the probe (tools/probe, linking the game library) plays the arena."""
import os
import re
import subprocess
import sys
import tempfile

from arena import (ANIMATED, COLUMNS, CELLS, DAMAGING, DEADLY, PICKUP_NAMES, REPO, ROWS, SPAWN, ArenaError, describe,
                   write_file)

ITEM_TILES = 40   # tiles in the item sheet
ANIMATION_STARTS = {0, 11, 14, 17, 20}  # item codes whose next two tiles are its frames
PROBE = "zoltr-arena-probe"


_built = []


def probe_path():
    """The built probe; built through CMake in build/ (as ./play builds the game) once a run, when needed."""
    given = os.environ.get("ZOLTR_ARENA_PROBE")
    if given:
        return given
    if _built:
        return _built[0]
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
    _built.append(os.path.join(build, "tools", PROBE))
    return _built[0]


def run_probe(*args):
    done = subprocess.run([probe_path()] + list(args), stdout=subprocess.PIPE, text=True)
    if done.returncode:
        raise ArenaError("%s %s failed with status %d" % (PROBE, " ".join(args), done.returncode))
    return done.stdout


def explore(arena):
    """The probe's report: {'lift': [...], 'pad': [...], 'spawn': [...], 'reach': {...}, 'fall': [...],
    'trap': [(spawns leading there, spawns inside, only dying gets out, cells)], ...}."""
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "arena")
        write_file(path, arena.to_bytes())
        out = run_probe("explore", path)
    report = {"error": [], "lift": [], "pad": [], "spawn": [], "reach": {}, "fall": [], "ladder": [], "stats": [],
              "trap": []}

    def cells(words):
        return {tuple(map(int, w.split(","))) for w in words}

    for line in out.splitlines():
        kind, *words = line.split()
        if kind == "error":
            report["error"].append(named(line[len("error "):]))
        elif kind == "reach":
            report["reach"][int(words[0])] = cells(words[1:])
        elif kind == "pad":
            report["pad"].append(tuple(map(int, words[:4])) + ([tuple(map(int, w.split(","))) for w in words[4:]],))
        elif kind == "spawn":
            report["spawn"].append((int(words[1]), int(words[2]), words[3]))
        elif kind == "trap":
            spawns, inside = ([] if w == "-" else [int(n) for n in w.split("/")] for w in words[1:3])
            report["trap"].append((spawns, inside, words[0] == "dying", cells(words[3:])))
        else:
            report[kind].append(tuple(float(w) if "." in w else int(w) for w in words))
    return report


def problems(arena):
    """The game library's own faults of an arena, at once: what keeps it from being played."""
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "arena")
        write_file(path, arena.to_bytes())
        return [named(line[len("error "):]) for line in run_probe("problems", path).splitlines()]


class Finding:
    """One thing the check found: its level, what it says, the cell it points at, and the
    cells behind a grouped finding (shown with --verbose)."""

    def __init__(self, level, message, cell=None, details=()):
        self.level, self.message, self.cell, self.details = level, message, cell, list(details)

    def __repr__(self):
        return "%s: %s" % (self.level, self.message)


def span(cells):
    """'rows 5-7, columns 10-14' of a set of cells; one number where the span is one wide."""
    def one(name, values):
        low, high = min(values), max(values)
        return "%s %d" % (name, low) if low == high else "%ss %d-%d" % (name, low, high)
    return "%s, %s" % (one("row", [r for _, r in cells]), one("column", [c for c, _ in cells]))


def first(cells):
    return min(cells, key=lambda cell: (cell[1], cell[0]))


def groups(cells):
    """Cells joined by a side or a corner, each group sorted in reading order."""
    left, out = set(cells), []
    while left:
        queue, group = [left.pop()], []
        while queue:
            c, r = queue.pop()
            group.append((c, r))
            for near in [(c + dc, r + dr) for dc in (-1, 0, 1) for dr in (-1, 0, 1)]:
                if near in left:
                    left.remove(near)
                    queue.append(near)
        out.append(sorted(group, key=lambda cell: (cell[1], cell[0])))
    return sorted(out, key=lambda g: (g[0][1], g[0][0]))


def cells_named(cells):
    """A few cells by name, more by their span and count."""
    ordered = sorted(cells, key=lambda cell: (cell[1], cell[0]))
    if len(ordered) <= 3:
        return " and ".join("(%d, %d)" % cell for cell in ordered)
    return "%s (%d cells)" % (span(ordered), len(ordered))


def merged_traps(traps):
    """Traps whose cells touch are one place to the designer: the probe tells apart stances within a cell."""
    out = []
    for spawns, inside, dying, cells in traps:
        near = {(c + dc, r + dr) for c, r in cells for dc in (-1, 0, 1) for dr in (-1, 0, 1)}
        for other in [t for t in out if t[3] & near]:
            out.remove(other)
            spawns, inside = sorted(set(spawns) | set(other[0])), sorted(set(inside) | set(other[1]))
            dying, cells = dying or other[2], cells | other[3]
        out.append((spawns, inside, dying, cells))
    return sorted(out, key=lambda t: first(t[3])[::-1])


def spawn_list(numbers, spawns):
    named = ["%d (%d, %d)" % ((n,) + spawns[n][:2]) for n in numbers]
    return ("spawn point " if len(named) == 1 else "spawn points ") + ", ".join(named)


KNOWN_ATTRIBUTES = {0, SPAWN, DAMAGING, DEADLY, ANIMATED} | set(range(9, 17))


def static_rules(arena):
    """Warnings read off the layers alone. The errors come from the game library's
    own arena check, through the probe."""
    out = []
    for i in range(CELLS):
        it, a, cell = arena.items[i], arena.attrs[i], (i % COLUMNS, i // COLUMNS)
        if it > ITEM_TILES:
            out.append(Finding("warning", "item code %d at %s has no tile" % (it, cell), cell))
        if a not in KNOWN_ATTRIBUTES:
            out.append(Finding("warning", "attribute code %d at %s means nothing to the game" % (a, cell), cell))
        if a in (DAMAGING, ANIMATED) and it not in ANIMATION_STARTS:
            out.append(Finding("warning", "animated cell at %s steps %s through tiles that are not its frames"
                               % (cell, describe(0, it, 0)), cell))
        if a == DEADLY and it == 0 and i // COLUMNS < ROWS - 1:
            out.append(Finding("warning", "deadly cell at %s shows nothing: players cannot see it" % (cell,), cell))
    return out


def named(problem):
    """The game's message with the legend's names for its item and attribute codes."""
    problem = re.sub(r"item (\d+) / attribute (\d+)", lambda m: describe(0, int(m[1]), int(m[2])), problem)
    return re.sub(r"item (\d+)", lambda m: describe(0, int(m[1]), 0), problem)


def problem_cell(problem):
    found = re.search(r"\((\d+), (\d+)\)", problem)
    return (int(found[1]), int(found[2])) if found else None


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


def fall_findings(falls, level, what, why=""):
    """One finding per ledge: the falls whose start cells touch, with every fall as a detail."""
    out = []
    for group in groups({(f[0], f[1]) for f in falls}):
        mine = sorted((f for f in falls if (f[0], f[1]) in group), key=lambda f: (f[1], f[0], f[3], f[2]))
        landings = {(f[2], f[3]) for f in mine}
        out.append(Finding(level, "%s from the ledge at %s (%d landing cell%s, up to %d pixels)%s"
                           % (what, span(group), len(landings), "" if len(landings) == 1 else "s",
                              max(f[4] for f in mine), why), group[0],
                           ["from (%d, %d) to (%d, %d): %d pixels" % f[:5] for f in mine]))
    return out


def played_rules(arena, report):
    """Findings of the probe's exploration."""
    out = []
    starts = report["spawn"]
    for c, r, top, bottom, period in report["lift"]:
        for row in range(top, bottom + 1):
            i = row * COLUMNS + c
            if row == r or not (arena.items[i] or arena.attrs[i] == SPAWN):
                continue
            if arena.attrs[i] == SPAWN:
                n = [s[:2] for s in starts].index((c, row))
                out.append(Finding("error", "death loop: %s lies in the way of the lift at (%d, %d), which crushes "
                                   "whoever appears there" % (spawn_list([n], starts), c, r), (c, row)))
            else:
                out.append(Finding("warning", "lift at (%d, %d) travels through (%d, %d), which holds %s"
                                   % (c, r, c, row, describe(0, arena.items[i], 0)), (c, row)))
    loops = set()
    for n, (c, r, fate) in enumerate(starts):
        if fate == "dies":
            out.append(Finding("error", "death loop: a fighter appearing at %s dies at once"
                               % spawn_list([n], starts), (c, r)))
        elif fate == "hurts":
            out.append(Finding("error", "death loop: whatever a fighter appearing at %s does, it is hurt or killed"
                               % spawn_list([n], starts), (c, r)))
        loops |= {n} if fate != "rests" else set()
    for spawns, inside, dying, cells in merged_traps(report["trap"]):
        if set(spawns) <= loops:
            continue  # its death loop says it all
        how = "except by dying" if dying else "at all"
        lead = [n for n in spawns if n not in inside]
        who = ["%s appear%s there" % (spawn_list(inside, starts), "s" if len(inside) == 1 else "")] if inside else []
        who += ["%s lead%s there" % (spawn_list(lead, starts), "s" if len(lead) == 1 else "")] if lead else []
        out.append(Finding("error", "trap: a fighter that gets to %s can never get out %s%s"
                           % (cells_named(cells), how, "".join("; " + w for w in who)), first(cells),
                           ["(%d, %d)" % cell for cell in sorted(cells, key=lambda cell: (cell[1], cell[0]))]))
    for name, cell in unreachable_pickups(arena, report):
        out.append(Finding("warning", "%s at %s cannot be reached by walking, jumping or climbing" % (name, cell),
                           cell))
    deadly = [f for f in report["fall"] if not f[5]]
    accepted = getattr(arena, "accepted", {}).get("deadly falls")
    if accepted:
        out += fall_findings(deadly, "note", "deadly falls", ", accepted at line %d" % accepted)
    else:
        out += fall_findings(deadly, "warning", "deadly falls")
    out += fall_findings([f for f in report["fall"] if f[5]], "note", "falls a parachute in hand saves")
    for (c, stuck), (x0, x1) in sorted(ladder_holes(report).items()):
        out.append(Finding("note", "the ladder in column %d takes a fighter past row %d only from x = %d to %d "
                           "(%d of 20 pixels); elsewhere the head hits the ceiling"
                           % (c, stuck - 1, x0, x1, x1 - x0 + 1), (c, stuck)))
    return out


LEVELS = ("error", "warning", "note")


def validate(arena, name="arena"):
    """Every Finding, errors first, then warnings, then notes."""
    report = explore(arena)
    if report["error"]:
        found = [Finding("error", problem, problem_cell(problem)) for problem in report["error"]]
        found += static_rules(arena)
    else:
        found = static_rules(arena) + played_rules(arena, report)
    return sorted(found, key=lambda f: LEVELS.index(f.level))


def where(arena, path, cell):
    """'FILE:LINE:COLUMN' of the cell as the text arena writes it; 'FILE' for arena files."""
    lines = getattr(arena, "lines", None)
    if cell is None or not lines:
        return path
    return "%s:%d:%d" % (path, lines[cell[1]], cell[0] + 1)


def report_lines(arena, path, findings, verbose=False, levels=LEVELS):
    """The findings as printed: one line each, every cell of grouped ones with --verbose, and a total."""
    out = []
    for f in findings:
        if f.level in levels:
            out.append("%s: %s: %s" % (where(arena, path, f.cell), f.level, f.message))
            if verbose:
                out += ["    " + d for d in f.details]
    counts = [(sum(f.level == level for f in findings), level) for level in LEVELS]
    out.append("%s: %s" % (path, ", ".join("%d %s%s" % (n, level, "" if n == 1 else "s") for n, level in counts)))
    return out


# Frames a second of a match at FPS 50, measured in a real window (docs/designing-arenas.md says how).
FRAME_RATE = 94
FRAME_KEYS = ("pad.rest", "lift.down", "lift.trip", "spawner.earliest", "spawner.latest")


def numbers():
    """[(key, value, seconds or '', meaning)] as the probe measures them; seconds at FRAME_RATE for times."""
    out = []
    for line in run_probe("numbers").splitlines():
        key, value, meaning = line.split(None, 2)
        seconds = "%.1f" % (int(value) / FRAME_RATE) if key in FRAME_KEYS else ""
        out.append((key, int(value), seconds, meaning))
    return out


def numbers_text(markdown=False):
    if markdown:
        return "".join("| `%s` | %d | %s | %s |\n" % row for row in numbers())
    return "".join("%-17s %5d %5s  %s\n" % (key, value, seconds and seconds + " s", meaning)
                   for key, value, seconds, meaning in numbers()) + \
        "(seconds at %d frames a second, a match at FPS 50)\n" % FRAME_RATE
