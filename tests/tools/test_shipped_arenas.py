"""The shipped arenas: exact round trips, the compiled files in game/, and a clean strict check."""
import os
import tempfile
import unittest

from helpers import ARENAS, GAME, run_tool  # also puts tools/ on the path

import arena  # noqa: E402


class ShippedArenas(unittest.TestCase):
    def test_compile_round_trip_and_strict_check(self):
        names = sorted(n[:-4] for n in os.listdir(ARENAS) if n.endswith(".txt"))
        self.assertIn("win1", names)
        with tempfile.TemporaryDirectory() as tmp:
            for name in names:
                source, binary, back = (os.path.join(ARENAS, name + ".txt"), os.path.join(tmp, name),
                                        os.path.join(tmp, name + ".txt"))
                self.assertEqual(run_tool("compile", "--force", source, binary)[0], 0)  # checked below
                with open(binary, "rb") as a, open(os.path.join(GAME, "maps", name), "rb") as b:
                    self.assertEqual(a.read(), b.read(), name)
                self.assertEqual(run_tool("text", binary, back)[0], 0)
                with open(source) as a, open(back) as b:
                    self.assertEqual(a.read(), b.read(), name)
        status, out, _ = run_tool("check", "--strict", *[os.path.join(ARENAS, n + ".txt") for n in names])
        self.assertEqual(status, 0, out)

    def test_victory_arena_puts_the_winner_above_the_loser(self):
        a = arena.load(os.path.join(ARENAS, "win1.txt"))
        winner, loser = [i for i in range(768) if a.attrs[i] == 2]  # row-major order is the spawn numbering
        self.assertLess(winner // 32, loser // 32)
        self.assertFalse({3, 4} & set(a.attrs))


if __name__ == "__main__":
    unittest.main()
