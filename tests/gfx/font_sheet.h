// A font sheet for tests: 2 rows of 94 cells placed as drawText cuts them, each
// cell filled with a colour of its own except its first column, which holds the
// key colour (magenta), as does the sheet's top-left pixel.
#pragma once

#include "media/media.h"

#include <SDL.h>

// The pixel value of a glyph's colour on a surface (the screen by default).
inline Uint32 glyphColour(int glyph, SDL_Surface *surface = screen)
{
    return SDL_MapRGB(surface->format, static_cast<Uint8>((glyph % 16) * 16),
                      static_cast<Uint8>((glyph / 16) * 20 + 20), 100);
}

inline Uint32 keyColour()
{
    return SDL_MapRGB(screen->format, 255, 0, 255);
}

inline SDL_Surface *makeFontSheet(int width, int height, bool keyed)
{
    SDL_Surface *plain = SDL_CreateRGBSurface(SDL_SWSURFACE, width, height, 16, 0xF800, 0x07E0, 0x001F, 0);
    SDL_Surface *sheet = SDL_DisplayFormat(plain);
    SDL_FreeSurface(plain);
    Uint32 key = SDL_MapRGB(sheet->format, 255, 0, 255);
    int glyphHeight = height / 2;
    for (int glyph = 0; glyph < 188; glyph++) {
        int column = glyph % 94;
        int left = (column * width) / 94;
        int right = ((column + 1) * width) / 94;
        SDL_Rect cell = {static_cast<Sint16>(left), static_cast<Sint16>((glyph / 94) * glyphHeight),
                         static_cast<Uint16>(right - left), static_cast<Uint16>(glyphHeight)};
        SDL_FillRect(sheet, &cell, glyphColour(glyph, sheet));
        cell.w = 1;
        SDL_FillRect(sheet, &cell, key);
    }
    if (keyed)
        SDL_SetColorKey(sheet, SDL_SRCCOLORKEY, key);
    return sheet;
}
