// Presentation: the drawing primitives every picture of the game goes through.
// Bitmap font text, square sprite frames and 20x20 tiles, all cut from sheets
// of the media catalogue. Owns no globals; draws onto `screen` (shell.h).
#pragma once

#include <SDL.h>

constexpr int TextCentreVertically = 1;
constexpr int TextCentreHorizontally = 2;

// One line of Windows-1250 text in the two-row font; flags centre it on (x, y).
void drawText(SDL_Surface *dest, SDL_Surface *font, int x, int y, const char *text, int flags);

// Square frame `frame` of a sheet with 8 frames per row, top-left corner at (x, y).
void drawSprite(int x, int y, SDL_Surface *sheet, int frame);

// 20x20 cell `tile` of a tile sheet with 8 cells per row, top-left corner at (x, y).
void drawTile(int x, int y, SDL_Surface *sheet, int tile);
