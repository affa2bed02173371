"""The desktop icon: the red fighter and a lit bomb on a girder, cut from the game's own sheets.

Every size is drawn pixel for pixel at 16, 22, 24 or 32 and enlarged by whole
factors, so the big icons stay as crisp as the game's sprites.
"""
from PIL import Image

from .pixels import KEY, PALETTE, Canvas

# Sizes on the desktop and the drawing each is enlarged from.
SIZES = {16: (16, 1), 22: (22, 1), 24: (24, 1), 32: (32, 1), 48: (24, 2), 64: (32, 2), 128: (32, 4), 256: (32, 8)}

# Where the fighter's and the bomb's 20x20 frames go on each drawing (None: no
# room), and the row the girder's top lies on.
LAYOUT = {16: (None, (-3, -1), 12), 22: ((-5, -1), (5, 2), 18),
          24: ((-5, 0), (6, 3), 19), 32: ((-2, 6), (13, 11), 26)}


def _badge(size, floor_top, girder):
    """A dark, rounded plate with a girder along its foot and an ink rim."""
    c = Canvas(size, size, "b2")
    for y in range(floor_top * 2 // 5, floor_top):
        c.rect(0, y, size, 1, "b1" if y % 2 or y > floor_top * 3 // 5 else "b2")
    for x, y in [(3, 3), (size - 5, size // 6), (size // 2 - 2, 2)]:  # stars
        c.set(x, y, "y2")
    for x in range(0, size, 20):
        c.paste(girder, x, floor_top)
    c.rect(0, floor_top - 1, size, 1, "ink")
    last = size - 1
    for i in range(size):
        for x, y in [(i, 0), (i, last), (0, i), (last, i)]:
            c.set(x, y, "ink")
    for x, y in [(0, 0), (last, 0), (0, last), (last, last)]:
        c.set(x, y, "key")
        c.set(x + (1 if x == 0 else -1), y + (1 if y == 0 else -1), "ink")
    return c


def drawing(size, walls, players, weapons):
    """The icon at its own pixel size (16, 22, 24 or 32)."""
    fighter_at, bomb_at, floor_top = LAYOUT[size]
    c = _badge(size, floor_top, walls.crop(0, 20, 20, 20))  # tile 9: the girder
    inside = Canvas(size, size)
    if fighter_at:
        inside.paste(players.crop(0, 0, 20, 20), *fighter_at)
    inside.paste(weapons.crop(140, 60, 20, 20), *bomb_at)  # frame 31: the lit bomb
    for y in range(1, size - 1):  # kept off the rim
        for x in range(1, size - 1):
            if inside.get(x, y) != KEY:
                c.set(x, y, inside.get(x, y))
    return c


def rgba(canvas):
    """The canvas as an RGBA image whose key colour is fully transparent."""
    img = Image.new("RGBA", (canvas.w, canvas.h))
    img.putdata([PALETTE[p][1] + ((0,) if p == KEY else (255,)) for p in canvas.px])
    return img


def icons(walls, players, weapons):
    """{size: RGBA image} for every desktop size."""
    drawn = {s: drawing(s, walls, players, weapons) for s in LAYOUT}
    return {size: rgba(drawn[base].scaled(factor) if factor > 1 else drawn[base])
            for size, (base, factor) in SIZES.items()}
