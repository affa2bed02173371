// Sprite frames and tiles cut from sheets of 8 cells per row, and pictures.
#include "gfx/gfx.h"

#include "media/media.h"

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

void drawPicture(SDL_Surface *picture, SDL_Rect part, int x, int y)
{
    if (!picture || !screen || !nearScreen(x, y))
        return;
    if (listingOnto(screen))
        return notePicture(picture, part, x, y);
    SDL_Rect target = {static_cast<Sint16>(x), static_cast<Sint16>(y), 0, 0};
    SDL_BlitSurface(picture, &part, screen, &target);
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
