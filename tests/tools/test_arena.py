"""The arena tool as a designer uses it: the commands on real files, their exit
statuses and messages, and what the check finds by playing arenas in the game."""
import os
import re
import struct
import subprocess
import sys
import tempfile
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
    return " | ".join(m for _, m in findings(text))


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
    (grid(["S", FLOOR]), "compile IN OUT", 1, "1 spawn point(s)"),
    (grid(["S.S", "##.#"] + ["."] * 4 + ["..L", FLOOR]), "compile IN OUT", 1, "lift at (2, 6): no wall above it"),
    (grid(["S", FLOOR]), "compile --force IN OUT", 0, ""),
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
        walled = ["......#"] * 7 + [".S....#.S", FLOOR]
        self.assertIn("can never meet", messages(grid(walled)))

    def test_reach(self):
        self.assertEqual(findings(grid(["." * 32] * 5 + ["....8", "...###", "", ".S......S", FLOOR])), [])
        far = ["....8", "...###"] + [""] * 6 + [".S......S", FLOOR]
        self.assertIn("health at (4, 0) cannot be reached", messages(grid(far)))
        ladder = ["....8", "...#H#"] + ["....H"] * 6 + [".S..H...S", FLOOR]
        self.assertNotIn("cannot be reached", messages(grid(ladder)))

    def test_each_deadly_fall_once_and_only_a_parachute_in_reach_excuses_it(self):
        # Three spawn points below a tower; from its top two ways down kill.
        tower = ["", "..HS...", "#.H####", "..H", "..H", "..H", "..H", "..H", "..H", "..H", "..H", "..H",
                 "..H", ".SH...S", FLOOR]
        falls = [m for level, m in findings(grid(tower)) if "deadly fall" in m]
        self.assertTrue(falls)
        self.assertEqual(len(falls), len(set(falls)))
        self.assertTrue(all(re.match(r"deadly fall of 2\d\d pixels from \(\d+, [0-2]\) to \(\d+, 13\)$", m)
                            for m in falls), falls)
        carried = list(tower)
        carried[13] = ".SH.p.S"   # taken on the floor and carried up the ladder
        self.assertEqual([lv for lv, m in findings(grid(carried)) if "fall" in m], ["note"])
        pit = "#" * 20 + "...." + "#" * 8   # too deep to jump out of, too shallow to kill
        in_pit = tower[:14] + [pit] * 6 + [pit.replace("....", ".p..")] + [FLOOR]
        self.assertTrue([m for lv, m in findings(grid(in_pit)) if lv == "warning" and m.startswith("deadly fall")])

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


class ShippedArenas(unittest.TestCase):
    """Their compiled files in game/ are checked where the media are regenerated (test_media)."""

    def test_strict_check_text_round_trip_and_the_winner_above_the_loser(self):
        names = sorted(n[:-4] for n in os.listdir(ARENAS) if n.endswith(".txt"))
        self.assertIn("win1", names)
        status, out, _ = run_tool("check", "--strict", *[os.path.join(ARENAS, n + ".txt") for n in names])
        self.assertEqual(status, 0, out)
        for name in names:
            with open(os.path.join(ARENAS, name + ".txt")) as f:
                text = f.read()
            self.assertEqual(arena.format_text(arena.load(os.path.join(GAME, "maps", name))), text, name)
        win = arena.load(os.path.join(ARENAS, "win1.txt"))
        winner, loser = [i for i in range(768) if win.attrs[i] == 2]  # row-major order is the spawn numbering
        self.assertLess(winner // 32, loser // 32)
        self.assertFalse({3, 4} & set(win.attrs))


class Numbers(unittest.TestCase):
    def test_the_guide_quotes_the_numbers_the_game_gives(self):
        measured = dict(line.split()[:2] for line in arena_check.numbers().splitlines())
        with open(os.path.join(REPO, "docs", "designing-arenas.md")) as f:
            quoted = dict(re.findall(r"^\| `([a-z.]+)` \| (\d+) \|", f.read(), re.M))
        self.assertEqual(quoted, measured)


if __name__ == "__main__":
    unittest.main()
