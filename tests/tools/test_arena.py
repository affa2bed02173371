"""The arena tool: compiling, reading back, rejecting bad input, and the checks designers rely on."""
import os
import struct
import tempfile
import unittest

from helpers import ARENAS, GAME, grid, run_tool  # also puts tools/ on the path

import arena  # noqa: E402

FLOOR = "#" * 32


def levels(text):
    return [level for level, _ in arena.validate(arena.parse_text(text))]


def messages(text):
    return " | ".join(m for _, m in arena.validate(arena.parse_text(text)))


class ShippedArenas(unittest.TestCase):
    def test_compile_round_trip_and_strict_check(self):
        names = sorted(n[:-4] for n in os.listdir(ARENAS) if n.endswith(".txt"))
        self.assertIn("win1", names)
        self.assertGreaterEqual(len(names), 4)
        with tempfile.TemporaryDirectory() as tmp:
            for name in names:
                source = os.path.join(ARENAS, name + ".txt")
                binary = os.path.join(tmp, name)
                back = os.path.join(tmp, name + ".txt")
                self.assertEqual(run_tool("compile", source, binary)[0], 0)
                with open(binary, "rb") as a, open(os.path.join(GAME, "maps", name), "rb") as b:
                    self.assertEqual(a.read(), b.read(), name)
                self.assertEqual(os.path.getsize(binary), 4608)
                self.assertEqual(run_tool("text", binary, back)[0], 0)
                with open(source) as a, open(back) as b:
                    self.assertEqual(a.read(), b.read(), name)
                status, out, _ = run_tool("check", "--strict", source)
                self.assertEqual(status, 0, out)

    def test_one_arena_uses_every_feature(self):
        a = arena.load(os.path.join(ARENAS, "arena1.txt"))
        self.assertTrue({5, 9, 33, 25, 26, 27, 28, 29, 30, 31, 32} <= set(a.items))
        self.assertTrue({2, 3, 4} | set(range(9, 17)) <= set(a.attrs))
        self.assertTrue(any(a.walls[23 * 32 + c] == 0 for c in range(32)), "a gap in the floor")

    def test_victory_arena_puts_the_winner_above_the_loser(self):
        a = arena.load(os.path.join(ARENAS, "win1.txt"))
        spawns = [i for i in range(768) if a.attrs[i] == 2]
        self.assertEqual(len(spawns), 2)
        winner, loser = spawns  # row-major order is the spawn numbering
        self.assertLess(winner // 32, loser // 32)
        for i in spawns:  # both stand on a floor, nothing hurts
            self.assertNotEqual(a.walls[i + 32], 0)
        self.assertFalse({3, 4} & set(a.attrs))


class BadInput(unittest.TestCase):
    def assertRejected(self, content, expected, command="compile"):
        with tempfile.TemporaryDirectory() as tmp:
            path = os.path.join(tmp, "in")
            with open(path, "wb") as f:
                f.write(content if isinstance(content, bytes) else content.encode())
            status, _, err = run_tool(command, path, os.path.join(tmp, "out"))
            self.assertEqual(status, 1, err)
            self.assertIn(expected, err)
            self.assertFalse(os.path.exists(os.path.join(tmp, "out")))

    def test_rejected_with_a_clear_message(self):
        self.assertRejected(b"\0" * 4607, "wrong size: 4607 bytes", "text")
        self.assertRejected(b"\0" * 4610, "wrong size: 4610 bytes", "text")
        self.assertRejected(grid(["..Q.", "..K."]), "unknown legend character 'K' in column 2")
        self.assertRejected(grid(["."] * 5).replace("." * 32 + "\n", "." * 31 + "\n", 1), "ragged row: 31 characters")
        self.assertRejected("\n".join(grid([]).split("\n")[:20]), "wrong size: 19 grid rows")
        self.assertRejected(grid([]).replace("zoltr-arena 1", "arena"), "the first line must be")
        self.assertRejected(grid(["..?"]), "cell 2 0 is marked '?' but has no 'cell' line")
        self.assertRejected(grid([]) + "cell 2 0 wall 1 item 0 attr 0\n", "cell 2 0 is not marked '?'")
        self.assertRejected(grid(["..?"]) + "cell 2 0 wall 1 item 0\n", "expected 'cell COLUMN ROW")
        self.assertEqual(run_tool("bogus")[0], 1)


class Overrides(unittest.TestCase):
    def test_unusual_cells_round_trip_through_the_override_list(self):
        walls, items, attrs = [0] * 768, [0] * 768, [0] * 768
        walls[5], items[5] = 3, 7            # a bush drawn behind a metal wall
        items[40], attrs[40] = 25, 12        # a knife spawner that starts with a machete
        attrs[700] = 77                      # a code the game ignores
        data = struct.pack("<2304H", *(walls + items + attrs))
        text = arena.format_text(arena.Arena.from_bytes(data))
        rows = text.split("\n")
        self.assertEqual(rows[1][5], "?")
        self.assertIn("cell 5 0 wall 3 item 7 attr 0", text)
        self.assertIn("cell 8 1 wall 0 item 25 attr 12", text)
        self.assertIn("cell 28 21 wall 0 item 0 attr 77", text)
        self.assertEqual(arena.parse_text(text).to_bytes(), data)


class Checks(unittest.TestCase):
    def test_spawn_points_and_spawners(self):
        self.assertIn("error", levels(grid(["S" + "." * 30] + [FLOOR])))
        self.assertEqual(levels(grid([".S....S", FLOOR])), [])
        text = grid([".S....S", FLOOR]).replace(".S....S", ".S?...S", 1) + "cell 2 0 wall 0 item 26 attr 9\n"
        self.assertIn("spawner at (2, 0) holds item 26", messages(text))
        text = grid([".S....S", FLOOR]).replace(".S....S", ".S?...S", 1) + "cell 2 0 wall 0 item 0 attr 9\n"
        self.assertEqual(levels(text), [])   # an empty spawner fills itself

    def test_lift_columns_must_be_closed(self):
        rows = ["S.....S", "#######"] + ["." * 32] * 4 + ["..L"] + ["." * 32] * 5 + [FLOOR]
        rows[1] = "##.####"
        self.assertIn("lift at (2, 6): no wall above", messages(grid(rows)))
        rows[1] = FLOOR
        self.assertNotIn("lift", messages(grid(rows)))
        self.assertIn("no wall below", messages(grid(rows[:12])))
        top = ["..L", "S.....S", FLOOR]  # a lift marked in the top row leaves the arena
        self.assertIn("lift at (2, 0)", messages(grid(top)))
        rows[9] = "..4"   # a knife in the lift's way
        self.assertIn("travels through (2, 9)", messages(grid(rows)))

    def test_reach_and_falls(self):
        base = ["." * 32] * 8 + [".S......S", FLOOR]
        self.assertEqual(levels(grid(base)), [])
        # a health pickup 3 rows up on a ledge is a jump away; 7 rows up it is out of reach
        near = grid(["." * 32] * 5 + ["....8", "...###"] + ["." * 32] * 1 + [".S......S", FLOOR])
        self.assertEqual(levels(near), [])
        far = ["....8", "...###"] + ["." * 32] * 6 + [".S......S", FLOOR]
        self.assertIn("health at (4, 0) cannot be reached", messages(grid(far)))
        # a ladder makes it reachable
        ladder = ["....8", "...#H#"] + ["....H"] * 6 + [".S..H...S", FLOOR]
        self.assertEqual(levels(grid(ladder)), [])
        # a long drop from the ladder's top is deadly, and only a parachute excuses it
        tower = (["....8", "...#H#"] + ["....H"] * 6 + [".S..H...S", "####H#####"] + ["....H"] * 10
                 + ["....H", FLOOR])
        self.assertIn("warning", levels(grid(tower)))
        self.assertIn("fall to death", messages(grid(tower)))
        parachute = list(tower)
        parachute[8] = ".S..H.p.S"   # ladders only go up: the parachute must be found up here
        self.assertEqual(levels(grid(parachute)), ["note"])

    def test_other_traps(self):
        self.assertIn("shows nothing", messages(grid([".S...X..S", FLOOR])))
        walled = ["......#", "......#", "......#", "......#", "......#", "......#", "......#", ".S....#.S", FLOOR]
        self.assertIn("can never meet", messages(grid(walled)))


class Render(unittest.TestCase):
    def test_render_draws_walls_from_the_shipped_sheet(self):
        from PIL import Image
        with tempfile.TemporaryDirectory() as tmp:
            out = os.path.join(tmp, "a.png")
            self.assertEqual(run_tool("render", os.path.join(ARENAS, "arena1.txt"), out, "--plain")[0], 0)
            img = Image.open(out).convert("RGB")
            self.assertEqual(img.size, (640, 480))
            walls = Image.open(os.path.join(GAME, "gfx", "walls.png")).convert("RGB")
            a = arena.load(os.path.join(ARENAS, "arena1.txt"))
            code = a.walls[21 * 32 + 5]   # a floor cell
            tile = code - 1
            self.assertEqual(img.getpixel((5 * 20 + 10, 20 + 21 * 20 + 10)),
                             walls.getpixel(((tile % 8) * 20 + 10, (tile // 8) * 20 + 10)))


if __name__ == "__main__":
    unittest.main()
