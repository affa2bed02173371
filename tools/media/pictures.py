"""The HUD strip, the health bar and the three intro pictures.

Big lettering reuses the game font's glyph grid at larger scales, so the
intro speaks in the same pixel voice as the HUD.
"""
from . import font
from .pixels import Canvas, rng


def lettering(c, x, y, text, scale, ramp, outline="ink", shadow="p1"):
    """Writes text with the font grid at `scale`, shaded top to bottom through `ramp`."""
    pen = x
    cells = []
    for ch in text.encode("cp1250"):
        if ch != 32:
            cells.append((pen, font.glyph_pixels(ch, scale)))
        pen += 6 * scale
    for dx, dy, name in [(2, 2, shadow)] + [(ox, oy, outline) for ox in (-1, 0, 1) for oy in (-1, 0, 1)]:
        for px, on in cells:
            for gx, gy in on:
                c.set(px + gx + dx, y + gy + dy, name)
    for px, on in cells:
        for gx, gy in on:
            band = min(len(ramp) - 1, gy * len(ramp) // (7 * scale))
            c.set(px + gx, y + gy, ramp[band])
    return pen - x - scale


def text_width(text, scale):
    return len(text.encode("cp1250")) * 6 * scale - scale


def centred(c, y, text, scale, ramp, **kw):
    lettering(c, (c.w - text_width(text, scale)) // 2, y, text, scale, ramp, **kw)


def hud_strip():
    """640x20, opaque: a dark steel bar; the two fighters' blocks are drawn over it."""
    c = Canvas(640, 20, "g1")
    c.rect(0, 0, 640, 1, "g3")
    c.rect(0, 1, 640, 1, "g2")
    c.rect(0, 18, 640, 1, "ink")
    c.rect(0, 19, 640, 1, "black")
    for x in range(0, 640, 4):
        c.set(x + 2, 9, "ink")
    for bx in (20, 400):
        c.rect(bx - 6, 2, 1, 16, "g2")
        c.rect(bx + 20, 2, 1, 16, "g2")
    for x in (6, 364, 392, 632):  # rivets
        c.rect(x, 8, 3, 3, "g3")
        c.set(x, 8, "g5")
    return c


def health_bar():
    """80x20, keyed: the bar fills rows 3-16 and runs from red (empty end) to green (full end)."""
    c = Canvas(80, 20)
    ramp = ["r2", "r3", "o2", "y1", "e4", "e3"]
    for x in range(80):
        name = ramp[min(len(ramp) - 1, x * len(ramp) // 80)]
        c.rect(x, 4, 1, 12, name)
        c.set(x, 4, "y2" if x % 2 == 0 else name)
        c.set(x, 5, "white" if x % 2 == 0 else "y2")
        c.set(x, 15, "ink")
        if x % 8 == 7:
            c.rect(x, 6, 1, 9, "ink")
    return c


def studio_banner():
    """Slides down from the top: who presents the game."""
    c = Canvas(440, 150, "black")
    r = rng(200)
    for _ in range(90):
        c.set(r.randrange(440), r.randrange(150), r.choice(["g2", "g3", "b3", "white"]))
    centred(c, 20, "ZOLTR", 9, ["y2", "y1", "o2", "o1", "r3"])
    centred(c, 110, "C R E W", 3, ["c3", "c2", "b3"])
    return c


def intro_scene(items, walls, players, weapons, explosion):
    """Slides in from the left: two fighters at war in a small arena, drawn twice as large."""
    small = Canvas(210, 130, "black")
    for x in range(0, 210, 20):
        small.paste(walls.crop(80, 0, 20, 20), x, 110)       # grass floor
    for x in (0, 190):
        for y in range(0, 110, 20):
            small.paste(walls.crop(20, 0, 20, 20), x, y)     # brick sides
    for x in range(60, 150, 20):
        small.paste(walls.crop(0, 0, 20, 20), x, 50)          # stone ledge
    small.paste(items.crop(60, 0, 20, 20), 20, 10)            # window
    small.paste(items.crop(40, 20, 20, 20), 40, 30)           # torch
    small.paste(items.crop(40, 20, 20, 20), 150, 30)
    small.paste(items.crop(80, 0, 20, 20), 170, 90)           # ladder
    small.paste(items.crop(20, 60, 20, 20), 100, 30)          # bomb pickup on the ledge
    small.paste(items.crop(140, 60, 20, 20), 75, 30)          # health on the ledge
    small.paste(explosion.crop(80, 0, 80, 80), 90, 50)        # a blast in the middle
    small.paste(players.crop(0, 0, 20, 20), 40, 90)           # red fighter, right
    small.paste(weapons.crop(0, 0, 20, 20), 40, 90)
    small.paste(weapons.crop(20, 40, 20, 20), 150, 90)        # blue fighter, left, jetpack, knife
    small.paste(players.crop(60, 40, 20, 20), 150, 90)
    small.paste(weapons.crop(0, 60, 20, 20), 115, 80)         # a grenade in flight
    big = small.scaled(2)
    c = Canvas(428, 268, "g3")
    c.rect(1, 1, 426, 266, "ink")
    c.paste(big, 4, 4)
    return c


def title():
    """Two halves, Czech above and English below; the intro shows one of them."""
    c = Canvas(560, 312, "black")
    for half, (tagline, prompt) in enumerate([
        ("zoltr v\xe1s zbav\xed nudy", "stiskni kl\xe1vesu"),
        ("zoltr cures your boredom", "press any key"),
    ]):
        top = half * 156
        centred(c, top + 4, "ZOLTR", 8, ["white", "y2", "y1", "o2", "o1", "r3"])
        centred(c, top + 70, "DEATHMATCH", 3, ["r4", "r3", "r2"])
        centred(c, top + 104, tagline, 2, ["c3", "c2"])
        centred(c, top + 132, prompt, 2, ["g5", "g4"], shadow="black")
    return c
