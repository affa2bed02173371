"""The player sheet: six skins of 16 frames, and the weapon sheet.

Frames are 20x20 and face right; the left-facing frames are mirror images.
A fighter's centre is the frame's centre and its boots stand on the bottom row.
"""
from .pixels import Canvas

# Skin ramps: dark, mid, light, highlight.
SKINS = [
    ("r1", "r2", "r3", "r4"),   # red
    ("b1", "b2", "b3", "b4"),   # blue
    ("e1", "e2", "e3", "e4"),   # green
    ("o1", "o2", "y1", "y2"),   # yellow
    ("p1", "p2", "p3", "p4"),   # purple
    ("g2", "g3", "g5", "g6"),   # white
]

BODY = [
    "....................",
    "....................",
    "........oooo........",
    "......oo4433oo......",
    ".....o43333322o.....",
    ".....o3332oooooo....",
    ".....o332ovVVVVo....",
    ".....o222ovvvvvo....",
    ".....o1222oooooo....",
    "......oo11111oo.....",
    "......okkkkkkko.....",
    ".....o23334322o.....",
    ".....o2333432oso....",
    ".....o1233432oso....",
    "......o1222211o.....",
    "......okkkKkkko.....",
    "......o11o.o11o.....",
    "......o22o.o22o.....",
    ".....okkko.okkko....",
    ".....oKkkko.oKkko...",
]

JETPACK = [
    "...oooo.",
    "..oJJjo.",
    "..oJjjo.",
    "..oJjjo.",
    "..oJjgo.",
    "..oJjgo.",
    "..ojjgo.",
    "...okko.",
]

THRUST = [
    "..yYy...",
    "..YOY...",
    "...O....",
    "...y....",
]

PACK = [
    "..ooooo.",
    ".oNNnno.",
    ".oNnnno.",
    ".oNnnno.",
    ".onnnmo.",
    "..ooooo.",
]

# Body parts thrown out at death: torso, arm, boot, and the helmet last.
PARTS = {
    8: [
        "....................",
        "....................",
        "....................",
        "....................",
        "....................",
        "......rr............",
        ".....okkkkkko.......",
        ".....o2333432o......",
        "....ro2333432or.....",
        ".....o1233432o......",
        "......o122221o......",
        ".......orrro........",
        "........r...........",
    ],
    9: [
        "....................",
        "....................",
        "....................",
        "....................",
        "....................",
        "....................",
        "........oo..........",
        ".......o23o.........",
        ".......o23o.........",
        "........o23o........",
        "........o23o.r......",
        ".........oso........",
        "..........o.........",
    ],
    10: [
        "....................",
        "....................",
        "....................",
        "....................",
        "....................",
        "....................",
        "........r...........",
        ".......orro.........",
        ".......o22o.........",
        ".......o22o.........",
        "......okkko.........",
        "......oKkkko........",
        ".......oooo.........",
    ],
    11: [
        "....................",
        "....................",
        "....................",
        "....................",
        "........oooo........",
        "......oo4433oo......",
        ".....o43333322o.....",
        ".....o3332oooooo....",
        ".....o332ovVVVVo....",
        ".....o222ovvvvvo....",
        ".....o1222oooooo....",
        "......oorrrrroo.....",
        ".......r..r..r......",
    ],
}


def _legend(skin):
    dark, mid, light, high = skin
    return {
        "o": "ink", "1": dark, "2": mid, "3": light, "4": high,
        "v": "c2", "V": "c3", "k": "g1", "K": "g3", "s": "s1",
        "J": "g5", "j": "g4", "g": "g3", "y": "y1", "Y": "y2", "O": "white",
        "N": "n5", "n": "n4", "m": "n3", "r": "r2",
    }


def _body(skin, extra=None, extra_at=(0, 0), flame=False):
    c = Canvas(20, 20)
    leg = _legend(skin)
    if extra:
        c.art(extra_at[0], extra_at[1], extra, leg)
    c.art(0, 0, BODY, leg)
    if flame:
        c.art(extra_at[0], extra_at[1] + len(extra), THRUST, leg)
    return c


def player_sheet():
    """160 wide: 16 frames per skin, 8 per row."""
    sheet = Canvas(160, 20 * 2 * len(SKINS))
    for s, skin in enumerate(SKINS):
        frames = [
            _body(skin),
            _body(skin, JETPACK, (0, 9)),
            _body(skin, JETPACK, (0, 9), flame=True),
            _body(skin, PACK, (1, 10)),
        ]
        base = s * 16
        for pose, frame in enumerate(frames):
            for facing in (0, 1):
                n = base + pose * 2 + facing
                sheet.paste(frame, (n % 8) * 20, (n // 8) * 20, mirror=facing == 1)
        for n, rows in PARTS.items():
            part = Canvas(20, 20)
            part.art(0, 0, rows, _legend(skin))
            f = base + n
            sheet.paste(part, (f % 8) * 20, (f // 8) * 20)
    return sheet


# --- weapon sheet ---

W = {"o": "ink", "s": "g5", "S": "white", "h": "n3", "H": "n4", "g": "e3", "G": "e4",
     "d": "e1", "b": "g1", "B": "g3", "f": "y1", "F": "y2", "O": "o2", "r": "r3",
     "w": "g6", "y": "y2", "k": "n2", "c": "b3", "C": "b4"}

MELEE = [  # a broad machete held up, hand at (13, 12)
    "....................",
    "....................",
    "....................",
    "................oo..",
    "...............oSo..",
    "..............oSso..",
    ".............oSso...",
    "............oSso....",
    "...........oSso.....",
    "...........osso.....",
    "..........ooso......",
    "..........ohoo......",
    ".........ohHo.......",
    "........ohho........",
    "........ooo.........",
]

MELEE_SWING = [  # the blade swung level, with a streak behind it
    "....................",
    "....................",
    "....................",
    "....................",
    "....................",
    "..........w.........",
    "............w.......",
    "..............w.....",
    "..........oooooooo..",
    "......oooohSSSSSSSo.",
    "......ohHhhsssssso..",
    "......oooooooooo....",
    "....................",
]

GRENADE_HELD = [
    "....................",
    "....................",
    "....................",
    "....................",
    "....................",
    "....................",
    "....................",
    "...............bb...",
    "..............obBo..",
    ".............oGgggo.",
    ".............oGgdgo.",
    ".............ogdgdo.",
    ".............oggddo.",
    "..............oddo..",
    "...............oo...",
]

THROW = [  # an arm thrown forward with a swish
    "....................",
    "....................",
    "..............www...",
    "................ww..",
    ".................w..",
    ".................w..",
    "................w...",
    "....................",
    "...............oo...",
    "..............osso..",
    "..............osso..",
    "...............oo...",
]

BOMB_HELD = [
    "....................",
    "....................",
    "....................",
    "....................",
    "....................",
    "...............F....",
    "..............fk....",
    "..............k.....",
    "............oobBoo..",
    "...........obBBbbbo.",
    "...........oBbbbbbo.",
    "...........obbbbbbo.",
    "...........obbbbbbo.",
    "............obbbbo..",
    ".............oooo...",
]

DROP = [  # the bomb let go: motion marks below the hand
    "....................",
    "....................",
    "....................",
    "....................",
    "....................",
    "....................",
    "....................",
    "....................",
    "....................",
    "..............oo....",
    ".............osso...",
    ".............osso...",
    "..............oo....",
    "............w...w...",
    "............w...w...",
    ".............w.w....",
]

KNIFE_HELD = [
    "....................",
    "....................",
    "....................",
    "....................",
    "....................",
    "....................",
    "....................",
    "....................",
    "....................",
    "..............oo....",
    ".............oSo....",
    "............oSso....",
    "...........oSso.....",
    "..........ohoo......",
    ".........oHho.......",
    ".........ooo........",
]

KNIFE_STAB = [
    "....................",
    "....................",
    "....................",
    "....................",
    "....................",
    "....................",
    "....................",
    "....................",
    "....................",
    "....................",
    "...........oooooo...",
    "..w.w....ohhoSSSSo..",
    "..........ooosssoo..",
    "............ooo.....",
]

GRENADE = [  # thrown grenade, centred
    "....................",
    "....................",
    "....................",
    "....................",
    "....................",
    "....................",
    ".........bbF........",
    "........obBo........",
    ".......oGgggo.......",
    ".......oGgdgo.......",
    ".......ogdgdo.......",
    ".......oggddo.......",
    "........oddo........",
    ".........oo.........",
]

BOMB = [
    "....................",
    "....................",
    "....................",
    "....................",
    "....................",
    "...........k........",
    "..........k.........",
    ".......oobBoo.......",
    "......obBBbbbo......",
    ".....obBbbbbbbo.....",
    ".....oBbbbbbbbo.....",
    ".....obbbbbbbbo.....",
    ".....obbbbbbbbo.....",
    "......obbbbbbo......",
    ".......oooooo.......",
]

KNIFE_FLYING = [
    "....................",
    "....................",
    "....................",
    "....................",
    "....................",
    "....................",
    "....................",
    "....................",
    ".........ooooooo....",
    "..w.w.oooohSSSSSo...",
    ".....ohHhhosssssSo..",
    "......oooooooooo....",
]

KNIFE_STUCK = [  # the blade sunk into a wall on the right; handle quivering
    "....................",
    "....................",
    "....................",
    "....................",
    "....................",
    "....................",
    "....................",
    "....................",
    "..............oooooo",
    ".........oooooohSSSS",
    "........ohHhhhohssss",
    ".........oooooooooo.",
    "...............w....",
]

CANOPY = [
    "......oooooooo......",
    "....oorrwwrrwwoo....",
    "...orrwwrrwwrrwwo...",
    "..orwwrrwwrrwwrrwo..",
    ".orrwwrrwwrrwwrrwwo.",
    ".oooooooooooooooooo.",
    ".k.....k....k.....k.",
    "..k.....k..k.....k..",
    "..k.....k..k.....k..",
    "...k.....kk.....k...",
    "...k.....kk.....k...",
    "....k....kk....k....",
    ".....k...kk...k.....",
    "......k..kk..k......",
    ".......k.kk.k.......",
    "........kkkk........",
]


def _flame(kind):
    """Bomb flames: 'centre' burst, or a band that joins its neighbours."""
    c = Canvas(20, 20)
    if kind == "centre":
        c.disc(10, 10, 9.5, "r3")
        c.disc(10, 10, 7.5, "o2")
        c.disc(10, 10, 5, "y1")
        c.disc(10, 10, 2.5, "y2")
        for x, y in [(2, 3), (16, 2), (17, 16), (3, 17), (10, 0), (0, 10), (19, 10), (10, 19)]:
            c.set(x, y, "y1")
        return c
    for a in range(20):
        wave = (1, 2, 2, 1, 0, 1, 2, 2, 1, 0)[a % 10]
        for b in range(3 - wave, 17 + wave):
            d = abs(b - 10)
            name = "y2" if d < 3 else "y1" if d < 5 else "o2" if d < 7 else "r3"
            if kind == "horizontal":
                c.set(a, b, name)
            else:
                c.set(b, a, name)
    return c


def weapon_sheet():
    """160x120: held weapons, thrown weapons, flames, bomb and parachute canopy."""
    sheet = Canvas(160, 120)

    def put(frame, rows=None, canvas=None, mirror_to=None):
        if canvas is None:
            canvas = Canvas(20, 20)
            canvas.art(0, 0, rows, W)
        sheet.paste(canvas, (frame % 8) * 20, (frame // 8) * 20)
        if mirror_to is not None:
            sheet.paste(canvas, (mirror_to % 8) * 20, (mirror_to // 8) * 20, mirror=True)

    put(0, MELEE, mirror_to=1)
    put(2, MELEE_SWING, mirror_to=3)
    put(8, GRENADE_HELD, mirror_to=9)
    put(10, THROW, mirror_to=11)
    put(12, BOMB_HELD, mirror_to=13)
    put(14, DROP, mirror_to=15)
    put(16, KNIFE_HELD, mirror_to=17)
    put(18, KNIFE_STAB, mirror_to=19)
    put(24, GRENADE)
    put(26, canvas=_flame("centre"))
    put(27, canvas=_flame("horizontal"))
    put(28, canvas=_flame("vertical"))
    put(30, BOMB)
    lit = Canvas(20, 20)
    lit.art(0, 0, BOMB, W)
    lit.art(10, 2, [".F.", "FyF", ".F."], W)
    lit.set(11, 5, "r3")
    put(31, canvas=lit)
    put(36, KNIFE_FLYING, mirror_to=37)
    put(44, CANOPY)
    put(46, KNIFE_STUCK, mirror_to=47)
    return sheet
