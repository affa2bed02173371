"""The arena tool as a designer uses it: the commands on real files, their exit
statuses and messages, and what the check finds by playing arenas in the game."""
import io
import os
import re
import struct
import subprocess
import sys
import tempfile
import time
import unittest

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
TOOLS, GAME, ARENAS = (os.path.join(REPO, d) for d in ("tools", "game", "arenas"))
PYTHON = "/usr/bin/python3"
sys.path.insert(0, TOOLS)

import arena  # noqa: E402
import arena_check  # noqa: E402
import arena_play  # noqa: E402

FLOOR = "#" * 32


def run_tool(*args):
    """Runs tools/arena.py; returns (exit status, stdout, stderr)."""
    p = subprocess.run([PYTHON, os.path.join(TOOLS, "arena.py")] + list(args), capture_output=True, text=True)
    return p.returncode, p.stdout, p.stderr


def grid(rows, fill="."):
    """A text arena from up to 24 rows, padded with `fill` rows and columns."""
    rows = [r.ljust(32, fill) for r in rows] + [fill * 32] * (24 - len(rows))
    return "zoltr-arena 1\n" + "\n".join(rows) + "\n"


def findings(text):
    return arena_check.validate(arena.parse_text(text))


def messages(text):
    return " | ".join(f.message for f in findings(text))


BAD_INPUTS = [
    # (file content, command line with IN and OUT for the paths, exit status, message)
    (b"\0" * 4607, "text IN", 1, "in: wrong size: 4607 bytes"),
    (grid(["..Q.", "..K."]), "compile IN OUT", 1, "in:3:3: 'K' is not a legend character"),
    (grid(["x\u00e9"]), "compile IN OUT", 1, "in:2:2: a non-ASCII character"),
    (grid(["."]).replace("." * 32 + "\n", "." * 31 + "\n", 1), "compile IN OUT", 1, "in:2:32: short row: 31"),
    (grid(["."]).replace("." * 32 + "\n", "." * 32 + " \n", 1), "compile IN OUT", 1, "in:2:33: trailing space"),
    ("\n".join(grid([]).split("\n")[:20]), "compile IN OUT", 1, "in: wrong size: 19 grid rows"),
    (grid([]) + "." * 32 + "\n", "compile IN OUT", 1, "in:26: a grid row too many"),
    (grid([]).replace("zoltr-arena 1", "arena"), "compile IN OUT", 1, "in:1: the first line must be"),
    (grid(["..?"]), "compile IN OUT", 1, "in:2:3: cell 2 0 is marked '?' but has no 'cell' line"),
    (grid([]) + "cell 2 0 wall 1 item 0 attr 0\n", "compile IN OUT", 1, "in:26: cell 2 0 is not marked '?'"),
    (grid(["..?"]) + "cell 2 0 wall 1 item 0\n", "compile IN OUT", 1, "in:26: expected 'cell COLUMN ROW"),
    (grid(["..?"]) + "cell 2 0 wall 1 item 0 attr " + "9" * 5000 + "\n", "compile IN OUT", 1, "in:26: expected"),
    (grid([]).replace("\n", "\n#the floor\n", 1), "compile IN OUT", 1, "in:2:2: comments start with '# '"),
    (grid([]) + "# accept: everything\n", "compile IN OUT", 1, "in:26:11: only deadly falls can be accepted"),
    (grid(["S", FLOOR]), "compile IN OUT", 1, "1 spawn point(s)"),
    (grid(["S.S", "##.#"] + ["."] * 4 + ["..L", FLOOR]), "compile IN OUT", 1, "lift at (2, 6): no wall above it"),
    (grid(["S", FLOOR]), "compile --force IN OUT", 0, ""),
    (b"\xef\xbb\xbf" + grid([".S.S", FLOOR]).encode(), "compile IN OUT", 0, ""),   # an editor's byte-order mark
    (grid([".S.S", FLOOR]), "render IN OUT.jpgx", 1, "cannot write pictures of type '.jpgx'"),
    (grid([".S.S", FLOOR]), "render --gfx /nowhere IN OUT.png", 1, "/nowhere: no walls.png there"),
    (grid([".S.S", FLOOR]), "NO-PILLOW render IN OUT.png", 1, "install Debian's python3-pil"),
]


class BadInput(unittest.TestCase):
    def test_every_bad_input_says_what_and_where_and_writes_nothing(self):
        with tempfile.TemporaryDirectory() as tmp:
            for content, command, status, message in BAD_INPUTS:
                path, out = os.path.join(tmp, "in"), os.path.join(tmp, "out")
                with open(path, "wb") as f:
                    f.write(content if isinstance(content, bytes) else content.encode())
                args = [w.replace("IN", path).replace("OUT", out) for w in command.split() if w != "NO-PILLOW"]
                if "NO-PILLOW" in command:  # a Python that cannot import PIL
                    code = ("import runpy, sys; sys.modules['PIL'] = None; sys.argv = %r; "
                            "runpy.run_path(%r, run_name='__main__')" % (["arena.py"] + args,
                                                                          os.path.join(TOOLS, "arena.py")))
                    p = subprocess.run([PYTHON, "-c", code], capture_output=True, text=True)
                    got = (p.returncode, p.stdout, p.stderr)
                else:
                    got = run_tool(*args)
                self.assertEqual(got[0], status, (command, got))
                self.assertIn(message, got[2].replace(tmp + "/", ""), command)
                self.assertNotIn("Traceback", got[2])
                written = [n for n in os.listdir(tmp) if n.startswith("out")]
                self.assertEqual(bool(written), status == 0, command)
                for name in written:
                    os.remove(os.path.join(tmp, name))

    def test_hostile_files_and_streams_get_a_message_naming_the_file_never_a_traceback(self):
        import zlib
        from PIL import Image
        with tempfile.TemporaryDirectory() as tmp:
            source, out, gfx = (os.path.join(tmp, n) for n in ("a.txt", "out", "gfx"))
            with open(source, "w") as f:
                f.write(grid([".S.S", FLOOR]))
            with open(os.path.join(tmp, "huge"), "wb") as f:
                f.truncate(200 << 20)   # sparse: no disk used
            os.mkfifo(os.path.join(tmp, "fifo"))
            os.mkdir(gfx)
            for sheet in ("walls.png", "items.png", "hud.png"):
                Image.open(os.path.join(GAME, "gfx", sheet)).save(os.path.join(gfx, sheet))
            header = b"IHDR" + struct.pack(">IIBBBBB", 100000, 100000, 8, 2, 0, 0, 0)
            bomb = (b"\x89PNG\r\n\x1a\n" + struct.pack(">I", 13) + header + struct.pack(">I", zlib.crc32(header))
                    + struct.pack(">I", 0) + b"IDAT" + struct.pack(">I", zlib.crc32(b"IDAT")))

            def fsize(limit):
                return lambda: __import__("resource").setrlimit(__import__("resource").RLIMIT_FSIZE, (limit, limit))
            cases = [   # (command line, picture written first, how it runs, message)
                ("check /dev/zero", None, {}, "/dev/zero: not a regular file"),
                ("check TMP/fifo", None, {}, "TMP/fifo: not a regular file"),
                ("check TMP/huge", None, {}, "TMP/huge: too large: 209715200 bytes"),
                ("render --gfx TMP/gfx IN TMP/a.png", ("walls.png", bomb), {}, "walls.png: the picture claims more"),
                ("render --gfx TMP/gfx IN TMP/a.png", ("items.png", b"\x89PNG broken"), {}, "items.png: not a pic"),
                ("compile --force IN OUT", None, {"preexec_fn": fsize(1000)}, "TMP/out: cannot write: File too lar"),
                ("compile IN OUT", None, {"preexec_fn": fsize(1000)}, "/arena: cannot write: File too large"),
                ("text IN", None, {"stdout": "closed"}, "standard output is closed"),
            ]
            for command, picture, how, message in cases:
                if picture:
                    Image.open(os.path.join(GAME, "gfx", "walls.png")).save(os.path.join(gfx, "walls.png"))
                    with open(os.path.join(gfx, picture[0]), "wb") as f:
                        f.write(picture[1])
                args = command.replace("IN", source).replace("OUT", out).replace("TMP", tmp).split()
                if how.get("stdout") == "closed":
                    p = subprocess.run(["sh", "-c", 'exec "$0" "$@" >&-', PYTHON, os.path.join(TOOLS, "arena.py")]
                                       + args, capture_output=False, stderr=subprocess.PIPE, text=True, timeout=60)
                else:
                    p = subprocess.run([PYTHON, os.path.join(TOOLS, "arena.py")] + args, capture_output=True,
                                       text=True, timeout=60, **how)
                self.assertEqual((p.returncode, p.stderr.count("\n")), (1, 1), (command, p.stderr))
                self.assertIn(message, p.stderr.replace(tmp, "TMP"), command)
                self.assertEqual([n for n in os.listdir(tmp) if n.startswith((".out", "out", "a.png"))], [])
        with tempfile.TemporaryDirectory() as tmp:   # a player's name in the menu's 8-bit code page
            fake = os.path.join(tmp, "zoltr")
            with open(fake, "w") as f:
                f.write("#!/bin/sh\ncp settings.ini %s/\n" % tmp)
            os.chmod(fake, 0o755)
            with open(os.path.join(tmp, "settings.ini"), "wb") as f:
                f.write(b"Name1 Kry\xe8tof\nLevel maps/arena1\n")
            game, binary = arena_play.GAME, arena_play.game_binary
            arena_play.GAME, arena_play.game_binary = tmp, lambda: fake
            try:
                self.assertEqual(arena_play.play(arena.parse_text(grid([".S.S", FLOOR])), "a", force=True), 0)
            finally:
                arena_play.GAME, arena_play.game_binary = game, binary
            with open(os.path.join(tmp, "settings.ini"), "rb") as f:
                self.assertEqual(f.read(), b"Name1 Kry\xe8tof\nLevel maps/tested\n")

    def test_comments_and_overrides_round_trip(self):
        commented = grid([".S.S", FLOOR]).replace("\n", "\n# the floor\n#\n", 1)
        self.assertEqual(arena.parse_text(commented).to_bytes(), arena.parse_text(grid([".S.S", FLOOR])).to_bytes())
        walls, items, attrs = [0] * 768, [0] * 768, [0] * 768
        walls[5], items[5] = 3, 7            # a bush drawn behind a metal wall
        items[40], attrs[40] = 25, 12        # a knife spawner that starts with a machete
        attrs[700] = 77                      # a code the game ignores
        data = struct.pack("<2304H", *(walls + items + attrs))
        text = arena.format_text(arena.Arena.from_bytes(data))
        self.assertIn("cell 8 1 wall 0 item 25 attr 12", text)
        self.assertEqual(arena.parse_text(text).to_bytes(), data)
        self.assertIn("spawner at (8, 1) holds melee weapon: it refills only when empty, with knife", messages(text))
        self.assertIn("attribute code 77 at (28, 21) means nothing to the game", messages(text))


class Checks(unittest.TestCase):
    """Small arenas played by the game through the probe."""

    def test_rules_read_off_the_layers(self):
        self.assertEqual(findings(grid([".S....S", FLOOR])), [])
        text = grid([".S?...S", FLOOR]) + "cell 2 0 wall 0 item 0 attr 9\n"
        self.assertEqual(findings(text), [])   # an empty spawner fills itself
        rows = ["S.....S", FLOOR] + ["." * 32] * 4 + ["..L"] + ["." * 32] * 5 + [FLOOR]
        self.assertNotIn("lift", messages(grid(rows)))
        self.assertIn("lift at (2, 6): no wall below", messages(grid(rows[:12])))
        self.assertIn("lift at (2, 0)", messages(grid(["..L", "S.....S", FLOOR])))
        rows[9] = "..4"   # a knife in the lift's way, found by running the game's lift
        self.assertIn("travels through (2, 9), which holds knife", messages(grid(rows)))
        self.assertIn("shows nothing", messages(grid([".S...X..S", FLOOR])))

    def test_reach(self):
        self.assertEqual(findings(grid(["." * 32] * 5 + ["....8", "...###", "", ".S......S", FLOOR])), [])
        far = ["....8", "...###"] + [""] * 6 + [".S......S", FLOOR]
        self.assertIn("health at (4, 0) cannot be reached", messages(grid(far)))
        ladder = ["....8", "...#H#"] + ["....H"] * 6 + [".S..H...S", FLOOR]
        self.assertNotIn("cannot be reached", messages(grid(ladder)))

    def test_deadly_falls_grouped_by_ledge_and_excused_only_by_a_parachute_on_the_way(self):
        # Three spawn points below a tower; from its top two ways down kill.
        tower = ["", "..HS...", "#.H####", "..H", "..H", "..H", "..H", "..H", "..H", "..H", "..H", "..H",
                 "..H", ".SH...S", FLOOR]
        falls = [f for f in findings(grid(tower)) if "deadly fall" in f.message]
        self.assertEqual([f.level for f in falls], ["warning"] * len(falls))
        self.assertTrue(all(re.match(r"deadly falls from the ledge at rows? [0-2](-[0-2])?, columns? \d+(-\d+)? "
                                     r"\(\d landing cells?, up to 2\d\d pixels\)$", f.message) for f in falls), falls)
        self.assertTrue(all(re.match(r"from \(\d+, [0-2]\) to \(\d+, 13\): 2\d\d pixels$", d)
                            for f in falls for d in f.details))
        self.assertGreater(sum(len(f.details) for f in falls), len(falls))
        with tempfile.TemporaryDirectory() as tmp:   # where the ledge is written, every fall with --verbose, a total
            with open(tmp + "/a.txt", "w") as f:
                f.write(grid(tower).replace("\n", "\n# a comment moves the rows down\n", 1))
            status, out, _ = run_tool("check", "--strict", "--verbose", tmp + "/a.txt")
            lines = [line for line in out.replace(tmp + "/", "").splitlines() if ": note: " not in line]
            self.assertEqual(status, 1)
            self.assertTrue(re.match(r"a\.txt:[345]:\d+: warning: deadly falls from the ledge", lines[0]), lines)
            self.assertEqual(len(lines), 1 + len(falls) + sum(len(f.details) for f in falls), lines)
            self.assertEqual(lines[-1], "a.txt: 0 errors, %d warnings, 1 note" % len(falls))
        far = list(tower)
        far[13] = ".SH...S...............p"   # a parachute off the way up
        self.assertEqual({f.level for f in findings(grid(far)) if "falls" in f.message}, {"warning"})
        near = list(tower)
        near[1] = "..HSp.."                    # picked up on the ledge the falls start from
        self.assertEqual({f.level for f in findings(grid(near)) if "falls" in f.message}, {"note"})
        accepted = grid(tower).replace("\n", "\n# accept: deadly falls\n", 1)
        self.assertEqual({f.level for f in findings(accepted) if "falls" in f.message}, {"note"})

    def test_traps_and_death_loops_are_errors_named_once_and_a_fair_arena_has_none(self):
        floor = [""] * 16
        cases = [   # (rows, the one error's start)
            (floor + ["....####", "....#S.#", ".S..####......S", FLOOR], "trap: a fighter that gets to (5, 17) and "
             "(6, 17) can never get out at all; spawn point 0 (5, 17) appears there"),
            ([""] * 10 + [".S......S....S", "#" * 10 + "...." + "#" * 18] + ["#########......#"] * 7 + ["#" * 16],
             "trap: a fighter that gets to row 18, columns 9-14 (6 cells) can never get out at all; spawn point 2 "
             "(13, 10) appears there; spawn points 0 (1, 10), 1 (8, 10) lead there"),
            ([""] * 11 + ["........###"] + ["........#H#"] * 6 + [".S.......H.....S", FLOOR],
             "trap: a fighter that gets to (9, 12) and (9, 18) can never get out at all"),
            ([""] * 11 + ["#" * 12] + [""] * 5 + [".S....L....S", "......S", FLOOR],
             "death loop: spawn point 2 (6, 18) lies in the way of the lift at (6, 17)"),
            (floor + ["......#####", "......#.S.#", "......#...#", ".S....#aaa#....S", FLOOR],
             "death loop: whatever a fighter appearing at spawn point 0 (8, 17) does, it is hurt or killed"),
            (floor + ["......#####", "......#.S.#", "......#...#", ".S....#^^^#....S", FLOOR],
             "death loop: a fighter appearing at spawn point 0 (8, 17) dies at once"),
            (floor + ["..........####", "", ".S.....H........S", ".......H", FLOOR], None),
            ([""] * 8 + [".............#", "", ".S......S..S.L", "#" * 10 + "...." + "#" * 18] +   # a lift out
             ["#########......#"] * 7 + ["#" * 16], None),
        ]
        for rows, error in cases:
            found = [f for f in findings(grid(rows)) if f.level == "error"]
            self.assertEqual([f.message[:len(error)] for f in found] if error else found, [error] if error else [])
    def test_off_centre_fighters_on_a_one_cell_ladder_hole(self):
        narrow = ["", "....8", "#######H####", ".......H", ".......H", ".S.....H...S", FLOOR]
        self.assertIn("the ladder in column 7 takes a fighter past row 2 only from x = 145 to 154",
                      messages(grid(narrow)))
        wide = list(narrow)
        wide[2] = "######.H.###"
        self.assertNotIn("ladder", messages(grid(wide)))


class Pictures(unittest.TestCase):
    def test_render_keys_on_the_top_left_pixel_and_draws_the_findings(self):
        from PIL import Image
        with tempfile.TemporaryDirectory() as tmp:
            gfx = os.path.join(tmp, "gfx")
            os.mkdir(gfx)
            for sheet in ("walls.png", "items.png", "hud.png"):
                img = Image.open(os.path.join(GAME, "gfx", sheet)).convert("RGBA")
                if sheet == "walls.png":   # alpha means nothing to the game
                    img.putalpha(0)
                img.save(os.path.join(gfx, sheet))
            source = os.path.join(tmp, "a.txt")
            with open(source, "w") as f:
                f.write(grid(["....8", "...###"] + [""] * 6 + [".S......S", FLOOR]))
            out = os.path.join(tmp, "a.png")
            self.assertEqual(run_tool("render", "--gfx", gfx, "--check", source, out)[0], 0)
            img = Image.open(out).convert("RGB")
            walls = Image.open(os.path.join(GAME, "gfx", "walls.png")).convert("RGB")
            self.assertEqual(img.size, (640, 480))
            self.assertEqual(img.getpixel((5 * 20 + 10, 20 + 9 * 20 + 10)), walls.getpixel((10, 10)))
            self.assertEqual(img.getpixel((4 * 20 + 1, 20 + 10)), (255, 60, 60))   # the unreachable health


class Play(unittest.TestCase):
    def test_play_runs_the_game_in_a_folder_naming_a_copy_with_one_spawn_point(self):
        with tempfile.TemporaryDirectory() as tmp:
            fake = os.path.join(tmp, "game")
            with open(fake, "w") as f:   # stands in for the game: keeps what it was given
                f.write("#!/bin/sh\ncp settings.ini maps/tested %s/ && ls -L gfx/walls.png maps/win1 seznam.dat\n"
                        % tmp)
            os.chmod(fake, 0o755)
            arena_play.game_binary = lambda: fake
            source = arena.parse_text(grid(["S.S..S", FLOOR]))
            self.assertEqual(arena_play.play(source, "a", spawn=2), 0)
            with open(os.path.join(tmp, "settings.ini")) as f:
                settings = f.read()
            self.assertIn("\nLevel maps/tested\n", settings)
            self.assertEqual(settings.count("Level"), 1)
            with open(os.path.join(tmp, "tested"), "rb") as f:
                played = arena.Arena.from_bytes(f.read())
            self.assertEqual([i for i in range(768) if played.attrs[i] == 2], [5])
            with self.assertRaises(arena.ArenaError):
                arena_play.play(source, "a", spawn=3)

    def test_watch_plays_every_saved_arena_in_the_running_game_and_keeps_the_last_good_one(self):
        from PIL import Image
        game = os.environ.get("ZOLTR_GAME")
        if not game:
            self.skipTest("needs the built game (ZOLTR_GAME)")
        with tempfile.TemporaryDirectory() as tmp:
            source = tmp + "/a.txt"
            errors = open(tmp + "/errors", "w")
            self.addCleanup(errors.close)

            def said():
                with open(tmp + "/errors") as f:
                    return f.read().replace(tmp + "/", "")
            server = subprocess.Popen(["Xvfb", "-displayfd", "1", "-screen", "0", "640x480x24", "-nolisten", "tcp"],
                                      stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
            display = ":" + server.stdout.readline().strip()

            def save(rows):
                with open(source + ".new", "w") as f:   # as editors save: a new file renamed over the old
                    f.write(grid(rows))
                os.replace(source + ".new", source)

            def shows(cell, colour, seconds=30):
                """Waits until the cell's centre in the game's window has the colour (None: any but black)."""
                deadline = time.monotonic() + seconds
                while time.monotonic() < deadline:
                    shot = subprocess.run(["import", "-display", display, "-window", "root", "png:-"],
                                          capture_output=True).stdout
                    if shot:
                        pixel = Image.open(io.BytesIO(shot)).convert("RGB").getpixel((20 * cell[0] + 10,
                                                                                         30 + 20 * cell[1]))
                        if pixel == colour or (colour is None and pixel != (0, 0, 0)):
                            return pixel
                    time.sleep(0.05)
                self.fail("cell %s never showed %s" % (cell, colour))

            save([".S.......S", FLOOR])
            tool = subprocess.Popen([PYTHON, os.path.join(TOOLS, "arena.py"), "play", "--watch", source],
                                    env=dict(os.environ, DISPLAY=display, SDL_AUDIODRIVER="dummy"),
                                    stdout=subprocess.DEVNULL, stderr=errors)
            try:
                wall = shows((20, 1), None)                       # the match is on, without the intro
                save([".S.......S", FLOOR] + [""] * 3 + ["." * 20 + "#"])
                shows((20, 5), wall)
                for rows, error in [([".S..K....S", FLOOR], "error: a.txt:2:5: 'K' is not a legend character"),
                                    (["..........S", FLOOR, "", "." * 20 + "#"], "error: a.txt: 1 spawn point(s)")]:
                    save(rows)   # broken saves: the error, and the last good arena stays
                    deadline = time.monotonic() + 60
                    while error not in said() and time.monotonic() < deadline:
                        time.sleep(0.1)
                    self.assertIn(error, said())
                self.assertEqual(shows((20, 5), wall, 1), wall)
                self.assertIsNone(tool.poll())
            finally:
                tool.terminate()
                tool.wait(10)
                server.terminate()
                server.wait()
                server.stdout.close()
            self.assertEqual(said().count("the last good arena plays on"), 2, said())
            self.assertNotIn("Traceback", said())


class ShippedArenas(unittest.TestCase):
    """Their compiled files in game/ are checked where the media are regenerated (test_media)."""

    def test_strict_check_text_round_trip_and_the_winner_above_the_loser(self):
        names = sorted(n[:-4] for n in os.listdir(ARENAS) if n.endswith(".txt"))
        self.assertIn("win1", names)
        status, out, _ = run_tool("check", "--strict", *[os.path.join(ARENAS, n + ".txt") for n in names])
        self.assertEqual(status, 0, out)
        for name in names:
            with open(os.path.join(ARENAS, name + ".txt")) as f:
                text = "".join(line for line in f if not line.startswith("#"))
            self.assertEqual(arena.format_text(arena.load(os.path.join(GAME, "maps", name))), text, name)
        win = arena.load(os.path.join(ARENAS, "win1.txt"))
        winner, loser = [i for i in range(768) if win.attrs[i] == 2]  # row-major order is the spawn numbering
        self.assertLess(winner // 32, loser // 32)
        self.assertFalse({3, 4} & set(win.attrs))


class Numbers(unittest.TestCase):
    def test_every_number_of_the_guide_is_one_the_game_gives(self):
        with open(os.path.join(REPO, "docs", "designing-arenas.md")) as f:
            section = f.read().split("## The numbers")[1].split("\n## ")[0]
        intro, rest = section.split("| Key |")
        self.assertIn("at %d frames a second" % arena_check.FRAME_RATE, intro)
        self.assertIn(arena_check.numbers_text(markdown=True), rest)
        measured = arena_check.numbers()
        given = {int(n) for row in measured for n in re.findall(r"\d+", "%d %s" % (row[1], row[3]))}
        # Rows of 20 pixels, "5 rows are deadly, 4 are safe", and times in seconds at the rate named.
        allowed = {str(n) for n in given | {n // 20 for n in given} | {n - 1 for n in given}}
        allowed |= {row[2] for row in measured if row[2]}
        prose = rest.split("\n\n", 1)[1]
        self.assertEqual([n for n in re.findall(r"\d+(?:\.\d+)?", prose) if n not in allowed], [])


if __name__ == "__main__":
    unittest.main()
