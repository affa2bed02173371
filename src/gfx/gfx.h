// Floor 2, gfx: the drawing primitives every picture goes through.
// Stands on media (1): loads the font with its image loader and draws onto `screen`.
// Bitmap font text, square sprite frames and 20x20 tiles cut from sheets, and
// the frame list that draws only the parts of a frame that changed.
// Owns the two loads of the font, `fontPlain` and `fontKeyed`: process
// lifetime, set by loadFonts at start-up and never freed; and the frame list's
// memory of the last listed frame (process; forgotten by forgetFrameList).
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

// A box of the screen filled with one colour, and a part of a picture copied
// onto the screen at (x, y): the plain SDL drawings of a frame, here so that
// a frame list notes them too.
void fillBox(SDL_Rect box, Uint32 colour);
void drawPicture(SDL_Surface *picture, SDL_Rect part, int x, int y);

// What SDL_BlitSurface(picture, &part, dest, {x, y}) draws, with the same
// clipping; done by the game itself between surfaces of one 16-bit format.
void copyPicture(SDL_Surface *picture, SDL_Rect part, SDL_Surface *dest, int x, int y);

// --- a frame drawn as a list ---
// Between beginFrameList and finishFrameList the drawing functions above, aimed
// at the screen, are noted instead of done. The finish compares each cell of
// the screen (ListCellSize pixels square) with the last listed frame: a cell
// whose drawings are the same, in the same order, still shows the same
// pixels, so only the drawings that touch a changed cell are done, and only
// the changed cells go to the present. The picture is the same as drawing
// everything. Drawing on the screen outside a list must be followed by a
// present or by forgetFrameList; the next list then draws the whole screen.
constexpr int ListCellSize = 20;
constexpr int ListColumns = 32;
constexpr int ListRows = 24;
constexpr int ListCells = ListColumns * ListRows;  // index = row * 32 + column

void beginFrameList();
void finishFrameList();
void forgetFrameList();

// A layer drawn cell by cell (the arena's tiles): a key for every cell of the
// screen, equal keys drawing equal pixels into their cell and nowhere else;
// `draw` paints the cells marked in `cells` from their keys.
using CellLayerDrawing = void (*)(const Uint32 *keys, const bool *cells);
void drawCellLayer(const Uint32 keys[ListCells], CellLayerDrawing draw);

// For this floor's drawing functions: true when a list is open and the drawing
// goes to the screen, so it is to be noted, not done.
bool listingOnto(const SDL_Surface *surface);
void notePicture(SDL_Surface *picture, SDL_Rect part, int x, int y);
void noteText(SDL_Surface *font, int x, int y, const char *text, int flags);
