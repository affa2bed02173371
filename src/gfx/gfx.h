// Floor 2, gfx: the drawing primitives every picture goes through.
// Stands on media (1): loads the font with its image loader and draws onto `screen`.
// Bitmap font text, square sprite frames and 20x20 tiles cut from sheets.
// Owns the two loads of the font, `fontPlain` and `fontKeyed`: process
// lifetime, set by loadFonts at start-up and never freed.
#pragma once

#include <SDL.h>

// --- process lifetime: set by loadFonts, never freed ---
extern SDL_Surface *fontPlain;  // gfx/myfont.gif without a colour key (intro text)
extern SDL_Surface *fontKeyed;  // the same font keyed on its first pixel (HUD, end scene)

void loadFonts();

constexpr int TextCentreVertically = 1;
constexpr int TextCentreHorizontally = 2;

// One line of Windows-1250 text in the two-row font; flags centre it on (x, y).
void drawText(SDL_Surface *dest, SDL_Surface *font, int x, int y, const char *text, int flags);

// Square frame `frame` of a sheet with 8 frames per row, top-left corner at (x, y).
void drawSprite(int x, int y, SDL_Surface *sheet, int frame);

// 20x20 cell `tile` of a tile sheet with 8 cells per row, top-left corner at (x, y).
void drawTile(int x, int y, SDL_Surface *sheet, int tile);
