"""Pictures of an arena as the game first draws it, and with the check's findings on it."""
import io
import os
import warnings

from arena import COLUMNS, CELLS, LIFT, ROWS, SPAWN, ArenaError, read_file, write_file

try:
    from PIL import Image, ImageDraw
except ImportError:
    Image = None

SHEET_BYTES = 16 << 20      # a sheet file's size at most
SHEET_PIXELS = 8192 * 8192  # what a sheet may claim to hold; more is refused before decoding

# Colours of the findings, and their names in the key on the HUD strip.
FINDINGS = [("lift travel", (80, 200, 255)), ("pad arcs", (90, 255, 90)), ("unreachable", (255, 60, 60)),
            ("deadly fall", (255, 40, 200)), ("saved by parachute", (150, 100, 30)),
            ("narrow ladder", (255, 255, 60)), ("trap", (255, 140, 0))]
COLOUR = dict(FINDINGS)


def open_picture(path):
    """A decoded picture, or an ArenaError naming the file and what is wrong with it."""
    data = read_file(path, SHEET_BYTES, "picture")
    try:
        with warnings.catch_warnings():
            warnings.simplefilter("error", Image.DecompressionBombWarning)
            Image.MAX_IMAGE_PIXELS = SHEET_PIXELS
            img = Image.open(io.BytesIO(data))
            img.load()
    except (Image.DecompressionBombError, Image.DecompressionBombWarning):
        raise ArenaError("%s: the picture claims more pixels than a sheet may hold (8192 by 8192)" % path)
    except Image.UnidentifiedImageError:
        raise ArenaError("%s: not a picture that can be read" % path)
    except (OSError, SyntaxError, ValueError, EOFError, MemoryError) as e:
        raise ArenaError("%s: not a picture that can be read (%s)" % (path, e or type(e).__name__))
    return img


def _sheet(path):
    """(picture, mask): keyed like the game's sheets on the top-left pixel's value; alpha plays no part."""
    img = open_picture(path)
    if img.width < 20 or img.height < 20:
        raise ArenaError("%s: %d by %d pixels is too small for a sheet of 20-pixel tiles" % ((path,) + img.size))
    pixels = img if img.mode == "P" else img.convert("RGB")
    key = pixels.getpixel((0, 0))
    mask = Image.new("L", img.size, 255)
    data = [0 if p == key else 255 for p in pixels.getdata()]
    mask.putdata(data)
    return img.convert("RGB"), mask


def render(arena, gfx):
    """A 640x480 picture of the arena as the game draws its first frame."""
    walls, items = _sheet(os.path.join(gfx, "walls.png")), _sheet(os.path.join(gfx, "items.png"))
    img = Image.new("RGB", (640, 480), (0, 0, 0))
    img.paste(open_picture(os.path.join(gfx, "hud.png")).convert("RGB"), (0, 0))

    def tile(sheet, n, x, y):
        picture, mask = sheet
        if 0 <= n < (picture.height // 20) * 8:
            box = ((n % 8) * 20, (n // 8) * 20, (n % 8) * 20 + 20, (n // 8) * 20 + 20)
            img.paste(picture.crop(box), (x, y), mask.crop(box))

    for layer, sheet in ((arena.items, items), (arena.walls, walls)):
        for r in range(ROWS - 1):
            for c in range(COLUMNS):
                code = layer[r * COLUMNS + c]
                if layer is arena.items and code == LIFT:  # the lift starts one row above its mark
                    tile(sheet, code - 1, 20 * c, 20 * r)
                elif code:
                    tile(sheet, code - 1, 20 * c, 20 + 20 * r)
    return img


def centre(c, r):
    return 20 * c + 10, 30 + 20 * r


def draw_findings(img, arena, report):
    import arena_check
    draw = ImageDraw.Draw(img)
    for c, r, top, bottom, _ in report["lift"]:
        draw.rectangle((20 * c + 2, 20 + 20 * top, 20 * c + 17, 39 + 20 * bottom), outline=COLOUR["lift travel"],
                       width=2)
    for c, r, direction, rise, points in report["pad"]:
        draw.line(points, fill=COLOUR["pad arcs"], width=1)
    for _, (c, r) in arena_check.unreachable_pickups(arena, report):
        x, y = centre(c, r)
        draw.rectangle((x - 10, y - 10, x + 9, y + 9), outline=COLOUR["unreachable"], width=2)
        draw.line((x - 8, y - 8, x + 7, y + 7), fill=COLOUR["unreachable"], width=2)
    for fc, fr, tc, tr, _, excused in report["fall"]:
        colour = COLOUR["saved by parachute" if excused else "deadly fall"]
        (x0, y0), (x1, y1) = centre(fc, fr), centre(tc, tr)
        draw.line((x0, y0, x1, y1), fill=colour, width=1)
        draw.ellipse((x1 - 3, y1 - 3, x1 + 3, y1 + 3), outline=colour)
    for (c, stuck), (x0, x1) in arena_check.ladder_holes(report).items():
        y = 20 + 20 * stuck  # the underside of the ceiling
        draw.rectangle((20 * c, y - 3, 20 * c + 19, y + 2), outline=COLOUR["narrow ladder"])
        draw.rectangle((x0, y - 3, x1, y + 2), fill=COLOUR["narrow ladder"])
    for _, _, _, cells in report["trap"]:
        for c, r in cells:
            draw.rectangle((20 * c, 20 + 20 * r, 20 * c + 19, 39 + 20 * r), outline=COLOUR["trap"], width=2)
    for c, r, fate in report["spawn"]:
        if fate != "rests":  # a death loop
            draw.line((20 * c, 20 + 20 * r, 20 * c + 19, 39 + 20 * r), fill=COLOUR["trap"], width=2)
            draw.line((20 * c + 19, 20 + 20 * r, 20 * c, 39 + 20 * r), fill=COLOUR["trap"], width=2)
    x = 4
    draw.rectangle((0, 0, 639, 19), fill=(0, 0, 0))
    for name, colour in FINDINGS:
        draw.rectangle((x, 6, x + 8, 14), fill=colour)
        draw.text((x + 12, 4), name, fill=(255, 255, 255))
        x += 22 + int(draw.textlength(name))


def save(arena, name, out, gfx, plain=False, check=False):
    if Image is None:
        raise ArenaError("render needs Pillow: install Debian's python3-pil (apt-get install python3-pil) "
                         "and run the tool with /usr/bin/python3")
    extension = os.path.splitext(out)[1].lower()
    if extension not in Image.registered_extensions():
        raise ArenaError("%s: cannot write pictures of type '%s'; use .png" % (out, extension))
    for sheet in ("walls.png", "items.png", "hud.png"):
        if not os.path.isfile(os.path.join(gfx, sheet)):
            raise ArenaError("%s: no %s there: --gfx names the game's gfx folder" % (gfx, sheet))
    img = render(arena, gfx)
    if check:
        import arena_check
        draw_findings(img, arena, arena_check.explore(arena))
    if not plain:
        draw = ImageDraw.Draw(img)
        spawns = [i for i in range(CELLS) if arena.attrs[i] == SPAWN]
        for n, i in enumerate(spawns):
            x, y = 20 * (i % COLUMNS), 20 + 20 * (i // COLUMNS)
            draw.rectangle((x + 1, y + 1, x + 18, y + 18), outline=(80, 220, 255))
            draw.text((x + 7, y + 4), str(n), fill=(80, 220, 255))
    data = io.BytesIO()
    img.save(data, format=Image.registered_extensions()[extension])
    write_file(out, data.getvalue())

