// The font's two loads, and text in the two-row bitmap font: printable ASCII
// in row 0, the fifteen Czech lower-case letters of Windows-1250 and its
// ellipsis in row 1. Any other byte above 126 (upper-case Czech letters
// included) has no glyph and shows as a blank cell.
#include "gfx/gfx.h"

#include "media/media.h"

#include <cstring>

SDL_Surface *fontPlain;
SDL_Surface *fontKeyed;

static const char FontPath[] = "gfx/myfont.gif";

void loadFonts()
{
    fontPlain = loadImage(FontPath, 0);
    fontKeyed = loadImage(FontPath, 1);
}

// Row 1 of the sheet: the Czech letters, then the ellipsis.
static const unsigned char secondRow[16] = {
    0xEC, 0x9A, 0xE8, 0xF8, 0x9E, 0xFD, 0xE1, 0xED, 0xE9, 0xEF, 0xF2, 0xF3, 0x9D, 0xFA, 0xF9, 0x85,
};

// Glyph index in the sheet, or -1 for a byte the font has no glyph for.
static int glyphIndex(unsigned char byte)
{
    for (int i = 0; i < 16; i++)
        if (secondRow[i] == byte)
            return 94 + i;
    if (byte > 126)
        return -1;
    return byte - 33;
}

void drawText(SDL_Surface *dest, SDL_Surface *font, int x, int y, const char *text, int flags)
{
    if (!dest || !font || !text)
        return;
    if (listingOnto(dest))
        return noteText(font, x, y, text, flags);
    int glyphWidth = font->w / 94;
    int glyphHeight = font->h / 2;
    long length = static_cast<long>(strlen(text));
    if (flags & TextCentreVertically)
        y -= font->h / 4;
    if (flags & TextCentreHorizontally)
        x -= static_cast<int>((static_cast<long>(font->w) * length) / 188);

    // Rectangles hold 16-bit positions: text far off the screen is not drawn at all.
    if (y < -4096 || y > 4096)
        return;

    bool keyed = (font->flags & SDL_SRCCOLORKEY) != 0;
    int penX = x;
    for (const unsigned char *p = reinterpret_cast<const unsigned char *>(text); *p; p++, penX += glyphWidth) {
        if (penX > 4096)
            break;
        if (penX < -4096)
            continue;
        int glyph = *p > 32 ? glyphIndex(*p) : -1;
        if (glyph >= 0) {
            int row = glyph / 94;
            int column = glyph % 94;
            SDL_Rect source = {static_cast<Sint16>((column * font->w) / 94), static_cast<Sint16>(row * glyphHeight),
                               static_cast<Uint16>(glyphWidth), static_cast<Uint16>(glyphHeight)};
            copyPicture(font, source, dest, penX, y);
        } else if (!keyed) {
            // Spaces and bytes without a glyph paint a black cell with the opaque font.
            SDL_Rect cell = {static_cast<Sint16>(penX), static_cast<Sint16>(y), static_cast<Uint16>(glyphWidth),
                             static_cast<Uint16>(glyphHeight)};
            SDL_FillRect(dest, &cell, 0);
        }
    }
}
