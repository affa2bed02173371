"""Paths and small helpers shared by the tool tests."""
import os
import subprocess
import sys

REPO = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
TOOLS = os.path.join(REPO, "tools")
GAME = os.path.join(REPO, "game")
ARENAS = os.path.join(REPO, "arenas")
PYTHON = "/usr/bin/python3"
sys.path.insert(0, TOOLS)


def run_tool(*args):
    """Runs tools/arena.py; returns (exit status, stdout, stderr)."""
    p = subprocess.run([PYTHON, os.path.join(TOOLS, "arena.py")] + list(args), capture_output=True, text=True)
    return p.returncode, p.stdout, p.stderr


def grid(rows, fill="."):
    """A text arena from up to 24 rows, padded with `fill` rows and columns."""
    rows = [r.ljust(32, fill) for r in rows] + [fill * 32] * (24 - len(rows))
    return "zoltr-arena 1\n" + "\n".join(rows) + "\n"
