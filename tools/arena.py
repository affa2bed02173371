#!/usr/bin/python3
"""Arena tool: text arenas to the game's 4608-byte files and back, checks, pictures, play-tests.

  arena.py compile [--force] SOURCE.txt OUT   text -> arena file, checked first
  arena.py text ARENA [OUT.txt]               arena file -> text (stdout without OUT)
  arena.py check [--strict] [--verbose] FILE...  errors, warnings and notes
  arena.py render [--check] [--plain] [--gfx DIR] FILE OUT.png
  arena.py play [--spawn N] [--force] [--watch] FILE  play the arena in the built game
  arena.py numbers [--markdown]               the game's movement numbers, measured
  arena.py legend                             every legend character

The text form is a first line "zoltr-arena 1", then 24 rows of 32 legend
characters (row 23 lies below the screen), then optional override lines
"cell COLUMN ROW wall W item I attr A" for cells marked '?'. Lines starting
with "# " (or a lone "#") are comments; "# accept: deadly falls" makes the
check's deadly-fall warnings notes.
Exit status: 0 fine; 1 bad input or arena errors (warnings too with --strict);
2 wrong command line.
"""
import argparse
import errno
import os
import stat
import struct
import sys

COLUMNS, ROWS = 32, 24
CELLS = COLUMNS * ROWS
FILE_SIZE = 3 * CELLS * 2
HEADER = "zoltr-arena 1"
TEXT_LIMIT = 1 << 20  # bytes: a text arena with a generous amount of comments
BOM = b"\xef\xbb\xbf"
ACCEPT = "# accept: "
ACCEPTABLE = ("deadly falls",)
REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.modules.setdefault("arena", sys.modules[__name__])  # run as a script, the helpers still share this module
if os.path.dirname(os.path.abspath(__file__)) not in sys.path:
    sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

LADDER, JUMP_PAD, LIFT, SHAFT = 5, 9, 33, 34
SPAWN, DAMAGING, DEADLY, ANIMATED = 2, 3, 4, 8

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
ITEM_NAMES = {v[1]: v[3].split(",")[0].replace(" spawner", "").split(":")[0].split(" (")[0]
              for v in LEGEND.values() if v[1] and not v[0]}
ITEM_NAMES.update({SHAFT: "lift shaft", 17: "lava", 20: "acid", 23: "spikes"})
ATTRIBUTE_NAMES = {SPAWN: "spawn point", DAMAGING: "hurting", DEADLY: "deadly", ANIMATED: "animated"}
ATTRIBUTE_NAMES.update({a: ITEM_NAMES[a + 16] + " spawner" for a in range(9, 17)})
PICKUP_NAMES = {code: ITEM_NAMES[code] for code in range(25, 33)}


class ArenaError(Exception):
    """Bad input: the message says what and where."""


def describe(wall, item, attr):
    """A cell's content in the legend's words, with the codes where no word exists."""
    parts = ["wall %d" % wall] if wall else []
    if item:
        parts.append(ITEM_NAMES.get(item, "item %d" % item))
    if attr:
        parts.append(ATTRIBUTE_NAMES.get(attr, "attribute %d" % attr))
    return " + ".join(parts) or "nothing"


class Arena:
    def __init__(self, walls=None, items=None, attrs=None):
        self.walls = walls or [0] * CELLS
        self.items = items or [0] * CELLS
        self.attrs = attrs or [0] * CELLS
        self.lines = None    # text arenas: the line each grid row is written on
        self.accepted = {}   # text arenas: finding kinds accepted, with the line that says so

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


def _is_comment(line):
    return line == "#" or line.startswith("# ")


def _comment_hint(name, n, line):
    """A '#' glued to a word was meant as a comment: say so instead of complaining about its letters."""
    if len(line) > 1 and line[0] == "#" and line[1].isalpha():
        raise ArenaError("%s:%d:2: comments start with '# ' (a space after #)" % (name, n))


def parse_text(text, name="arena"):
    lines = [(n, line.rstrip("\r")) for n, line in enumerate(text.split("\n"), start=1)]
    if lines and lines[-1][1] == "":
        lines.pop()
    accepted = {}
    for n, line in lines:
        if line.startswith(ACCEPT):
            kind = line[len(ACCEPT):].strip()
            if kind not in ACCEPTABLE:
                raise ArenaError("%s:%d:%d: only %s can be accepted" % (name, n, len(ACCEPT) + 1,
                                                                        ", ".join(ACCEPTABLE)))
            accepted[kind] = n
    lines = [(n, line) for n, line in lines if not _is_comment(line)]
    if not lines or lines[0][1] != HEADER:
        raise ArenaError("%s:%d: the first line must be '%s'" % (name, lines[0][0] if lines else 1, HEADER))
    rows = lines[1:1 + ROWS]
    if len(rows) < ROWS:
        raise ArenaError("%s: wrong size: %d grid rows, an arena has %d" % (name, len(rows), ROWS))
    arena = Arena()
    arena.lines = [n for n, _ in rows]
    arena.accepted = accepted
    marked = set()
    for r, (n, row) in enumerate(rows):
        if len(row) != COLUMNS or any(ch not in LEGEND and ch != OVERRIDE for ch in row):
            _comment_hint(name, n, row)
        for c, ch in enumerate(row[:COLUMNS]):
            if ch == OVERRIDE:
                marked.add((c, r))
                continue
            if ch not in LEGEND:
                what = "a space" if ch == " " else "a tab" if ch == "\t" else repr(ch)
                raise ArenaError("%s:%d:%d: %s is not a legend character (see arena.py legend)" % (name, n, c + 1, what))
            i = r * COLUMNS + c
            arena.walls[i], arena.items[i], arena.attrs[i] = LEGEND[ch][:3]
        if len(row) < COLUMNS:
            raise ArenaError("%s:%d:%d: short row: %d characters, every row has %d" % (name, n, len(row) + 1, len(row),
                                                                                    COLUMNS))
        if len(row) > COLUMNS:
            what = "trailing space" if row[COLUMNS:].strip() == "" else "long row: %d characters" % len(row)
            raise ArenaError("%s:%d:%d: %s, every row has %d characters" % (name, n, COLUMNS + 1, what, COLUMNS))
    given = set()
    for n, line in lines[1 + ROWS:]:
        words = line.split()
        if not words:
            continue
        if words[0] != "cell" and len(line) == COLUMNS and all(ch in LEGEND or ch == OVERRIDE for ch in line):
            raise ArenaError("%s:%d: a grid row too many: an arena has %d rows" % (name, n, ROWS))
        _comment_hint(name, n, line)
        if (len(words) != 9 or words[0] != "cell" or words[3:9:2] != ["wall", "item", "attr"]
                or not all(w.isdigit() and len(w) <= 6 for w in words[1:3] + words[4:9:2])):
            raise ArenaError("%s:%d: expected 'cell COLUMN ROW wall W item I attr A'" % (name, n))
        c, r, w, it, a = (int(words[k]) for k in (1, 2, 4, 6, 8))
        if max(w, it, a) > 65535:
            raise ArenaError("%s:%d: codes are 16-bit (0 to 65535)" % (name, n))
        if (c, r) not in marked:
            raise ArenaError("%s:%d: cell %d %d is not marked '?' in the grid" % (name, n, c, r))
        if (c, r) in given:
            raise ArenaError("%s:%d: cell %d %d is given twice" % (name, n, c, r))
        given.add((c, r))
        i = r * COLUMNS + c
        arena.walls[i], arena.items[i], arena.attrs[i] = w, it, a
    for c, r in sorted(marked - given, key=lambda p: (p[1], p[0])):
        raise ArenaError("%s:%d:%d: cell %d %d is marked '?' but has no 'cell' line"
                         % (name, rows[r][0], c + 1, c, r))
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


def read_file(path, limit, what="file"):
    """The bytes of a regular file of at most `limit` bytes. Opened without blocking and checked
    on the open descriptor, so a FIFO, a device or a file swapped in meanwhile is refused."""
    try:
        fd = os.open(path, os.O_RDONLY | os.O_NONBLOCK | getattr(os, "O_CLOEXEC", 0))
    except OSError as e:
        raise ArenaError("%s: cannot open: %s" % (path, e.strerror))
    try:
        info = os.fstat(fd)
        if not stat.S_ISREG(info.st_mode):
            raise ArenaError("%s: not a regular file: the %s must be a plain file" % (path, what))
        if info.st_size > limit:
            raise ArenaError("%s: too large: %d bytes, a %s has at most %d" % (path, info.st_size, what, limit))
        chunks, size = [], 0
        while size <= limit:
            chunk = os.read(fd, min(1 << 16, limit + 1 - size))
            if not chunk:
                break
            chunks.append(chunk)
            size += len(chunk)
        if size > limit:
            raise ArenaError("%s: too large: more than %d bytes, a %s has at most %d" % (path, limit, what, limit))
        return b"".join(chunks)
    except OSError as e:
        raise ArenaError("%s: cannot read: %s" % (path, e.strerror))
    finally:
        os.close(fd)


def write_file(path, data):
    """Writes a whole file, or nothing: a new file beside it, renamed over it when complete."""
    try:
        if not stat.S_ISREG(os.stat(path).st_mode):
            raise ArenaError("%s: not a regular file: will not write over it" % path)
    except FileNotFoundError:
        pass
    except OSError as e:
        raise ArenaError("%s: cannot write: %s" % (path, e.strerror))
    partial = os.path.join(os.path.dirname(path) or ".", ".%s.%d.part" % (os.path.basename(path), os.getpid()))
    try:
        with open(partial, "xb") as f:
            f.write(data)
        os.replace(partial, path)
    except OSError as e:
        try:
            os.remove(partial)
        except OSError:
            pass
        raise ArenaError("%s: cannot write: %s" % (path, e.strerror or errno.errorcode.get(e.errno, "error")))


def load(path):
    data = read_file(path, TEXT_LIMIT, "text arena or arena file")
    if data.startswith(BOM):  # editors that mark UTF-8 files
        data = data[len(BOM):]
    looks_like_text = all(b in b"\r\n\t" or 32 <= b < 127 for b in data[:200])
    if data.startswith(b"zoltr-arena") or data.startswith(b"#") or (len(data) != FILE_SIZE and data
                                                                     and looks_like_text):
        for n, line in enumerate(data.split(b"\n"), start=1):
            for c, b in enumerate(line, start=1):
                if b >= 128:
                    raise ArenaError("%s:%d:%d: a non-ASCII character: text arenas are plain ASCII" % (path, n, c))
        return parse_text(data.decode("ascii"), path)
    return Arena.from_bytes(data, path)


def write_checked(arena, path, out, force):
    """Writes the arena file unless the check finds errors; prints what it finds."""
    import arena_check
    if not force:
        findings = arena_check.validate(arena, path)
        for line in arena_check.report_lines(arena, path, findings, levels=("error", "warning"))[:-1]:
            print(line, file=sys.stderr)  # the check command shows the notes
        if any(f.level == "error" for f in findings):
            raise ArenaError("%s: the arena has errors; fix them, or pass --force" % path)
    write_file(out, arena.to_bytes())


def _parser():
    parser = argparse.ArgumentParser(prog="arena.py", description=__doc__.split("\n")[0],
                                     formatter_class=argparse.RawDescriptionHelpFormatter,
                                     epilog="\n".join(__doc__.split("\n")[1:]))
    commands = parser.add_subparsers(dest="command", required=True, metavar="COMMAND")
    p = commands.add_parser("compile", help="text -> arena file, checked first")
    p.add_argument("--force", action="store_true", help="write the file even when the check finds errors")
    p.add_argument("source")
    p.add_argument("out")
    p = commands.add_parser("text", help="arena file -> text")
    p.add_argument("arena")
    p.add_argument("out", nargs="?")
    p = commands.add_parser("check", help="errors, warnings and notes")
    p.add_argument("--strict", action="store_true", help="warnings fail too")
    p.add_argument("--verbose", action="store_true", help="every cell of grouped findings")
    p.add_argument("files", nargs="+", metavar="FILE")
    p = commands.add_parser("render", help="a 640x480 picture as the game draws it")
    p.add_argument("--check", action="store_true", help="draw the check's findings on it")
    p.add_argument("--plain", action="store_true", help="without the spawn point numbers")
    p.add_argument("--gfx", default=os.path.join(REPO, "game", "gfx"), metavar="DIR",
                   help="folder with walls.png, items.png and hud.png")
    p.add_argument("file")
    p.add_argument("out")
    p = commands.add_parser("play", help="play the arena in the built game")
    p.add_argument("--spawn", type=int, metavar="N", help="keep only spawn point N: both fighters start there")
    p.add_argument("--force", action="store_true", help="play it even when the check finds errors")
    p.add_argument("--watch", action="store_true",
                   help="no intro; the arena is loaded again whenever FILE is saved, with the check's findings")
    p.add_argument("file")
    p = commands.add_parser("numbers", help="the game's movement numbers, measured by the probe")
    p.add_argument("--markdown", action="store_true", help="as the rows of the designing guide's table")
    commands.add_parser("legend", help="every legend character")
    return parser


def output(text):
    """Standard output, which may be closed or a pipe closed early."""
    if sys.stdout is None:
        raise ArenaError("standard output is closed: name an output file")
    sys.stdout.write(text)
    sys.stdout.flush()


def run(args):
    if args.command == "legend":
        output("".join("%s  wall %2d item %2d attr %2d  %s\n" % ((ch,) + v) for ch, v in LEGEND.items()))
    elif args.command == "compile":
        write_checked(load(args.source), args.source, args.out, args.force)
    elif args.command == "text":
        text = format_text(load(args.arena))
        if args.out:
            write_file(args.out, text.encode("ascii"))
        else:
            output(text)
    elif args.command == "check":
        import arena_check
        failed = False
        for path in args.files:
            level = load(path)
            findings = arena_check.validate(level, path)
            output("".join(line + "\n" for line in arena_check.report_lines(level, path, findings, args.verbose)))
            failed |= any(f.level == "error" or (args.strict and f.level == "warning") for f in findings)
        return 1 if failed else 0
    elif args.command == "render":
        import arena_picture
        arena_picture.save(load(args.file), args.file, args.out, args.gfx, args.plain, args.check)
    elif args.command == "play":
        import arena_play
        if args.watch:
            return arena_play.watch(args.file, args.spawn, args.force)
        return arena_play.play(load(args.file), args.file, args.spawn, args.force)
    elif args.command == "numbers":
        import arena_check
        output(arena_check.numbers_text(args.markdown))
    return 0


def main(argv):
    args = _parser().parse_args(argv[1:])
    try:
        return run(args)
    except ArenaError as e:
        message = "error: %s" % e
    except BrokenPipeError:
        # The reader went away (tools/arena.py text x | head): nothing more to say.
        os.dup2(os.open(os.devnull, os.O_WRONLY), 1)
        return 1
    except KeyboardInterrupt:
        return 130
    except MemoryError:
        message = "error: out of memory"
    except OSError as e:
        message = "error: %s: %s" % (e.filename or "arena.py", e.strerror or e)
    if sys.stderr is not None:
        print(message, file=sys.stderr)
    return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
