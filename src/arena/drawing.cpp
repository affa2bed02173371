// The arena's picture, painted every frame in two halves: the black playfield
// with the item tiles, then (after the world objects) the wall tiles on top.
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
    SDL_Surface *picture;  // nullptr: draw tile by tile
    std::vector<WallRun> runs;
    std::vector<WallRun> gaps;  // the playfield's pixels that no wall covers
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

// The runs of drawn pixels, row by row, of a picture filled with `background` before.
static bool findWallRuns(SDL_Surface *picture, Uint16 background)
{
    wallPicture.runs.clear();
    if (SDL_LockSurface(picture) != 0)
        return false;
    wallPicture.gaps.clear();
    for (int y = 0; y < picture->h; y++) {
        int gap = 0;  // where the row's pixels without a wall begin
        for (int x = 0; x <= picture->w;) {
            if (x < picture->w && pixelOf(picture, x, y) == background) {
                x++;
                continue;
            }
            if (x > gap && y >= HudHeight)
                wallPicture.gaps.push_back({y * picture->pitch + 2 * gap, 2 * (x - gap)});
            int end = x;
            while (end < picture->w && pixelOf(picture, end, y) != background)
                end++;
            if (end > x)
                wallPicture.runs.push_back({y * picture->pitch + 2 * x, 2 * (end - x)});
            gap = end;
            x = end + 1;
        }
    }
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
    if (!sameFormat || (sheet->flags & SDL_SRCALPHA))
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
}

void forgetWallLayer()
{
    wallPicture.valid = false;
}

// Black below the HUD strip, except where the wall picture covers it at the
// end of the frame anyway. SDL fills large areas with stores that bypass the
// cache, so every blit after it and the present would read the screen back
// from memory; black is all zero bytes in every pixel format.
static void clearPlayfield(const Arena &arena)
{
    if (screen->h <= HudHeight)
        return;
    SDL_Surface *sheet = slotImage(ImageSlot::WallTiles);
    if (sheet)
        prepareWallLayer(arena);
    bool walled = sheet && wallPicture.picture && wallPictureFits(arena.WallLayer, sheet);
    if (!wholeScreenClip() || SDL_LockSurface(screen) != 0) {
        SDL_Rect playfield = {0, HudHeight, static_cast<Uint16>(screen->w), static_cast<Uint16>(screen->h - HudHeight)};
        SDL_FillRect(screen, &playfield, 0);
        return;
    }
    Uint8 *rows = static_cast<Uint8 *>(screen->pixels);
    if (walled) {
        for (const WallRun &gap : wallPicture.gaps)
            memset(rows + gap.offset, 0, gap.bytes);
    } else {
        int bytes = screen->w * screen->format->BytesPerPixel;
        for (int y = HudHeight; y < screen->h; y++)
            memset(rows + y * screen->pitch, 0, bytes);
    }
    SDL_UnlockSurface(screen);
}

void drawItemLayer(const Arena &arena, int animationTick)
{
    if (!screen)
        return;
    clearPlayfield(arena);

    for (int column = 0; column < ArenaColumns; column++)
        for (int row = 0; row < ArenaRows; row++) {
            int cell = row * ArenaColumns + column;
            drawTile(column * CellSize, HudHeight + row * CellSize, slotImage(ImageSlot::ItemTiles),
                     arena.ItemLayer[cell] + animationOffset(arena, animationTick, cell) - 1);
        }
}

void drawWallLayer(const Arena &arena)
{
    SDL_Surface *sheet = slotImage(ImageSlot::WallTiles);
    if (!screen || !sheet)
        return;
    prepareWallLayer(arena);
    if (!wallPicture.picture || !wholeScreenClip() || SDL_LockSurface(screen) != 0) {
        drawWallTiles(arena.WallLayer, sheet);
        return;
    }
    const Uint8 *from = static_cast<const Uint8 *>(wallPicture.picture->pixels);
    Uint8 *to = static_cast<Uint8 *>(screen->pixels);
    for (const WallRun &run : wallPicture.runs)
        memcpy(to + run.offset, from + run.offset, run.bytes);
    SDL_UnlockSurface(screen);
}
