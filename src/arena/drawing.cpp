// The arena's picture in two layers drawn cell by cell: the black playfield
// with the item tiles, then (after the world objects) the wall tiles on top.
// In a frame list only the cells whose tiles changed are drawn again.
#include "arena/arena.h"

#include "gfx/gfx.h"
#include "media/media.h"

#include <bitset>
#include <cstring>
#include <vector>

static int animationOffset(const Arena &arena, int animationTick, int cell)
{
    int attribute = arena.AttributeLayer[cell];
    if (attribute == AttributeDamaging || attribute == AttributeAnimated)
        return (animationTick / 10) % 3;
    return 0;
}

static bool wholeScreenClip()
{
    const SDL_Rect &clip = screen->clip_rect;
    return clip.x == 0 && clip.y == 0 && clip.w == screen->w && clip.h == screen->h;
}

// The screen the layers are drawn on cell by cell; any other is drawn whole, tile by tile.
static bool cellScreen()
{
    return screen->w == ListColumns * CellSize && screen->h == ListRows * CellSize;
}

static void drawWallTiles(const Uint16 *walls, SDL_Surface *sheet)
{
    for (int column = 0; column < ArenaColumns; column++)
        for (int row = 0; row < ArenaRows; row++)
            drawTile(column * CellSize, HudHeight + row * CellSize, sheet, walls[row * ArenaColumns + column] - 1);
}

// --- per arena: the wall layer drawn once, rebuilt whenever the walls, their
// sheet or the screen's shape differ from what it was drawn for ---
// About 200 keyed tile blits a frame become a copy of the runs of wall pixels
// (SDL's keyed blit of a whole screen-sized picture costs as much as the tiles).
struct WallRun {
    int offset;  // bytes from the top-left pixel, the same on the picture and the screen
    int bytes;
};
static struct {
    SDL_Surface *picture;       // nullptr: draw tile by tile
    std::vector<WallRun> runs;  // the wall pixels, cell by cell of the screen
    std::vector<int> firstRun;  // of each cell, and the end after the last
    std::vector<bool> covered;  // cells no pixel of the playfield shows through
    SDL_Surface *sheet;
    SDL_Surface *target;  // the screen it was made for
    int width, height, pitch;
    Uint32 format[4];  // bits per pixel and the three colour masks
    Uint16 walls[ArenaCells];
    bool valid;
} wallPicture;

static void describeTarget(Uint32 format[4])
{
    format[0] = screen->format->BitsPerPixel;
    format[1] = screen->format->Rmask;
    format[2] = screen->format->Gmask;
    format[3] = screen->format->Bmask;
}

static bool wallPictureFits(const Uint16 *walls, SDL_Surface *sheet)
{
    Uint32 format[4];
    describeTarget(format);
    return wallPicture.valid && wallPicture.sheet == sheet && wallPicture.target == screen &&
           wallPicture.width == screen->w && wallPicture.height == screen->h && wallPicture.pitch == screen->pitch &&
           memcmp(wallPicture.format, format, sizeof format) == 0 &&
           memcmp(wallPicture.walls, walls, sizeof wallPicture.walls) == 0;
}

static Uint16 pixelOf(const SDL_Surface *surface, int x, int y)
{
    Uint16 pixel;
    memcpy(&pixel, static_cast<const Uint8 *>(surface->pixels) + y * surface->pitch + 2 * x, sizeof pixel);
    return pixel;
}

// A 16-bit colour the sheet does not hold anywhere, so that no wall pixel can
// be taken for the picture's empty background; -1 if it holds them all.
static int colourMissingFrom(SDL_Surface *sheet)
{
    static std::bitset<65536> used;
    used.reset();
    if (SDL_LockSurface(sheet) != 0)
        return -1;
    for (int y = 0; y < sheet->h; y++)
        for (int x = 0; x < sheet->w; x++)
            used.set(pixelOf(sheet, x, y));
    SDL_UnlockSurface(sheet);
    for (int colour = 0; colour < 65536; colour++)
        if (!used.test(colour))
            return colour;
    return -1;
}

// The runs of drawn pixels, cell by cell and row by row, of a picture filled
// with `background` before, and the cells the walls fill whole.
static bool findWallRuns(SDL_Surface *picture, Uint16 background)
{
    wallPicture.runs.clear();
    wallPicture.firstRun.assign(ListCells + 1, 0);
    wallPicture.covered.assign(ListCells, false);
    if (SDL_LockSurface(picture) != 0)
        return false;
    for (int cell = 0; cell < ListCells; cell++) {
        wallPicture.firstRun[cell] = static_cast<int>(wallPicture.runs.size());
        int left = cell % ListColumns * CellSize, top = cell / ListColumns * CellSize;
        int wallPixels = 0;
        for (int y = top; y < top + CellSize && top >= HudHeight; y++)
            for (int x = left; x < left + CellSize;) {
                bool wall = pixelOf(picture, x, y) != background;
                int end = x + 1;
                while (end < left + CellSize && (pixelOf(picture, end, y) != background) == wall)
                    end++;
                if (wall) {
                    wallPicture.runs.push_back({y * picture->pitch + 2 * x, 2 * (end - x)});
                    wallPixels += end - x;
                }
                x = end;
            }
        wallPicture.covered[cell] = wallPixels == CellSize * CellSize;
    }
    wallPicture.firstRun[ListCells] = static_cast<int>(wallPicture.runs.size());
    SDL_UnlockSurface(picture);
    return true;
}

// The walls on a screen-sized picture, with the runs to copy from it; nullptr
// where that cannot be exact (a blended sheet, other depths) or made.
static SDL_Surface *makeWallPicture(const Uint16 *walls, SDL_Surface *sheet)
{
    const SDL_PixelFormat *display = screen->format;
    const SDL_PixelFormat *own = sheet->format;
    bool sameFormat = own->BitsPerPixel == 16 && display->BitsPerPixel == 16 && own->Rmask == display->Rmask &&
                      own->Gmask == display->Gmask && own->Bmask == display->Bmask;
    if (!sameFormat || (sheet->flags & SDL_SRCALPHA) || !cellScreen())
        return nullptr;
    int background = colourMissingFrom(sheet);
    if (background < 0)
        return nullptr;
    SDL_Surface *picture = SDL_CreateRGBSurface(SDL_SWSURFACE, screen->w, screen->h, 16, display->Rmask, display->Gmask,
                                                display->Bmask, 0);
    if (!picture)
        return nullptr;
    if (picture->pitch != screen->pitch) {
        SDL_FreeSurface(picture);
        return nullptr;
    }
    SDL_FillRect(picture, nullptr, static_cast<Uint32>(background));
    SDL_Surface *shown = screen;
    screen = picture;
    drawWallTiles(walls, sheet);
    screen = shown;
    if (!findWallRuns(picture, static_cast<Uint16>(background))) {
        SDL_FreeSurface(picture);
        return nullptr;
    }
    return picture;
}

void prepareWallLayer(const Arena &arena)
{
    SDL_Surface *sheet = slotImage(ImageSlot::WallTiles);
    if (!screen || !sheet || wallPictureFits(arena.WallLayer, sheet))
        return;
    if (wallPicture.picture)
        SDL_FreeSurface(wallPicture.picture);
    wallPicture.picture = makeWallPicture(arena.WallLayer, sheet);
    wallPicture.sheet = sheet;
    wallPicture.target = screen;
    wallPicture.width = screen->w;
    wallPicture.height = screen->h;
    wallPicture.pitch = screen->pitch;
    describeTarget(wallPicture.format);
    memcpy(wallPicture.walls, arena.WallLayer, sizeof wallPicture.walls);
    wallPicture.valid = true;
    forgetFrameList();  // the last frame's walls are not these
}

void forgetWallLayer()
{
    wallPicture.valid = false;
}

// Black below the HUD strip, then the cell's item tile; a cell the wall
// picture fills whole at the end of the frame is left as it is. SDL fills
// large areas with stores that bypass the cache, so every blit after it and
// the present would read the screen back from memory; black is all zero bytes
// in every pixel format. A cell's rows are cleared whole: the walls copied
// over them later cost less than clearing around them run by run.
static void drawPlayfield(const Uint32 *keys, const bool *cells, bool walled)
{
    bool locked = wholeScreenClip() && SDL_LockSurface(screen) == 0;
    Uint8 *pixels = static_cast<Uint8 *>(screen->pixels);
    int depth = screen->format->BytesPerPixel;
    SDL_Surface *items = slotImage(ImageSlot::ItemTiles);
    for (int cell = ListColumns; cell < ListCells; cell++) {
        if (!cells[cell] || (walled && wallPicture.covered[cell]))
            continue;
        int x = cell % ListColumns * CellSize, y = cell / ListColumns * CellSize;
        if (locked && depth == 2) {  // the screen's own depth: a fixed size, written out as a few stores
            for (int row = y; row < y + CellSize; row++)
                memset(pixels + row * screen->pitch + x * 2, 0, CellSize * 2);
        } else if (locked) {
            for (int row = y; row < y + CellSize; row++)
                memset(pixels + row * screen->pitch + x * depth, 0, CellSize * depth);
        } else {
            SDL_Rect box = {static_cast<Sint16>(x), static_cast<Sint16>(y), CellSize, CellSize};
            SDL_FillRect(screen, &box, 0);
        }
    }
    if (locked)
        SDL_UnlockSurface(screen);
    for (int cell = ListColumns; cell < ListCells; cell++)
        if (cells[cell] && (keys[cell] & 0xffff) && !(walled && wallPicture.covered[cell]))
            drawTile(cell % ListColumns * CellSize, cell / ListColumns * CellSize, items,
                     static_cast<int>(keys[cell] & 0xffff) - 1);
}

// Two layers, so that a frame list sees the change when the wall picture comes or goes.
static void drawWalledPlayfield(const Uint32 *keys, const bool *cells)
{
    drawPlayfield(keys, cells, true);
}

static void drawBarePlayfield(const Uint32 *keys, const bool *cells)
{
    drawPlayfield(keys, cells, false);
}

// After the preparation the picture, if there is one, is the arena's.
static bool wallPictureShown(const Arena &arena)
{
    SDL_Surface *sheet = slotImage(ImageSlot::WallTiles);
    if (!sheet || !screen)
        return false;
    prepareWallLayer(arena);
    return wallPicture.picture != nullptr;
}

// The screen cell of an arena cell: the arena starts one cell row down, below the HUD strip.
static int screenCell(int cell)
{
    return cell + ArenaColumns * (HudHeight / CellSize);
}

void drawItemLayer(const Arena &arena, int animationTick)
{
    if (!screen)
        return;
    if (!cellScreen()) {
        if (screen->h > HudHeight) {
            SDL_Rect playfield = {0, HudHeight, static_cast<Uint16>(screen->w),
                                  static_cast<Uint16>(screen->h - HudHeight)};
            SDL_FillRect(screen, &playfield, 0);
        }
        for (int cell = 0; cell < ArenaCells; cell++)
            drawTile(cell % ArenaColumns * CellSize, HudHeight + cell / ArenaColumns * CellSize,
                     slotImage(ImageSlot::ItemTiles),
                     arena.ItemLayer[cell] + animationOffset(arena, animationTick, cell) - 1);
        return;
    }
    // A cell's key: its wall (which decides what the clear leaves) and its item tile counted from 1.
    Uint32 keys[ListCells] = {};
    for (int cell = 0; screenCell(cell) < ListCells; cell++) {
        int tile = arena.ItemLayer[cell] + animationOffset(arena, animationTick, cell);
        keys[screenCell(cell)] = Uint32{arena.WallLayer[cell]} << 16 | static_cast<Uint32>(tile > 0xffff ? 0 : tile);
    }
    drawCellLayer(keys, wallPictureShown(arena) ? drawWalledPlayfield : drawBarePlayfield);
}

static void drawWallTileCells(const Uint32 *keys, const bool *cells)
{
    for (int cell = ListColumns; cell < ListCells; cell++)
        if (cells[cell])
            drawTile(cell % ListColumns * CellSize, cell / ListColumns * CellSize, slotImage(ImageSlot::WallTiles),
                     static_cast<int>(keys[cell]) - 1);
}

static void copyWallCells(const Uint32 *keys, const bool *cells)
{
    if (SDL_LockSurface(screen) != 0)
        return drawWallTileCells(keys, cells);
    const Uint8 *from = static_cast<const Uint8 *>(wallPicture.picture->pixels);
    Uint8 *to = static_cast<Uint8 *>(screen->pixels);
    for (int cell = ListColumns; cell < ListCells; cell++) {
        if (!cells[cell])
            continue;
        if (wallPicture.covered[cell]) {  // rows of one size, copied without a call
            int offset = wallPicture.runs[wallPicture.firstRun[cell]].offset;
            for (int row = 0; row < CellSize; row++, offset += screen->pitch)
                memcpy(to + offset, from + offset, CellSize * 2);
            continue;
        }
        for (int run = wallPicture.firstRun[cell]; run < wallPicture.firstRun[cell + 1]; run++)
            memcpy(to + wallPicture.runs[run].offset, from + wallPicture.runs[run].offset, wallPicture.runs[run].bytes);
    }
    SDL_UnlockSurface(screen);
}

void drawWallLayer(const Arena &arena)
{
    SDL_Surface *sheet = slotImage(ImageSlot::WallTiles);
    if (!screen || !sheet)
        return;
    if (!cellScreen())
        return drawWallTiles(arena.WallLayer, sheet);
    Uint32 keys[ListCells] = {};
    for (int cell = 0; screenCell(cell) < ListCells; cell++)
        keys[screenCell(cell)] = arena.WallLayer[cell];
    bool copied = wallPictureShown(arena) && wholeScreenClip();
    drawCellLayer(keys, copied ? copyWallCells : drawWallTileCells);
}
