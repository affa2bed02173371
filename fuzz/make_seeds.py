#!/usr/bin/env python3
"""Writes the hand-made seed inputs of the three fuzzers into fuzz/corpus/.
Shipped files (game/settings.ini, game/seznam.dat, game/maps/*) are added as
seeds by scripts/fuzz.sh at run time, so they always match what ships."""
import os
import random
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
CELLS = 768


def out(target, name, data):
    folder = os.path.join(HERE, 'corpus', target)
    os.makedirs(folder, exist_ok=True)
    if isinstance(data, str):
        data = data.encode('latin-1')
    with open(os.path.join(folder, name), 'wb') as f:
        f.write(data)


# --- settings.ini ---
GOOD = ('Name1 Zoltr\nName2 Kostra\nLevel maps/arena1\nImage1 1\nImage2 2\n'
        'Zoltr 5\nFPS 50\nSounds 1\nWindowed 1\nLanguage 0\n')
out('settings', 'good', GOOD)
out('settings', 'crlf', GOOD.replace('\n', '\r\n'))
out('settings', 'no_final_newline', GOOD.rstrip('\n'))
out('settings', 'long_names', 'Name1 ' + 'A' * 40 + '\nName2    ' + 'b' * 29 + ' tail\n')
out('settings', 'long_line', 'Level ' + 'x' * 300 + '\nFPS ' + '9' * 120 + '\n')
out('settings', 'fps_zero', 'FPS 0\nZoltr -3\n')
out('settings', 'fps_negative', 'FPS -2147483648\nImage1 -2147483648\nImage2 2147483647\n')
out('settings', 'keys_inside', '  Zoltr 5\n# the Level line: Level maps/x\nxFPS 30\n')
out('settings', 'level_spaces', 'Level  maps/my arena \n')
out('settings', 'czech_names', 'Name1 \xe8\xe1\xed\x9a\xf8\nName2 \xc8\xc1\x7f\x01\n')
out('settings', 'binary', bytes(range(256)) * 2)
out('settings', 'empty', '')

# --- seznam.dat ---
HEADER = 'Zoltr media catalogue\n#\n'
out('catalogue', 'good', HEADER + 'p8.png 1\np32.png 2\n\ng.gif 0\n big.png 1\nb8.bmp 1\n'
    '#\ns.wav\ns.wav\n\nm.wav\n#\ntrailing lines\n')
out('catalogue', 'broken_files', HEADER + 'cut.png 1\ncut.gif 0\ntext.png 2\nempty 0\ndir 1\n'
    'missing.png 0\n#\ncut.wav\ntext.png\nempty\ndir\nmissing.wav\n')
out('catalogue', 'modes_crossed', HEADER + 'p32.png 1\np8.png 2\ng.gif 2\nb32.bmp 1\nb8.bmp 2\n'
    'p8.png -7\np8.png\n\tp8.png 1\n\t\n#\n')
out('catalogue', 'no_hash', 'p8.png 1\ns.wav\n')
out('catalogue', 'long_paths', HEADER + 'gfx/' + 'a' * 40 + '.png 1\n' + 'p' * 120 + ' 1\n#\n'
    + 'snd/' + 'w' * 60 + '.wav\n')
out('catalogue', 'many_lines', HEADER + 'p8.png 1\n' * 300 + '#\n' + 's.wav\n' * 16 + 'm.wav\n' + 's.wav\n' * 6)
out('catalogue', 'music_slot', HEADER + '#\n' + '\n' * 16 + 's.wav\nm.wav\n')
out('catalogue', 'crlf', (HEADER + 'p8.png 1\r\n#\r\ns.wav\r\n').replace('\n#\n', '\r\n#\r\n'))


# --- arenas ---
def arena(walls=None, items=None, attrs=None):
    layers = [walls or [0] * CELLS, items or [0] * CELLS, attrs or [0] * CELLS]
    return b''.join(struct.pack('<768H', *layer) for layer in layers)


def at(c, r):
    return r * 32 + c


def tail(seed, frames=400):
    """Plausible controls: runs of walking, jumps, taps of fire."""
    rnd = random.Random(seed)
    data = bytearray()
    state = [0, 0]
    left = [0, 0]
    for _ in range(frames):
        byte = 0
        for p in range(2):
            if left[p] == 0:
                state[p] = rnd.choice([0, 1, 2, 1 | 4, 2 | 4, 4])
                left[p] = rnd.randint(5, 40)
            left[p] -= 1
            bits = state[p]
            if rnd.random() < 0.15:
                bits |= 8
            byte |= bits << (4 * p)
        data.append(byte)
    return bytes(data)


def boxed():
    walls = [0] * CELLS
    for c in range(32):
        walls[at(c, 0)] = 1
        walls[at(c, 22)] = 2
    for r in range(23):
        walls[at(0, r)] = 1
        walls[at(31, r)] = 1
    return walls


# A closed room with every pickup on a spawner, a ladder, a jump pad and a lift.
walls = boxed()
items = [0] * CELLS
attrs = [0] * CELLS
for k, code in enumerate(range(25, 33)):
    items[at(3 + 3 * k, 21)] = code
    attrs[at(3 + 3 * k, 21)] = code - 16
for r in range(12, 22):
    items[at(28, r)] = 5
for c in range(20, 27):
    walls[at(c, 12)] = 3
items[at(18, 21)] = 9
items[at(26, 11)] = 33
for c in (2, 10, 17, 25):
    attrs[at(c, 21)] = 2
attrs[at(14, 21)] = 3
attrs[at(15, 21)] = 8
out('arena', 'room', arena(walls, items, attrs) + tail(1))

# Fighters start on weapons and face each other on one floor.
for k, weapon in enumerate((25, 26, 27, 28)):
    items2 = [0] * CELLS
    attrs2 = [0] * CELLS
    for c in (8, 12):
        items2[at(c, 21)] = weapon
        attrs2[at(c, 21)] = 2
    out('arena', 'duel_%d' % weapon, arena(boxed(), items2, attrs2) + tail(10 + k))

# Lifts in columns with no walls above or below, at the top and bottom rows.
items = [0] * CELLS
attrs = [0] * CELLS
for c, r in ((3, 0), (6, 23), (9, 11), (12, 1), (15, 22)):
    items[at(c, r)] = 33
attrs[at(3, 5)] = 2
attrs[at(9, 20)] = 2
out('arena', 'open_lifts', arena(None, items, attrs) + tail(2))

# No spawn points: both fighters start at the screen centre on a short floor.
walls = [0] * CELLS
for c in range(10, 22):
    walls[at(c, 12)] = 1
items = [0] * CELLS
items[at(16, 11)] = 27
items[at(15, 11)] = 30
out('arena', 'no_spawn', arena(walls, items, None) + tail(3))

# Every code in every layer, 65535 included.
codes = [(i * 97) % 65536 for i in range(CELLS)]
codes[5] = 65535
out('arena', 'every_code', arena([i if i % 5 == 0 else 0 for i in range(CELLS)],
                                 list(range(CELLS)), [i % 20 if i % 7 else 65535 for i in range(CELLS)]) + tail(4))
out('arena', 'random_codes', arena(codes, codes[::-1], [c % 18 for c in codes]) + tail(5))

# Fighters at the edges and corners, deadly and damaging cells there too.
attrs = [0] * CELLS
for c, r in ((0, 0), (31, 0), (0, 23), (31, 23), (0, 11), (31, 11), (16, 0), (16, 23)):
    attrs[at(c, r)] = 2
for c in range(32):
    attrs[at(c, 22)] = 3 if c % 2 else 4
items = [0] * CELLS
items[at(0, 0)] = 26
items[at(31, 0)] = 27
items[at(0, 11)] = 31
items[at(31, 11)] = 30
out('arena', 'edges', arena(None, items, attrs) + tail(6))

# Odd sizes around the block boundaries.
full = arena(boxed(), None, [2] * CELLS)
for size in (0, 1, 3072, 3073, 3074, 4607):
    out('arena', 'size_%d' % size, full[:size])
