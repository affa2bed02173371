"""Wall tiles, item tiles and the explosion sheet.

Walls: wall code n shows tile n-1. Items: item code n shows tile n-1, and
cells with the animated attributes step through three consecutive tiles.
"""
import math

from .pixels import Canvas, rng

# Wall tiles in code order (code = position + 1); the names are the arena legend's.
WALL_NAMES = ["stone", "brick", "metal", "wood", "grass", "earth", "ice", "rock",
              "girder", "pillar", "hazard", "pipe", "moss", "crate", "tech", "gold"]


def _bevel(c, x, y, w, h, light, mid, dark):
    c.rect(x, y, w, h, mid)
    c.rect(x, y, w, 1, light)
    c.rect(x, y, 1, h, light)
    c.rect(x, y + h - 1, w, 1, dark)
    c.rect(x + w - 1, y, 1, h, dark)


def _speckle(c, x, y, w, h, names, count, seed):
    r = rng(seed)
    for _ in range(count):
        c.set(x + r.randrange(w), y + r.randrange(h), r.choice(names))


def _wall(name):
    c = Canvas(20, 20)
    if name == "stone":
        _bevel(c, 0, 0, 20, 10, "g5", "g4", "g2")
        _bevel(c, 0, 10, 10, 10, "g5", "g4", "g2")
        _bevel(c, 10, 10, 10, 10, "g5", "g4", "g2")
        _speckle(c, 1, 1, 18, 18, ["g3", "g5"], 14, 1)
        c.set(0, 0, "key")
    elif name == "brick":
        c.rect(0, 0, 20, 20, "r1")
        for row in range(4):
            off = 0 if row % 2 == 0 else 5
            for b in range(-1, 3):
                bx = b * 10 + off
                for xx in range(bx, bx + 9):
                    for yy in range(row * 5, row * 5 + 4):
                        if 0 <= xx < 20:
                            c.set(xx, yy, "r2")
                for xx in range(bx, bx + 9):
                    if 0 <= xx < 20:
                        c.set(xx, row * 5, "r3")
        _speckle(c, 0, 0, 20, 20, ["r1", "r4"], 6, 2)
    elif name == "metal":
        _bevel(c, 0, 0, 20, 20, "b4", "g3", "g1")
        c.rect(2, 2, 16, 16, "g4")
        c.rect(2, 2, 16, 1, "g5")
        for x, y in [(2, 2), (16, 2), (2, 16), (16, 16)]:
            c.rect(x, y, 2, 2, "g2")
            c.set(x, y, "g6")
    elif name == "wood":
        for p in range(4):
            c.rect(0, p * 5, 20, 5, "n3")
            c.rect(0, p * 5, 20, 1, "n4")
            c.rect(0, p * 5 + 4, 20, 1, "n1")
        _speckle(c, 0, 0, 20, 20, ["n2"], 14, 3)
        for p in range(4):
            c.set((p * 7 + 3) % 20, p * 5 + 2, "n1")
    elif name == "grass":
        c.rect(0, 0, 20, 20, "n2")
        _speckle(c, 0, 6, 20, 14, ["n1", "n3"], 26, 4)
        c.rect(0, 0, 20, 4, "e3")
        c.rect(0, 0, 20, 1, "e4")
        for x in range(0, 20, 3):
            c.set(x, 4, "e2")
            c.set(x + 1, 5, "e2")
    elif name == "earth":
        c.rect(0, 0, 20, 20, "n2")
        _speckle(c, 0, 0, 20, 20, ["n1", "n3", "n3"], 40, 5)
        for x, y in [(4, 5), (13, 12), (7, 15)]:
            c.rect(x, y, 2, 2, "g3")
    elif name == "ice":
        _bevel(c, 0, 0, 20, 20, "white", "c3", "c2")
        c.line(3, 14, 9, 4, "white")
        c.line(11, 16, 16, 8, "white")
        _speckle(c, 2, 2, 16, 16, ["c2"], 8, 6)
    elif name == "rock":
        c.rect(0, 0, 20, 20, "p1")
        _speckle(c, 0, 0, 20, 20, ["g1", "g2", "p2"], 60, 7)
        c.rect(0, 0, 20, 1, "g2")
    elif name == "girder":
        c.rect(0, 0, 20, 3, "o1")
        c.rect(0, 17, 20, 3, "o1")
        c.rect(0, 0, 20, 1, "y1")
        c.rect(0, 17, 20, 1, "y1")
        c.line(0, 3, 9, 16, "o1")
        c.line(1, 3, 10, 16, "o2")
        c.line(10, 16, 19, 3, "o1")
        c.line(11, 16, 19, 4, "o2")
    elif name == "pillar":
        c.rect(2, 0, 16, 20, "g4")
        for x in (4, 8, 12):
            c.rect(x + 1, 0, 1, 20, "g2")
            c.rect(x + 2, 0, 1, 20, "g5")
        c.rect(2, 0, 1, 20, "g6")
        c.rect(17, 0, 1, 20, "g2")
    elif name == "hazard":
        for y in range(20):
            for x in range(20):
                c.set(x, y, "y1" if ((x + y) // 5) % 2 == 0 else "ink")
        c.rect(0, 0, 20, 1, "y2")
        c.rect(0, 19, 20, 1, "g1")
    elif name == "pipe":
        c.rect(0, 3, 20, 14, "e2")
        c.rect(0, 5, 20, 3, "e4")
        c.rect(0, 14, 20, 3, "e1")
        c.rect(0, 3, 20, 1, "ink")
        c.rect(0, 16, 20, 1, "ink")
        c.rect(8, 2, 4, 16, "e3")
        c.rect(8, 2, 1, 16, "e4")
    elif name == "moss":
        _bevel(c, 0, 0, 10, 10, "g5", "g4", "g2")
        _bevel(c, 10, 0, 10, 10, "g5", "g4", "g2")
        _bevel(c, 0, 10, 20, 10, "g5", "g4", "g2")
        r = rng(8)
        for x in range(20):
            for y in range(r.randrange(2, 6)):
                c.set(x, y, "e3" if y == 0 else "e2")
        _speckle(c, 0, 6, 20, 14, ["e2", "e3"], 12, 9)
    elif name == "crate":
        _bevel(c, 0, 0, 20, 20, "n5", "n3", "n1")
        c.rect(2, 2, 16, 16, "n4")
        c.line(2, 2, 17, 17, "n2")
        c.line(3, 2, 17, 16, "n2")
        c.line(17, 2, 2, 17, "n2")
    elif name == "tech":
        _bevel(c, 0, 0, 20, 20, "c2", "b1", "ink")
        c.rect(3, 3, 14, 6, "b2")
        c.rect(4, 12, 3, 3, "a2")
        c.rect(9, 12, 3, 3, "r3")
        c.rect(14, 12, 2, 3, "y1")
        c.rect(3, 4, 14, 1, "b3")
    elif name == "gold":
        _bevel(c, 0, 0, 20, 20, "y2", "y1", "o1")
        c.rect(3, 3, 14, 14, "o2")
        c.rect(3, 3, 14, 1, "y2")
        c.set(5, 5, "white")
    return c


def wall_sheet():
    sheet = Canvas(160, 40)
    for i, name in enumerate(WALL_NAMES):
        sheet.paste(_wall(name), (i % 8) * 20, (i // 8) * 20)
    return sheet


# --- item sheet ---

I = {"o": "ink", "w": "white", "W": "g6", "s": "g5", "S": "g4", "d": "g3", "D": "g2", "k": "g1",
     "h": "n3", "H": "n4", "j": "n2", "r": "r3", "R": "r2", "q": "r4", "y": "y1", "Y": "y2",
     "O": "o2", "g": "e3", "G": "e4", "e": "e2", "b": "b3", "B": "b4", "c": "c2", "C": "c3",
     "p": "p3", "P": "p2", "a": "a1", "A": "a2", "m": "e1"}

ART = {
    2: [  # hanging chain
        ".........oo.........", "........o..o........", "........o..o........", ".........oo.........",
        ".........od.........", ".........od.........", "........oddo........", "........o..o........",
        "........o..o........", ".........oo.........", ".........od.........", ".........od.........",
        "........oddo........", "........o..o........", "........o..o........", ".........oo.........",
        ".........od.........", ".........od.........", "........oddo........", "........o..o........",
    ],
    3: [  # barred window
        "....................", "...oooooooooooooo...", "...oDkDkDkDkDkDko...", "...oDkDkDkDkDkDko...",
        "...oDkDkDkDkDkDko...", "...oDkDkDkDkDkDko...", "...oDkDkDkDkDkDko...", "...oDkDkDkDkDkDko...",
        "...oDkDkDkDkDkDko...", "...oDkDkDkDkDkDko...", "...oDkDkDkDkDkDko...", "...oooooooooooooo...",
    ],
    4: [  # ladder
        "..oo..........oo....", "..oh..........oh....", "..ohoooooooooooh....", "..ohHHHHHHHHHHHh....",
        "..ohjjjjjjjjjjjh....", "..oh..........oh....", "..oh..........oh....", "..ohoooooooooooh....",
        "..ohHHHHHHHHHHHh....", "..ohjjjjjjjjjjjh....", "..oh..........oh....", "..oh..........oh....",
        "..ohoooooooooooh....", "..ohHHHHHHHHHHHh....", "..ohjjjjjjjjjjjh....", "..oh..........oh....",
        "..oh..........oh....", "..ohoooooooooooh....", "..ohHHHHHHHHHHHh....", "..ohjjjjjjjjjjjh....",
    ],
    5: [  # banner
        "..oooooooooooooooo..", "..odddddddddddddo...", "...oRRRRRRRRRRRo....", "...oRrrrrrrrrrRo....",
        "...oRryyyyyyyrRo....", "...oRryRRRRRyrRo....", "...oRryRyyyRyrRo....", "...oRryRyRyRyrRo....",
        "...oRryRyyyRyrRo....", "...oRryRRRRRyrRo....", "...oRryyyyyyyrRo....", "...oRrrrrrrrrrRo....",
        "...oRRRRRRRRRRRo....", "...oRRRoooooRRRo....", "...oRRo.....oRRo....", "...oRo.......oRo....",
        "...oo.........oo....",
    ],
    6: [  # bush
        "....................", "....................", "....................", "....................",
        "....................", "....................", "....................", "........oooo........",
        "......ooGGggoo......", ".....oGGggggemo.....", "....oGgggegggemo....", "...oGggegggggeemo...",
        "...oggggggeggemmo...", "..oGggeggggggeeemo..", "..oggggggegggeemmo..", "..oeggggggggeemmmo..",
        "..omeeggggeeemmmmo..", "...ommmeeeemmmmmo...", "....oooooooooooo....", "....................",
    ],
    7: [  # skull and bones
        "....................", "....................", "....................", "....................",
        "....................", "....................", "....................", "....................",
        ".......oooooo.......", "......oWWWWWWo......", ".....oWWWWWWWWo.....", ".....oWookWookWo....",
        ".....oWookWookWo....", ".....oWWWWoWWWWo....", "......oWWWWWWWo.....", "..oo...oWoWoWo...oo.",
        "..oWoooooooooooooWo.", "...oWWWWWWWWWWWWWo..", "..oWoooooooooooooWo.", "..oo.............oo.",
    ],
    8: [  # jump pad, ready
        "....................", "....................", "....................", "....................",
        "....................", "....................", "....................", "....................",
        "....................", ".........YY.........", "........YyyY........", ".......Y.yy.Y.......",
        "...oooooooooooooo...", "..oBbbbbbbbbbbbbBo..", "..oooooooooooooooo..", "....oSo..oSo..oSo...",
        "....oSo..oSo..oSo...", "..oooooooooooooooo..", "..oddddddddddddddo..", "..oooooooooooooooo..",
    ],
    9: [  # jump pad, cooling down (pressed)
        "....................", "....................", "....................", "....................",
        "....................", "....................", "....................", "....................",
        "....................", "....................", "....................", "....................",
        "....................", "....................", "....................", "...oooooooooooooo...",
        "..oDkkkkkkkkkkkkDo..", "..oooooooooooooooo..", "..oddddddddddddddo..", "..oooooooooooooooo..",
    ],
    22: [  # spikes
        "....................", "....................", "....................", "....................",
        "....................", "....................", "....................", "....................",
        "...o....o....o....o.", "..owo..owo..owo..owo", "..owo..owo..owo..owo", ".owsdoowsdoowsdoowsd",
        ".owsdoowsdoowsdoowsd", "owssdowssdowssdowssd", "owssdowssdowssdowssd", "owsdddwsdddwsdddwsdd",
        "oRrRrRrRrRrRrRrRrRro", "oRRRRRRRRRRRRRRRRRRo", "oooooooooooooooooooo", "....................",
    ],
    23: [  # grass tuft
        "....................", "....................", "....................", "....................",
        "....................", "....................", "....................", "....................",
        "....................", "....................", "....................", "....................",
        "....................", "...g.......G........", "...g..G....g...g....", "...eg.g..g.gG..g.G..",
        "..G.e.ge.g.eg..gg...", "..g.egeegegegegeg.g.", "..egeeeeeeeeeeeeege.", "....................",
    ],
    24: [  # pickup: machete
        "....................", "....................", "................oo..", "...............oSo..",
        "..............oWso..", ".............oWso...", "............oWso....", "...........oWso.....",
        "..........oWso......", ".........oWso.......", "........oWso........", "......oooso.........",
        ".....oyyoo..........", "......ohhyo.........", ".....ohHo.oo........", "....ohHo............",
        "...ohHo.............", "...ooo..............", "....................", "....................",
    ],
    25: [  # pickup: bomb
        "....................", "....................", "............Y.......", "...........YyY......",
        "...........hY.......", "..........h.........", "..........h.........", "......oooodoo.......",
        ".....odddDDkko......", "....odDdkkkkkko.....", "...odDkkkkkkkkko....", "...odkkkkkkkkkko....",
        "...oDkkkkkkkkkko....", "...okkkkkkkkkkko....", "...okkkkkkkkkkko....", "....okkkkkkkkko.....",
        ".....okkkkkkko......", "......ooooooo.......", "....................", "....................",
    ],
    26: [  # pickup: grenade
        "....................", "....................", "....................", "..........ooo.......",
        ".........oddso......", "........oddsdo......", ".......ooddoooo.....", "......odooo...d.....",
        ".....oGGgggeo..d....", "....oGGggeggeo.d....", "....oGgogeogeo......", "....oggeggegeo......",
        "....ogoeoeoeeo......", "....ogeggeggmo......", "....oeegeegemo......", "....oemoemoemo......",
        ".....oemmemmo.......", "......oooooo........", "....................", "....................",
    ],
    27: [  # pickup: knives
        "....................", "....................", "....................", "...........oo.......",
        "..........oWo....oo.", ".........oWso...oWo.", "........oWso...oWso.", ".......oWso...oWso..",
        "......oWso...oWso...", ".....oWso...oWso....", "....ooso...oWso.....", "...oyoo...oooso.....",
        "..ohHyo..oyoo.......", ".ohHo.o.ohHyo.......", ".ooo...ohHo.o.......", "......ohHo..........",
        "......ooo...........", "....................", "....................", "....................",
    ],
    28: [  # pickup: explosive debris (a skull with a lit fuse)
        "....................", "..............Y.....", ".............YyY....", "..............hY....",
        "............hh......", "......ooooooh.......", ".....orrrrrrroo.....", "....orqqrrrrrrro....",
        "....orqWWrrWWrro....", "....orWookWookro....", "....orWookWookro....", "....orrWWroWWrro....",
        "....orrrrrrrrrro....", ".....orRrRrRrRo.....", ".....orWrWrWrWo.....", "......ooooooooo.....",
    ],
    29: [  # pickup: jetpack
        "....................", "....................", "....oooo..oooo......", "...oWssoooWsso......",
        "...oWsSooWWsSo......", "...oWsSorrWsSo......", "...oWsSorrWsSo......", "...oWsSoooWsSo......",
        "...oWsSodoWsSo......", "...oWsSodoWsSo......", "...oWsSoooWsSo......", "...osSdo.osSdo......",
        "....oDo...oDo.......", "....oYo...oYo.......", "....YyY...YyY.......", ".....y.....y........",
    ],
    30: [  # pickup: parachute pack
        "....................", "....................", "....................", "....................",
        ".......oooooo.......", "......oRrrrrRo......", ".....oooooooooo.....", ".....oHHHHHHhho.....",
        ".....oHhhhhhhjo.....", ".....oHhyyyyhjo.....", ".....oHhyhhyhjo.....", ".....oHhyyyyhjo.....",
        ".....oHhhhhhhjo.....", ".....ojjjjjjjjo.....", "......oooooooo......", "......oD....Do......",
    ],
    31: [  # pickup: health
        "....................", "....................", "....................", ".....oooooooooo.....",
        "....oWWWWWWWWWWo....", "....oWWWWrrWWWWo....", "....oWWWWrrWWWWo....", "....oWWWWrrWWWWo....",
        "....oWrrrrrrrrWo....", "....oWrrrrrrrrWo....", "....oWWWWrrWWWWo....", "....oWWWWrrWWWWo....",
        "....oWWWWrrWWWWo....", "....osssssssssso....", ".....oooooooooo.....",
    ],
    32: [  # lift: a crusher block
        "oooooooooooooooooooo", "oysssssssssssssssSko", "osWWWWWWWWWWWWWWWdko", "osWoooooooooooooWdko",
        "osWoyyooyyooyyooWdko", "osWooyyooyyooyyoWdko", "osWoooooooooooooWdko", "osWWWWWWWWWWWWWWWdko",
        "osdddddddddddddddddo", "okkkkkkkkkkkkkkkkkko", "oooooooooooooooooooo", "..odo..odo..odo..odo",
        "..odo..odo..odo..odo", "..odo..odo..odo..odo", "..oko..oko..oko..oko", "...o....o....o....o.",
    ],
    33: [  # lift shaft: the piston rods above the crusher
        "....odsdo..odsdo....", "....odsdo..odsdo....", "....odsdo..odsdo....", "....odsdo..odsdo....",
        "....odsdo..odsdo....", "....odsdo..odsdo....", "....odsdo..odsdo....", "....odsdo..odsdo....",
        "...ooooooooooooooo..", "...oyyyyyyyyyyyyyo..", "...ooooooooooooooo..", "....odsdo..odsdo....",
        "....odsdo..odsdo....", "....odsdo..odsdo....", "....odsdo..odsdo....", "....odsdo..odsdo....",
        "....odsdo..odsdo....", "....odsdo..odsdo....", "....odsdo..odsdo....", "....odsdo..odsdo....",
    ],
    34: [  # cobweb
        "oo.......o........oo", ".ooo....o.....ooo...", "..o.oo..o...oo.o....", "..o...oooooo...o....",
        "...o..o.o..o.oo.....", "...o.o..o...oo......", "....oo..o..o.o......", "....o.oooooo..o.....",
        "....o..o.o.......o..", ".....o.o...........o", ".....oo..o..........", "......o.............",
    ],
    35: [  # arrow sign
        "....................", "....................", "....................", "...oooooooooooooo...",
        "...oHHHHHHHHHHHho...", "...oHhhhhhhohhhjo...", "...oHhhhhhhooohjo...", "...oHhoooooooooho...",
        "...oHhhhhhhooohjo...", "...oHhhhhhhohhhjo...", "...ojjjjjjjjjjjjo...", "...oooooooHooooooo..",
        ".........oHjo.......", ".........oHjo.......", ".........oHjo.......", ".........oHjo.......",
        ".........oHjo.......", ".........oHjo.......", ".........oHjo.......", ".........oHjo.......",
    ],
    36: [  # hanging lamp
        ".........od.........", ".........od.........", ".........od.........", ".........od.........",
        "........oooo........", ".......oSSSSo.......", "......oSSSSSSo......", ".....oooooooooo.....",
        "......oYYYYYYo......", ".......oYYYYo.......", "........oooo........", ".........Y..........",
        "........Y..Y........", ".......Y....Y.......",
    ],
    37: [  # bones
        "....................", "....................", "....................", "....................",
        "....................", "....................", "....................", "....................",
        "....................", "....................", "....................", "....................",
        "....................", "..oo..........oo....", ".oWWo.......oWWWo...", "..oWWWoo..ooWWWo....",
        "...ooWWWooWWWoo.....", ".oo...oWWWWo...oo...", "oWWoooWWooWWoooWWo..", ".oooooo....oooooo...",
    ],
    38: [  # mushrooms
        "....................", "....................", "....................", "....................",
        "....................", "....................", "....................", "....................",
        "....................", "......oooo..........", "....oorwrroo........", "...orrrrrwrro.......",
        "...ooooooooooooo....", ".....oWWo.orrwro....", ".....oWWo.ooooooo...", ".....oWWo..oWo......",
        ".....oWWo..oWo......", "....oWWWWooWWo......",
    ],
    39: [  # barrel
        "....................", "....................", "....................", ".....oooooooooo.....",
        "....ohHHHHHHHhjo....", "....oddddddddddo....", "....ohHHHHHHHhjo....", "....ohHHHHHHHhjo....",
        "....ohHHrrrHHhjo....", "....ohHHrHHHHhjo....", "....ohHHrrrHHhjo....", "....ohHHHHHHHhjo....",
        "....ohHHHHHHHhjo....", "....oddddddddddo....", "....ohHHHHHHHhjo....", ".....oooooooooo.....",
    ],
}


def _glow(step):
    """Tiles 0 and 1: the twinkle an empty animated cell shows."""
    c = Canvas(20, 20)
    size = 2 if step == 0 else 4
    for d in range(-size, size + 1):
        c.set(10 + d, 10, "y2" if abs(d) < 2 else "y1")
        c.set(10, 10 + d, "y2" if abs(d) < 2 else "y1")
    c.set(10, 10, "white")
    if step == 1:
        for d in (-2, 2):
            c.set(10 + d, 10 + d, "y1")
            c.set(10 + d, 10 - d, "y1")
    return c


def _torch(step):
    c = Canvas(20, 20)
    c.rect(8, 10, 4, 10, "n3")
    c.rect(8, 10, 1, 10, "n4")
    c.rect(7, 9, 6, 2, "g3")
    sway = (0, 1, -1)[step]
    h = (7, 8, 6)[step]
    for y in range(h):
        half = max(1, 3 - abs(y - h + 3) // 2)
        cx = 10 + (sway if y < h // 2 else 0)
        for x in range(cx - half, cx + half):
            c.set(x, 9 - h + y, "o2" if x in (cx - half, cx + half - 1) else "y1")
    c.set(10 + sway, 9 - h, "r3")
    c.rect(9, 6, 2, 2, "y2")
    return c


def _console(step):
    c = Canvas(20, 20)
    c.rect(2, 4, 16, 14, "ink")
    c.rect(3, 5, 14, 7, "b1")
    lit = [("a2", "r3", "y1"), ("y1", "a2", "r3"), ("r3", "y1", "a2")][step]
    for i, name in enumerate(lit):
        c.rect(4 + i * 5, 14, 3, 2, name)
    for i in range(4):
        c.rect(4 + ((i * 3 + step * 2) % 10), 6 + i, 3 + (i + step) % 3, 1, "c2")
    c.rect(2, 18, 16, 2, "g2")
    return c


def _liquid(step, top, mid, deep, bright):
    """A pool cell whose surface waves and bubbles across three tiles."""
    c = Canvas(20, 20)
    for x in range(20):
        surface = 4 + (1 if (x // 4 + step) % 3 == 0 else 0) - (1 if (x // 4 + step) % 3 == 2 else 0)
        for y in range(surface, 20):
            c.set(x, y, top if y <= surface + 1 else mid if y < 13 else deep)
    r = rng(40 + step)
    for _ in range(5):
        c.set(r.randrange(1, 19), r.randrange(8, 19), bright)
    bx = (4, 10, 15)[step]
    c.set(bx, 2 + step, bright)
    c.set(bx + 1, 2 + step, bright)
    return c


def item_sheet():
    """160x100: 40 item tiles; tile n is drawn for item code n+1."""
    sheet = Canvas(160, 100)
    tiles = {0: _glow(0), 1: _glow(1)}
    for n, rows in ART.items():
        t = Canvas(20, 20)
        t.art(0, 0, rows, I)
        tiles[n] = t
    for step in range(3):
        tiles[10 + step] = _torch(step)
        tiles[13 + step] = _console(step)
        tiles[16 + step] = _liquid(step, "y1", "o2", "r3", "y2")
        tiles[19 + step] = _liquid(step, "a2", "a1", "e2", "white")
    for n, t in tiles.items():
        sheet.paste(t, (n % 8) * 20, (n // 8) * 20)
    return sheet


def explosion_sheet():
    """640x80: five 80x80 frames of a blast that grows, burns out and smokes."""
    sheet = Canvas(640, 80)
    stages = [  # (radius, layers of (fraction of radius, colour)), with smoke later
        (12, [(1.0, "o2"), (0.7, "y1"), (0.4, "white")]),
        (24, [(1.0, "r3"), (0.8, "o2"), (0.55, "y1"), (0.3, "y2")]),
        (34, [(1.0, "r2"), (0.85, "r3"), (0.65, "o2"), (0.4, "y1")]),
        (37, [(1.0, "g2"), (0.8, "r2"), (0.55, "r3"), (0.3, "o2")]),
        (38, [(1.0, "g2"), (0.7, "g3")]),
    ]
    for f, (radius, layers) in enumerate(stages):
        frame = Canvas(80, 80)
        r = rng(100 + f)
        for frac, name in layers:
            frame.disc(40, 40, radius * frac, name)
            for _ in range(10):
                a = r.random() * 6.283
                d = radius * frac * (0.6 + 0.4 * r.random())
                frame.disc(40 + math.cos(a) * d, 40 + math.sin(a) * d, radius * frac * 0.3, name)
        if f >= 3:  # holes let the smoke break up
            for _ in range(40 * (f - 2)):
                frame.disc(r.randrange(4, 76), r.randrange(4, 76), 1.5 + r.random() * 2, "key")
        sheet.paste(frame, f * 80, 0)
    return sheet
