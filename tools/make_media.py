#!/usr/bin/python3
"""Writes every file the game reads: pictures, sounds, arenas, the catalogue and
settings; and the desktop icons of the installed game.

  make_media.py [--force] [OUTPUT_DIR [ICON_DIR]]
      (default: the repo's game/ folder and packaging/icons; icons only when
      ICON_DIR is given or neither is)

The output is the same, byte for byte, on every run; the tests regenerate it
into a temporary folder and compare it with what is shipped. Every arena is
checked first: errors stop the run (unless --force), warnings are printed.
A settings.ini that differs from the shipped one is the player's and stays.
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import arena  # noqa: E402
import arena_check  # noqa: E402
from media import fighters, font, icons, music, pictures, sounds, tiles  # noqa: E402

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# Image slots in catalogue order: (slot, file, colour-key mode). Unlisted slots stay empty.
IMAGES = [
    (0, "gfx/walls.png", 1), (1, "gfx/items.png", 1), (3, "gfx/players.png", 1),
    (4, "gfx/weapons.png", 1), (5, "gfx/explosion.png", 1), (13, "gfx/presents.png", 0),
    (14, "gfx/scene.png", 0), (15, "gfx/hud.png", 0), (16, "gfx/health.png", 1), (17, "gfx/title.png", 0),
]
MUSIC = "sfx/music.ogg"

SETTINGS = """Name1 Red
Name2 Blue
Level maps/arena1
Image1 1
Image2 2
Zoltr 10
FPS 50
Sounds 1
Windowed 1
Language 1
"""


def catalogue():
    lines = ["Zoltr Deathmatch media: images by slot, then sounds by slot", "#"]
    by_slot = {slot: "%s %d" % (path, mode) for slot, path, mode in IMAGES}
    lines += [by_slot.get(slot, "") for slot in range(max(by_slot) + 1)]
    lines.append("#")
    lines += ["sfx/%s.wav" % name for name, _, _ in sounds.EFFECTS] + [MUSIC]
    lines.append("#")
    return "\n".join(lines) + "\n"


def write(out, path, data):
    full = os.path.join(out, path)
    os.makedirs(os.path.dirname(full), exist_ok=True)
    with open(full, "wb") as f:
        f.write(data)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def main(argv):
    force = "--force" in argv
    args = [a for a in argv[1:] if a != "--force"]
    out = args[0] if args else os.path.join(REPO, "game")
    icon_dir = args[1] if len(args) > 1 else None if args else os.path.join(REPO, "packaging", "icons")
    os.makedirs(os.path.join(out, "gfx"), exist_ok=True)
    font.save_font(os.path.join(out, "gfx/myfont.gif"))
    walls, items = tiles.wall_sheet(), tiles.item_sheet()
    players, weapons = fighters.player_sheet(), fighters.weapon_sheet()
    explosion = tiles.explosion_sheet()
    pictures_by_path = {
        "gfx/walls.png": walls, "gfx/items.png": items, "gfx/players.png": players,
        "gfx/weapons.png": weapons, "gfx/explosion.png": explosion,
        "gfx/presents.png": pictures.studio_banner(),
        "gfx/scene.png": pictures.intro_scene(items, walls, players, weapons, explosion),
        "gfx/hud.png": pictures.hud_strip(), "gfx/health.png": pictures.health_bar(),
        "gfx/title.png": pictures.title(),
    }
    for path, canvas in pictures_by_path.items():
        canvas.save_png(os.path.join(out, path))
    for name, make, peak in sounds.EFFECTS:
        write(out, "sfx/%s.wav" % name, sounds.wav_bytes(sounds.normalise(make(), peak)))
    write(out, MUSIC, music.ogg_bytes(music.music()))
    sources = os.path.join(REPO, "arenas")
    for name in sorted(os.listdir(sources)):
        if name.endswith(".txt"):
            path = os.path.join(sources, name)
            level = arena.load(path)
            findings = [] if force else arena_check.validate(level, path)
            for line in arena_check.report_lines(level, path, findings, levels=("error", "warning"))[:-1]:
                print(line, file=sys.stderr)
            if any(f.level == "error" for f in findings):
                print("make_media.py: stopped: fix the arena's errors, or pass --force", file=sys.stderr)
                return 1
            write(out, "maps/" + name[:-4], level.to_bytes())
    write(out, "seznam.dat", catalogue().encode("ascii"))
    settings = os.path.join(out, "settings.ini")
    if os.path.exists(settings) and read(settings) != SETTINGS.encode("ascii"):
        print("make_media.py: kept your %s; delete it to get the shipped one back" % settings, file=sys.stderr)
    else:
        write(out, "settings.ini", SETTINGS.encode("ascii"))
    if icon_dir:
        os.makedirs(icon_dir, exist_ok=True)
        for size, img in icons.icons(walls, players, weapons).items():
            img.save(os.path.join(icon_dir, "%d.png" % size), format="PNG", optimize=False)
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv))
    except arena.ArenaError as e:
        print("make_media.py: %s" % e, file=sys.stderr)
        sys.exit(1)
