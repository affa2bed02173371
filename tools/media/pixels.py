"""The shared palette and a tiny indexed canvas that every sheet is painted on.

All sheets use one palette, so the game has one look; index 0 is the colour
key (magenta) and stands at the top-left pixel of every keyed sheet.
"""
import random

from PIL import Image

PALETTE = [
    ("key", (255, 0, 255)),
    ("ink", (16, 12, 24)),
    ("g1", (44, 44, 56)), ("g2", (74, 76, 90)), ("g3", (110, 114, 128)),
    ("g4", (150, 154, 166)), ("g5", (194, 198, 206)), ("g6", (236, 238, 242)),
    ("white", (255, 255, 255)),
    ("n1", (56, 34, 22)), ("n2", (92, 58, 34)), ("n3", (134, 88, 50)),
    ("n4", (180, 128, 76)), ("n5", (222, 176, 120)),
    ("r1", (86, 18, 26)), ("r2", (150, 30, 36)), ("r3", (210, 56, 48)), ("r4", (250, 110, 80)),
    ("o1", (200, 96, 20)), ("o2", (246, 150, 32)),
    ("y1", (250, 206, 60)), ("y2", (255, 240, 150)),
    ("e1", (22, 56, 34)), ("e2", (36, 104, 52)), ("e3", (72, 160, 60)), ("e4", (144, 214, 92)),
    ("a1", (110, 200, 20)), ("a2", (196, 250, 80)),
    ("b1", (22, 30, 74)), ("b2", (36, 64, 140)), ("b3", (62, 112, 210)), ("b4", (124, 170, 250)),
    ("c1", (24, 96, 112)), ("c2", (60, 176, 190)), ("c3", (170, 240, 240)),
    ("p1", (52, 26, 80)), ("p2", (100, 52, 150)), ("p3", (164, 108, 220)), ("p4", (214, 176, 250)),
    ("s1", (236, 184, 140)), ("s2", (180, 120, 88)),
    ("black", (0, 0, 0)),
]
INDEX = {name: i for i, (name, _) in enumerate(PALETTE)}
KEY = 0


def colour(name):
    return INDEX[name]


class Canvas:
    """A w x h grid of palette indices, starting all transparent (the key)."""

    def __init__(self, w, h, fill="key"):
        self.w, self.h = w, h
        self.px = [colour(fill)] * (w * h)

    def set(self, x, y, name):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y * self.w + x] = colour(name) if isinstance(name, str) else name

    def get(self, x, y):
        return self.px[y * self.w + x]

    def rect(self, x, y, w, h, name):
        for yy in range(y, y + h):
            for xx in range(x, x + w):
                self.set(xx, yy, name)

    def disc(self, cx, cy, r, name):
        for yy in range(int(cy - r) - 1, int(cy + r) + 2):
            for xx in range(int(cx - r) - 1, int(cx + r) + 2):
                if (xx + 0.5 - cx) ** 2 + (yy + 0.5 - cy) ** 2 <= r * r:
                    self.set(xx, yy, name)

    def line(self, x0, y0, x1, y1, name):
        steps = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(steps + 1):
            self.set(round(x0 + (x1 - x0) * i / steps), round(y0 + (y1 - y0) * i / steps), name)

    def art(self, x, y, rows, legend, mirror=False):
        """Paints ASCII art: each character names a colour through legend; '.' is left alone."""
        width = max(len(r) for r in rows)
        for dy, row in enumerate(rows):
            for dx, ch in enumerate(row):
                if ch == "." or ch == " ":
                    continue
                tx = x + (width - 1 - dx if mirror else dx)
                self.set(tx, y + dy, legend[ch])

    def paste(self, other, x, y, mirror=False):
        """Copies another canvas, skipping its transparent pixels."""
        for yy in range(other.h):
            for xx in range(other.w):
                c = other.px[yy * other.w + xx]
                if c != KEY:
                    self.set(x + (other.w - 1 - xx if mirror else xx), y + yy, c)

    def crop(self, x, y, w, h):
        out = Canvas(w, h)
        for yy in range(h):
            for xx in range(w):
                if 0 <= x + xx < self.w and 0 <= y + yy < self.h:
                    out.px[yy * w + xx] = self.px[(y + yy) * self.w + x + xx]
        return out

    def scaled(self, factor):
        out = Canvas(self.w * factor, self.h * factor)
        for yy in range(out.h):
            src = (yy // factor) * self.w
            for xx in range(out.w):
                out.px[yy * out.w + xx] = self.px[src + xx // factor]
        return out

    def recolour(self, mapping):
        out = Canvas(self.w, self.h)
        out.px = [colour(mapping[PALETTE[c][0]]) if PALETTE[c][0] in mapping else c for c in self.px]
        return out

    def image(self):
        img = Image.frombytes("P", (self.w, self.h), bytes(self.px))
        flat = []
        for _, rgb in PALETTE:
            flat.extend(rgb)
        img.putpalette(flat)
        return img

    def save_png(self, path):
        self.image().save(path, format="PNG", optimize=False)


def rng(seed):
    """A private random generator, so every picture comes out the same every time."""
    return random.Random(seed)
