#!/usr/bin/python3
"""Arena tool: text arenas to the game's 4608-byte files and back, checks, pictures.

  arena.py compile SOURCE.txt OUT          text -> arena file
  arena.py text ARENA [OUT.txt]            arena file -> text (stdout without OUT)
  arena.py check [--strict] FILE...        validate text or arena files
  arena.py render FILE OUT.png [--gfx DIR] [--plain]
  arena.py legend                          print the legend

The text form is a first line "zoltr-arena 1", then 24 rows of 32 legend
characters (row 23 lies below the screen), then optional override lines
"cell COLUMN ROW wall W item I attr A" for cells marked '?'.
Exit status: 0 fine, 1 bad input or validation errors (warnings too with --strict).
"""
import os
import struct
import sys

COLUMNS, ROWS = 32, 24
CELLS = COLUMNS * ROWS
FILE_SIZE = 3 * CELLS * 2
HEADER = "zoltr-arena 1"

WALL_TILES = 16   # tiles in the wall sheet
ITEM_TILES = 40   # tiles in the item sheet
LADDER, JUMP_PAD, LIFT, SHAFT = 5, 9, 33, 34
SPAWN, DAMAGING, DEADLY, ANIMATED = 2, 3, 4, 8
ANIMATION_STARTS = {0, 11, 14, 17, 20}  # item codes whose next two tiles are its frames
PICKUP_NAMES = {25: "melee weapon", 26: "bomb", 27: "grenade", 28: "knife", 29: "explosive debris",
                30: "jetpack", 31: "parachute", 32: "health"}

# char: (wall, item, attribute, meaning)
LEGEND = {
    ".": (0, 0, 0, "empty"),
    "#": (1, 0, 0, "wall: stone"), "B": (2, 0, 0, "wall: brick"), "M": (3, 0, 0, "wall: metal"),
    "W": (4, 0, 0, "wall: wood"), "G": (5, 0, 0, "wall: grass on earth"), "E": (6, 0, 0, "wall: earth"),
    "I": (7, 0, 0, "wall: ice"), "R": (8, 0, 0, "wall: dark rock"), "=": (9, 0, 0, "wall: girder"),
    "|": (10, 0, 0, "wall: pillar"), "Z": (11, 0, 0, "wall: hazard stripes"), "P": (12, 0, 0, "wall: pipe"),
    "T": (13, 0, 0, "wall: mossy stone"), "C": (14, 0, 0, "wall: crate"), "Q": (15, 0, 0, "wall: tech panel"),
    "O": (16, 0, 0, "wall: gold"),
    "H": (0, LADDER, 0, "ladder"), "J": (0, JUMP_PAD, 0, "jump pad"),
    "L": (0, LIFT, 0, "lift (starts one row above this mark)"),
    "S": (0, 0, SPAWN, "spawn point"),
    "m": (0, 25, 9, "melee weapon spawner"), "b": (0, 26, 10, "bomb spawner"), "g": (0, 27, 11, "grenade spawner"),
    "k": (0, 28, 12, "knife spawner"), "x": (0, 29, 13, "explosive debris spawner"),
    "j": (0, 30, 14, "jetpack spawner"), "p": (0, 31, 15, "parachute spawner"), "h": (0, 32, 16, "health spawner"),
    "1": (0, 25, 0, "melee weapon, once"), "2": (0, 26, 0, "bomb, once"), "3": (0, 27, 0, "grenade, once"),
    "4": (0, 28, 0, "knife, once"), "5": (0, 29, 0, "explosive debris, once"), "6": (0, 30, 0, "jetpack, once"),
    "7": (0, 31, 0, "parachute, once"), "8": (0, 32, 0, "health, once"),
    "~": (0, 17, DAMAGING, "lava: hurts"), "a": (0, 20, DAMAGING, "acid: hurts"),
    "^": (0, 23, DEADLY, "spikes: kill"), "X": (0, 0, DEADLY, "invisible death (for below the screen)"),
    "t": (0, 11, ANIMATED, "torch"), "c": (0, 14, ANIMATED, "console"), "*": (0, 0, ANIMATED, "twinkle"),
    "n": (0, 3, 0, "chain"), "w": (0, 4, 0, "window"), "f": (0, 6, 0, "banner"), "y": (0, 7, 0, "bush"),
    "s": (0, 8, 0, "skull"), '"': (0, 24, 0, "grass tuft"), "o": (0, 35, 0, "cobweb"), ">": (0, 36, 0, "sign"),
    "l": (0, 37, 0, "lamp"), "u": (0, 38, 0, "bones"), "r": (0, 39, 0, "mushrooms"), "e": (0, 40, 0, "barrel"),
}
BY_CODES = {v[:3]: k for k, v in LEGEND.items()}
OVERRIDE = "?"


class ArenaError(Exception):
    """Bad input: the message says what and where."""


class Arena:
    def __init__(self, walls=None, items=None, attrs=None):
        self.walls = walls or [0] * CELLS
        self.items = items or [0] * CELLS
        self.attrs = attrs or [0] * CELLS

    def cell(self, c, r):
        i = r * COLUMNS + c
        return self.walls[i], self.items[i], self.attrs[i]

    def to_bytes(self):
        return struct.pack("<%dH" % (3 * CELLS), *(self.walls + self.items + self.attrs))

    @staticmethod
    def from_bytes(data, name="arena"):
        if len(data) != FILE_SIZE:
            raise ArenaError("%s: wrong size: %d bytes, an arena file has exactly %d" % (name, len(data), FILE_SIZE))
        values = list(struct.unpack("<%dH" % (3 * CELLS), data))
        return Arena(values[:CELLS], values[CELLS:2 * CELLS], values[2 * CELLS:])


def parse_text(text, name="arena"):
    lines = text.split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    if not lines or lines[0].rstrip("\r") != HEADER:
        raise ArenaError("%s:1: the first line must be '%s'" % (name, HEADER))
    rows = [l.rstrip("\r") for l in lines[1:1 + ROWS]]
    if len(rows) < ROWS:
        raise ArenaError("%s: wrong size: %d grid rows, an arena has %d" % (name, len(rows), ROWS))
    arena = Arena()
    marked = set()
    for r, row in enumerate(rows):
        if len(row) != COLUMNS:
            raise ArenaError("%s:%d: ragged row: %d characters, every row has %d" % (name, r + 2, len(row), COLUMNS))
        for c, ch in enumerate(row):
            if ch == OVERRIDE:
                marked.add((c, r))
                continue
            if ch not in LEGEND:
                raise ArenaError("%s:%d: unknown legend character %r in column %d" % (name, r + 2, ch, c))
            i = r * COLUMNS + c
            arena.walls[i], arena.items[i], arena.attrs[i] = LEGEND[ch][:3]
    given = set()
    for n, line in enumerate(lines[1 + ROWS:], start=2 + ROWS):
        words = line.split()
        if not words:
            continue
        if (len(words) != 9 or words[0] != "cell" or words[3:9:2] != ["wall", "item", "attr"]
                or not all(w.isdigit() for w in words[1:3] + words[4:9:2])):
            raise ArenaError("%s:%d: expected 'cell COLUMN ROW wall W item I attr A'" % (name, n))
        c, r, w, it, a = (int(words[k]) for k in (1, 2, 4, 6, 8))
        if (c, r) not in marked:
            raise ArenaError("%s:%d: cell %d %d is not marked '?' in the grid" % (name, n, c, r))
        if (c, r) in given:
            raise ArenaError("%s:%d: cell %d %d is given twice" % (name, n, c, r))
        if max(w, it, a) > 65535:
            raise ArenaError("%s:%d: codes are 16-bit (0 to 65535)" % (name, n))
        given.add((c, r))
        i = r * COLUMNS + c
        arena.walls[i], arena.items[i], arena.attrs[i] = w, it, a
    for c, r in sorted(marked - given, key=lambda p: (p[1], p[0])):
        raise ArenaError("%s: cell %d %d is marked '?' but has no 'cell' line" % (name, c, r))
    return arena


def format_text(arena):
    lines = [HEADER]
    extra = []
    for r in range(ROWS):
        row = ""
        for c in range(COLUMNS):
            codes = arena.cell(c, r)
            if codes in BY_CODES:
                row += BY_CODES[codes]
            else:
                row += OVERRIDE
                extra.append("cell %d %d wall %d item %d attr %d" % ((c, r) + codes))
        lines.append(row)
    return "\n".join(lines + extra) + "\n"


def load(path):
    with open(path, "rb") as f:
        data = f.read()
    looks_like_text = all(b in b"\r\n\t" or 32 <= b < 127 for b in data[:200])
    if data.startswith(b"zoltr-arena") or (len(data) != FILE_SIZE and data and looks_like_text):
        try:
            return parse_text(data.decode("ascii"), path)
        except UnicodeDecodeError:
            raise ArenaError("%s: text arenas are plain ASCII" % path)
    return Arena.from_bytes(data, path)


# --- checks ---

def _trunc_div(a, b):
    return int(a / b)


def lift_travel(arena, c, r):
    """Runs a lift through one full cycle; returns (rows it passes, problem or None)."""
    y, down = 20 * r + 10, True  # the lift's centre starts 20 pixels above its mark's centre
    rows = set()

    def wall(row):
        if not 0 <= row < ROWS:
            return None
        return arena.walls[row * COLUMNS + c]

    for _ in range(4 * ROWS * 20):
        rows.update({_trunc_div(y - 30, 20), _trunc_div(y - 11, 20)})
        if down:
            below = wall(_trunc_div(y - 10, 20))
            if below is None:
                return rows, "no wall below it inside the arena"
            if below == 0:
                y += 1
                if wall(_trunc_div(y - 31, 20)) is None:
                    return rows, "its column leaves the top of the arena"
            else:
                down = False
        if not down:
            above = wall(_trunc_div(y - 21, 20))
            if above is None:
                return rows, "no wall above it inside the arena"
            if above == 0:
                y -= 1
                if wall(_trunc_div(y - 11, 20)) is None:
                    return rows, "its column leaves the arena"
            else:
                return {row for row in rows if 0 <= row < ROWS}, None
    return rows, "it never completes a cycle"


class Fighter:
    """Just enough of a fighter's movement to ask where a player can get to."""
    ACC = 0.800000011920929
    GRAVITY = 0.20000000298023224

    def __init__(self, x, y):
        self.x, self.y, self.vx, self.vy = float(x), float(y), 0.0, 0.0
        self.facing, self.fall = 0, 0


def _passable(arena, x, y):
    x, y = int(x), int(y)
    yy = y - 20
    if yy < 0:
        return False
    if x < 0 or x // 20 >= COLUMNS or yy // 20 >= ROWS:
        return y >= 500
    i = (yy // 20) * COLUMNS + x // 20
    return arena.walls[i] == 0 and arena.items[i] not in (LIFT, SHAFT)


def _cell_of(f):
    return int(f.x / 20), int(f.y / 20 - 1)


def _code(layer, c, r):
    return layer[r * COLUMNS + c] if 0 <= c < COLUMNS and 0 <= r < ROWS else 0


def _step(arena, f, left, right, jump):
    """One live update of the movement rules; returns 'dead', 'landed' or None."""
    c, r = _cell_of(f)
    if _code(arena.attrs, c, r) == DEADLY:
        return "dead"
    on_ladder = _code(arena.items, c, r) == LADDER
    head = _passable(arena, f.x - 5, f.y + f.vy - 10) and _passable(arena, f.x + 5, f.y - 10)
    air = _passable(arena, f.x - 5, f.y + f.vy + 10) and _passable(arena, f.x + 5, f.y + f.vy + 10) and not on_ladder
    if on_ladder and f.vy < -2.0:
        f.vy = -2.0
    if left:
        if f.facing == 1:
            f.vx -= Fighter.ACC
        else:
            f.facing = 1
    if right:
        if f.facing == 0:
            f.vx += Fighter.ACC
        else:
            f.facing = 0
    s = 6 if f.vx > 0 else -6
    if not _passable(arena, f.x + f.vx + s, f.y - 5) or not _passable(arena, f.x + f.vx + s, f.y + 9):
        f.vx = 0.0
    f.vx *= 0.7
    if air:
        f.vy += Fighter.GRAVITY
    if f.vy > 6.0:
        f.vy = 6.0
    if f.vy < 0 and not head:
        f.vy = 0.0
    landed = None
    if f.vy > 0 and not air:
        f.y = float((int(f.y) // 20) * 20 + 10)
        f.vy = 0.0
        if f.fall > 200:
            return "dead-fall"
        f.fall = 0
        landed = "landed"
    else:
        f.x += f.vx
        f.y += f.vy
        if f.vy > 0:
            f.fall = int(f.fall + f.vy)
    if jump and not air:
        f.vy = -7.0
    if f.y > 480:
        return "dead"
    if landed is None and not air and f.vy == 0:
        landed = "landed"
    return landed


# Inputs as (frames of jump, direction, first frame of the direction, last frame).
MACROS = ([(0, d, 0, 11) for d in (-1, 1)] + [(0, d, 0, 30) for d in (-1, 1)]
          + [(1, 0, 0, 0)] + [(1, d, k, e) for d in (-1, 1) for k in (0, 12, 24) for e in (k + 8, k + 20, 999)])
CLIMBS = [(j, d, j - 4, 999) for j in (12, 30, 60, 120) for d in (-1, 1)] + [(j, 0, 0, 0) for j in (12, 30, 60, 120)]


def _run(arena, pad_cells, start, macro):
    """Simulates one macro from a cell; returns (outcome, end cell, cells passed, fall)."""
    jump_frames, d, k, e = macro
    f = Fighter(start[0] * 20 + 10, start[1] * 20 + 30)
    f.facing = 1 if d < 0 else 0
    pads = {p: 0 for p in pad_cells}
    seen = {start}
    worst = 0
    for t in range(600):
        for (pc, pr), age in pads.items():
            if age == 0:
                if abs(pc * 20 + 10 - f.x) < 10 and abs(pr * 20 + 30 - f.y) < 10:
                    f.fall, f.vy, pads[(pc, pr)] = 0, -10.0, 70
            else:
                pads[(pc, pr)] = age - 1
        held = k <= t < e
        fall_before = f.fall
        out = _step(arena, f, held and d < 0, held and d > 0, t < jump_frames)
        worst = max(worst, fall_before)
        if out == "dead-fall":
            return "fall", _cell_of(f), seen, fall_before
        if out == "dead":
            return "dead", _cell_of(f), seen, 0
        seen.add(_cell_of(f))
        if out == "landed" and t >= max(jump_frames, min(e, 60)) and t > 0:
            return "ok", _cell_of(f), seen, worst
    return "stuck", _cell_of(f), seen, 0


def explore(arena, starts):
    """Every cell a player can stand on or pass through, from the given cells."""
    pads = [(i % COLUMNS, i // COLUMNS) for i in range(CELLS) if arena.items[i] == JUMP_PAD]
    work = arena_for_play(arena)
    standing, touched, falls = set(), set(), []
    queue = []
    for s in starts:
        outcome, end, seen, _ = _run(work, pads, s, (0, 0, 0, 0))
        if outcome == "ok":
            touched |= seen
            queue.append(end)
    while queue:
        cell = queue.pop()
        if cell in standing:
            continue
        standing.add(cell)
        macros = MACROS + (CLIMBS if _code(work.items, *cell) == LADDER else [])
        for m in macros:
            outcome, end, seen, fall = _run(work, pads, cell, m)
            if outcome == "ok":
                touched |= seen
                if end not in standing:
                    queue.append(end)
            elif outcome == "fall":
                falls.append((cell, end, fall))
    return standing, touched, falls


def arena_for_play(arena):
    """The layers as level setup leaves them: machine marks become objects."""
    items = [0 if v in (JUMP_PAD, LIFT) else v for v in arena.items]
    return Arena(list(arena.walls), items, list(arena.attrs))


def validate(arena):
    """Returns a list of (level, message), level 'error', 'warning' or 'note'."""
    out = []

    def at(i):
        return "(%d, %d)" % (i % COLUMNS, i // COLUMNS)

    spawns = [i for i in range(CELLS) if arena.attrs[i] == SPAWN]
    if len(spawns) < 2:
        out.append(("error", "%d spawn point(s): the match and the victory scene need at least 2" % len(spawns)))
    for i in range(CELLS):
        w, it, a = arena.walls[i], arena.items[i], arena.attrs[i]
        if w > WALL_TILES:
            out.append(("error", "wall code %d at %s has no tile: an invisible wall" % (w, at(i))))
        if it > ITEM_TILES:
            out.append(("warning", "item code %d at %s has no tile" % (it, at(i))))
        if 9 <= a <= 16 and it not in (0, a + 16):
            out.append(("error", "spawner at %s holds item %d: it refills only when empty, with item %d"
                        % (at(i), it, a + 16)))
        if a in (DAMAGING, ANIMATED) and it not in ANIMATION_STARTS:
            out.append(("warning", "animated cell at %s steps item %d through tiles that are not its frames"
                        % (at(i), it)))
        if a == DEADLY and it == 0 and i // COLUMNS < ROWS - 1:
            out.append(("warning", "deadly cell at %s shows nothing: players cannot see it" % at(i)))
        if w and (it or a in (SPAWN,) or 9 <= a <= 16):
            out.append(("error", "cell %s is a wall and also holds item %d / attribute %d: nobody can reach it"
                        % (at(i), it, a)))
        if a == SPAWN and i // COLUMNS == ROWS - 1:
            out.append(("error", "spawn point %s lies below the screen" % at(i)))
    lift_rows = set()
    for i in range(CELLS):
        if arena.items[i] == LIFT:
            c, r = i % COLUMNS, i // COLUMNS
            rows, problem = lift_travel(arena, c, r)
            if problem:
                out.append(("error", "lift at %s: %s" % (at(i), problem)))
                continue
            for row in rows:
                j = row * COLUMNS + c
                lift_rows.add(j)
                if j != i and (arena.items[j] or arena.attrs[j] == SPAWN):
                    out.append(("warning", "lift at %s travels through %s, which holds item %d / attribute %d"
                                % (at(i), at(j), arena.items[j], arena.attrs[j])))
    if any(level == "error" for level, _ in out):
        return out

    starts = [(i % COLUMNS, i // COLUMNS) for i in spawns]
    regions = [explore(arena, [s]) for s in starts]
    touched = set().union(*(t for _, t, _ in regions)) if regions else set()
    for n, (s, (standing, _, _)) in enumerate(zip(starts, regions)):
        if not standing:
            out.append(("warning", "spawn point %d at (%d, %d) drops its player to death" % (n, s[0], s[1])))
    for a_i in range(len(regions)):
        for b_i in range(a_i + 1, len(regions)):
            if not (regions[a_i][1] & regions[b_i][1]):
                out.append(("warning", "players from spawn points %d and %d can never meet" % (a_i, b_i)))
    parachute = any(arena.items[r * COLUMNS + c] == 31 for c, r in touched)
    for i in range(CELLS):
        it = arena.items[i]
        want = it if it in PICKUP_NAMES else (arena.attrs[i] + 16 if 9 <= arena.attrs[i] <= 16 else 0)
        if want and (i % COLUMNS, i // COLUMNS) not in touched and i not in lift_rows:
            out.append(("warning", "%s at %s cannot be reached by walking, jumping or climbing"
                        % (PICKUP_NAMES[want], at(i))))
    falls = sorted((f for _, _, fs in regions for f in fs), key=lambda f: -f[2])
    if falls:
        frm, to, fall = falls[0]
        text = ("%d ways to fall to death (more than 200 pixels), the highest %d pixels from (%d, %d) into column %d"
                % (len(falls), fall, frm[0], frm[1], to[0]))
        out.append(("note", text + "; the parachute saves them") if parachute else ("warning", text))
    return out


# --- pictures ---

def _sheet(path):
    from PIL import Image
    img = Image.open(path).convert("RGBA")
    px = img.load()
    key = px[0, 0]
    if key[:3] == (255, 0, 255):
        for y in range(img.height):
            for x in range(img.width):
                if px[x, y][:3] == (255, 0, 255):
                    px[x, y] = (0, 0, 0, 0)
    return img


def render(arena, gfx, plain=False):
    """A 640x480 picture of the arena as the game first draws it."""
    from PIL import Image, ImageDraw
    walls, items = _sheet(os.path.join(gfx, "walls.png")), _sheet(os.path.join(gfx, "items.png"))
    hud = Image.open(os.path.join(gfx, "hud.png")).convert("RGBA")
    img = Image.new("RGBA", (640, 480), (0, 0, 0, 255))
    img.paste(hud, (0, 0))

    def tile(sheet, n, x, y):
        if 0 <= n < (sheet.height // 20) * 8:
            t = sheet.crop(((n % 8) * 20, (n // 8) * 20, (n % 8) * 20 + 20, (n // 8) * 20 + 20))
            img.alpha_composite(t, (x, y))

    for r in range(ROWS - 1):
        for c in range(COLUMNS):
            it = arena.items[r * COLUMNS + c]
            if it == LIFT:
                tile(items, 32, 20 * c, 20 * r)
            elif it:
                tile(items, it - 1, 20 * c, 20 + 20 * r)
    for r in range(ROWS - 1):
        for c in range(COLUMNS):
            tile(walls, arena.walls[r * COLUMNS + c] - 1, 20 * c, 20 + 20 * r)
    if not plain:
        draw = ImageDraw.Draw(img)
        n = 0
        for i in range(CELLS):
            if arena.attrs[i] == SPAWN:
                x, y = 20 * (i % COLUMNS), 20 + 20 * (i // COLUMNS)
                draw.rectangle((x + 1, y + 1, x + 18, y + 18), outline=(80, 220, 255, 255))
                draw.text((x + 7, y + 4), str(n), fill=(80, 220, 255, 255))
                n += 1
    return img.convert("RGB")


def main(argv):
    if len(argv) < 2 or argv[1] in ("-h", "--help"):
        print(__doc__.strip())
        return 0 if len(argv) >= 2 else 1
    command, args = argv[1], argv[2:]
    try:
        if command == "legend":
            for ch, (w, it, a, meaning) in LEGEND.items():
                print("%s  wall %2d item %2d attr %2d  %s" % (ch, w, it, a, meaning))
            return 0
        if command == "compile" and len(args) == 2:
            arena = load(args[0])
            with open(args[1], "wb") as f:
                f.write(arena.to_bytes())
            return 0
        if command == "text" and len(args) in (1, 2):
            text = format_text(load(args[0]))
            if len(args) == 2:
                with open(args[1], "w") as f:
                    f.write(text)
            else:
                sys.stdout.write(text)
            return 0
        if command == "check" and args:
            strict = "--strict" in args
            failed = False
            for path in [a for a in args if a != "--strict"]:
                for level, message in validate(load(path)):
                    print("%s: %s: %s" % (path, level, message))
                    failed |= level == "error" or (strict and level == "warning")
            return 1 if failed else 0
        if command == "render" and len(args) >= 2:
            gfx = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "game", "gfx")
            if "--gfx" in args:
                gfx = args[args.index("--gfx") + 1]
            render(load(args[0]), gfx, "--plain" in args).save(args[1])
            return 0
    except ArenaError as e:
        print("error: %s" % e, file=sys.stderr)
        return 1
    except OSError as e:
        print("error: %s: %s" % (e.filename, e.strerror), file=sys.stderr)
        return 1
    print("error: unknown command or wrong arguments; see arena.py --help", file=sys.stderr)
    return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
