#!/usr/bin/python3
"""How soon `tools/arena.py play --watch` shows a saved arena: the time from
the save (a new file renamed over the old, as editors do) to the first
screenshot of the game's window that shows the change, on a private Xvfb.
The screenshots take time of their own, so the figures are upper bounds.

  bench/watch_reload.py [SAVES]     (needs the built game: ./play once)
"""
import io
import os
import statistics
import subprocess
import sys
import tempfile
import time

from PIL import Image

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
FLOOR = "#" * 32


def grid(rows):
    rows = [r.ljust(32, ".") for r in rows] + ["." * 32] * (24 - len(rows))
    return "zoltr-arena 1\n" + "\n".join(rows) + "\n"


def main(saves):
    server = subprocess.Popen(["Xvfb", "-displayfd", "1", "-screen", "0", "640x480x24", "-nolisten", "tcp"],
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    display = ":" + server.stdout.readline().strip()
    with tempfile.TemporaryDirectory() as tmp:
        source = os.path.join(tmp, "a.txt")

        def save(block):
            with open(source + ".new", "w") as f:
                f.write(grid([".S.......S", FLOOR] + [""] * 3 + (["." * 20 + "#"] if block else [])))
            os.replace(source + ".new", source)

        def pixel():
            shot = subprocess.run(["import", "-display", display, "-window", "root", "png:-"],
                                  capture_output=True).stdout
            return Image.open(io.BytesIO(shot)).convert("RGB").getpixel((410, 130)) if shot else None

        save(False)
        tool = subprocess.Popen([sys.executable, os.path.join(REPO, "tools", "arena.py"), "play", "--watch", source],
                                env=dict(os.environ, DISPLAY=display, SDL_AUDIODRIVER="dummy"),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            while pixel() is None:
                time.sleep(0.2)
            time.sleep(2)
            times = []
            for n in range(saves):
                block = n % 2 == 0
                save(block)
                saved = time.monotonic()
                while (pixel() != (0, 0, 0)) != block:
                    pass
                times.append(time.monotonic() - saved)
                time.sleep(2)   # the check of the save runs meanwhile
        finally:
            tool.terminate()
            tool.wait()
            server.terminate()
            server.wait()
    print("save to screen, %d saves: median %.2f s, longest %.2f s (load average %s)"
          % (saves, statistics.median(times), max(times), " ".join(open("/proc/loadavg").read().split()[:3])))


if __name__ == "__main__":
    main(int(sys.argv[1]) if len(sys.argv) > 1 else 10)
