// Sprite frames and tiles cut from sheets of 8 cells per row, and pictures.
#include "gfx/gfx.h"

#include "media/media.h"

#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Positions far off the screen would wrap around in SDL's 16-bit rectangles.
static bool nearScreen(int x, int y)
{
    return x > -4096 && x < 4096 && y > -4096 && y < 4096;
}

static void blitCell(SDL_Surface *sheet, int left, int top, int size, int x, int y)
{
    SDL_Rect source = {static_cast<Sint16>(left), static_cast<Sint16>(top), static_cast<Uint16>(size),
                       static_cast<Uint16>(size)};
    drawPicture(sheet, source, x, y);
}

// Every sheet is in the screen's 16-bit format, most with a colour key. SDL
// compares each keyed pixel one by one (sdl12-compat never asks SDL2 for its
// run-length blit, whatever the flags say), which made the blits of sprites,
// tiles and glyphs the larger part of a frame's drawing; eight pixels at a
// time they cost a fifth. Anything else SDL blits.
static bool copiedByHand(const SDL_Surface *picture, const SDL_Surface *dest)
{
    const SDL_PixelFormat *from = picture->format, *to = dest->format;
    return picture != dest && from->BytesPerPixel == 2 && to->BytesPerPixel == 2 && from->Rmask == to->Rmask &&
           from->Gmask == to->Gmask && from->Bmask == to->Bmask && from->Amask == 0 && to->Amask == 0 &&
           !(picture->flags & SDL_SRCALPHA);
}

// One row: the pixels that are not `key` (all of them when not keyed).
static void copyRow(const Uint16 *from, Uint16 *to, int width, bool keyed, Uint16 key)
{
    if (!keyed) {
        memcpy(to, from, static_cast<size_t>(width) * 2);
        return;
    }
    int x = 0;
#if defined(__SSE2__)
    const __m128i keys = _mm_set1_epi16(static_cast<short>(key));
    for (; x + 8 <= width; x += 8) {
        __m128i picture = _mm_loadu_si128(reinterpret_cast<const __m128i *>(from + x));
        __m128i shown = _mm_loadu_si128(reinterpret_cast<const __m128i *>(to + x));
        __m128i clear = _mm_cmpeq_epi16(picture, keys);
        __m128i mixed = _mm_or_si128(_mm_and_si128(clear, shown), _mm_andnot_si128(clear, picture));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(to + x), mixed);
    }
#endif
    for (; x < width; x++)
        if (from[x] != key)
            to[x] = from[x];
}

void copyPicture(SDL_Surface *picture, SDL_Rect part, SDL_Surface *dest, int x, int y)
{
    if (!copiedByHand(picture, dest)) {
        SDL_Rect target = {static_cast<Sint16>(x), static_cast<Sint16>(y), 0, 0};
        SDL_BlitSurface(picture, &part, dest, &target);
        return;
    }
    // SDL_BlitSurface's clipping: the part to the picture, then the target to the clip rectangle.
    int left = part.x, top = part.y, width = part.w, height = part.h;
    x = static_cast<Sint16>(x);
    y = static_cast<Sint16>(y);
    if (left < 0) {
        width += left;
        x -= left;
        left = 0;
    }
    if (top < 0) {
        height += top;
        y -= top;
        top = 0;
    }
    width = width < picture->w - left ? width : picture->w - left;
    height = height < picture->h - top ? height : picture->h - top;
    const SDL_Rect &clip = dest->clip_rect;
    if (clip.x > x) {
        width -= clip.x - x;
        left += clip.x - x;
        x = clip.x;
    }
    if (clip.y > y) {
        height -= clip.y - y;
        top += clip.y - y;
        y = clip.y;
    }
    width = width < clip.x + clip.w - x ? width : clip.x + clip.w - x;
    height = height < clip.y + clip.h - y ? height : clip.y + clip.h - y;
    // Software surfaces need no lock, whose call costs as much as a small sprite's pixels.
    bool lockDest = SDL_MUSTLOCK(dest), lockPicture = SDL_MUSTLOCK(picture);
    if (width <= 0 || height <= 0 || (lockDest && SDL_LockSurface(dest) != 0))
        return;
    if (!lockPicture || SDL_LockSurface(picture) == 0) {
        bool keyed = (picture->flags & SDL_SRCCOLORKEY) != 0;
        Uint16 key = static_cast<Uint16>(picture->format->colorkey);
        for (int row = 0; row < height; row++)
            copyRow(reinterpret_cast<const Uint16 *>(static_cast<const Uint8 *>(picture->pixels) +
                                                     (top + row) * picture->pitch) +
                        left,
                    reinterpret_cast<Uint16 *>(static_cast<Uint8 *>(dest->pixels) + (y + row) * dest->pitch) + x, width,
                    keyed, key);
        if (lockPicture)
            SDL_UnlockSurface(picture);
    }
    if (lockDest)
        SDL_UnlockSurface(dest);
}

void drawPicture(SDL_Surface *picture, SDL_Rect part, int x, int y)
{
    if (!picture || !screen || !nearScreen(x, y))
        return;
    if (listingOnto(screen))
        return notePicture(picture, part, x, y);
    copyPicture(picture, part, screen, x, y);
}

void drawSprite(int x, int y, SDL_Surface *sheet, int frame)
{
    if (!sheet || !screen || frame < 0 || !nearScreen(x, y))
        return;
    int size = sheet->w / 8;
    // Frames past the sheet's last row lie outside it; the blit clips them away.
    if (frame / 8 > 4096 / (size > 0 ? size : 1))
        return;
    blitCell(sheet, (frame % 8) * size, (frame / 8) * size, size, x, y);
}

void drawTile(int x, int y, SDL_Surface *sheet, int tile)
{
    if (!sheet || !screen || tile < 0 || tile > (sheet->h * 8) / 20 || !nearScreen(x, y))
        return;
    blitCell(sheet, (tile % 8) * 20, (tile / 8) * 20, 20, x, y);
}
