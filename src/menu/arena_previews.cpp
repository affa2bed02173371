// The arenas of maps/: each loaded once, checked, and drawn by the game's own
// arena drawing into a full-size picture that is then shrunk to miniatures;
// and the fighters' pictures, made once from the players sheet.
#include "arena/arena.h"
#include "gfx/gfx.h"
#include "media/media.h"
#include "menu/menu.h"
#include "world/world.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>

constexpr const char *VictoryStage = "win1";
constexpr int PreviewFactor = 2;    // 320x230
constexpr int ThumbnailFactor = 8;  // 80x57
constexpr int FighterPictureSize = 40;

SDL_Surface *shrinkSurface(SDL_Surface *source, SDL_Rect part, int factor)
{
    int width = part.w / factor;
    int height = part.h / factor;
    SDL_PixelFormat *format = source->format;
    SDL_Surface *small =
        SDL_CreateRGBSurface(SDL_SWSURFACE, width, height, 16, format->Rmask, format->Gmask, format->Bmask, 0);
    if (!small || SDL_LockSurface(source) != 0)
        return small;
    SDL_LockSurface(small);
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            int red = 0, green = 0, blue = 0;
            for (int dy = 0; dy < factor; dy++) {
                const Uint8 *row =
                    static_cast<const Uint8 *>(source->pixels) + (part.y + y * factor + dy) * source->pitch;
                for (int dx = 0; dx < factor; dx++) {
                    Uint16 pixel = reinterpret_cast<const Uint16 *>(row)[part.x + x * factor + dx];
                    Uint8 r, g, b;
                    SDL_GetRGB(pixel, format, &r, &g, &b);
                    red += r;
                    green += g;
                    blue += b;
                }
            }
            int box = factor * factor;
            Uint8 *row = static_cast<Uint8 *>(small->pixels) + y * small->pitch;
            reinterpret_cast<Uint16 *>(row)[x] =
                static_cast<Uint16>(SDL_MapRGB(small->format, static_cast<Uint8>(red / box),
                                               static_cast<Uint8>(green / box), static_cast<Uint8>(blue / box)));
        }
    SDL_UnlockSurface(small);
    SDL_UnlockSurface(source);
    return small;
}

void makeFighterPictures(Menu &menu)
{
    freeFighterPictures(menu);
    SDL_Surface *sheet = slotImage(ImageSlot::Fighters);
    if (!sheet || sheet->w < 8 || !screen)
        return;
    int size = sheet->w / 8;
    int shown = std::min(2 * size, FighterPictureSize);
    SDL_PixelFormat *format = screen->format;
    SDL_Surface *cell =
        SDL_CreateRGBSurface(SDL_SWSURFACE, size, size, 16, format->Rmask, format->Gmask, format->Bmask, 0);
    if (!cell)
        return;
    Uint32 key = SDL_MapRGB(cell->format, 255, 0, 255);
    for (int skin = 0; skin < menu.skins; skin++) {
        SDL_FillRect(cell, nullptr, key);
        // The game's own sprite drawing, aimed at the cell for a moment.
        SDL_Surface *display = screen;
        screen = cell;
        drawSprite(0, 0, sheet, skin * 16);
        screen = display;
        SDL_Surface *picture =
            SDL_CreateRGBSurface(SDL_SWSURFACE, shown, shown, 16, format->Rmask, format->Gmask, format->Bmask, 0);
        if (picture && SDL_LockSurface(cell) == 0) {
            SDL_LockSurface(picture);
            for (int y = 0; y < shown; y++) {
                const auto *from = reinterpret_cast<const Uint16 *>(static_cast<const Uint8 *>(cell->pixels) +
                                                                    y * size / shown * cell->pitch);
                auto *to = reinterpret_cast<Uint16 *>(static_cast<Uint8 *>(picture->pixels) + y * picture->pitch);
                for (int x = 0; x < shown; x++)
                    to[x] = from[x * size / shown];
            }
            SDL_UnlockSurface(picture);
            SDL_UnlockSurface(cell);
            SDL_SetColorKey(picture, SDL_SRCCOLORKEY, key);
        }
        menu.fighterPictures.push_back(picture);
    }
    SDL_FreeSurface(cell);
}

void freeFighterPictures(Menu &menu)
{
    for (SDL_Surface *picture : menu.fighterPictures)
        if (picture)
            SDL_FreeSurface(picture);
    menu.fighterPictures.clear();
}

// The tiles the wall sheet holds; codes beyond them draw nothing.
static int wallTiles()
{
    SDL_Surface *sheet = slotImage(ImageSlot::WallTiles);
    return sheet ? (sheet->w / CellSize) * (sheet->h / CellSize) : ShippedWallTiles;
}

// Loads one arena into the layers and fills in its check and its miniatures.
void examineArena(ArenaChoice &choice)
{
    if (choice.examined)
        return;
    choice.examined = true;
    // One world for every preview: a short file keeps the codes of the arena before, as in the game.
    static World world;
    const Arena &arena = world.arena;
    if (!loadArena(world.arena, choice.path.c_str())) {
        choice.problems.push_back("the file does not load: it is too short or cannot be read");
        return;
    }
    for (Uint16 attribute : arena.AttributeLayer)
        choice.spawnPoints += attribute == AttributeSpawn;
    choice.problems = arenaProblems(arena, wallTiles());
    if (!screen)
        return;
    // One canvas for the menu's run, in the screen's format.
    static SDL_Surface *canvas = nullptr;
    if (!canvas)
        canvas = SDL_CreateRGBSurface(SDL_SWSURFACE, 640, 480, 16, screen->format->Rmask, screen->format->Gmask,
                                      screen->format->Bmask, 0);
    if (!canvas)
        return;
    // The game's own drawing, aimed at the canvas for a moment.
    SDL_Surface *display = screen;
    screen = canvas;
    drawArena(world, 0);
    screen = display;
    // Spawn points show as light blue frames: the players need to see where they start.
    Uint32 mark = SDL_MapRGB(canvas->format, 80, 220, 255);
    for (int cell = 0; cell < ArenaCells; cell++) {
        if (arena.AttributeLayer[cell] != AttributeSpawn)
            continue;
        Sint16 x = static_cast<Sint16>(cell % ArenaColumns * CellSize);
        Sint16 y = static_cast<Sint16>(HudHeight + cell / ArenaColumns * CellSize);
        SDL_Rect sides[] = {{x, y, 20, 2},
                            {x, static_cast<Sint16>(y + 18), 20, 2},
                            {x, y, 2, 20},
                            {static_cast<Sint16>(x + 18), y, 2, 20}};
        for (SDL_Rect &side : sides)
            SDL_FillRect(canvas, &side, mark);
    }
    SDL_Rect playfield = {0, HudHeight, 640, 460};
    choice.preview = shrinkSurface(canvas, playfield, PreviewFactor);
    choice.thumbnail = shrinkSurface(canvas, playfield, ThumbnailFactor);
}

static void freeArena(ArenaChoice &arena)
{
    if (arena.preview)
        SDL_FreeSurface(arena.preview);
    if (arena.thumbnail)
        SDL_FreeSurface(arena.thumbnail);
    arena.preview = arena.thumbnail = nullptr;
}

std::vector<ArenaChoice> listArenas(const char *folder, std::vector<ArenaChoice> &known)
{
    std::vector<ArenaChoice> arenas;
    if (DIR *dir = opendir(folder)) {
        while (dirent *entry = readdir(dir)) {
            std::string name = entry->d_name;
            std::string path = std::string(folder) + "/" + name;
            struct stat status;
            // Links count by what they point to: an installed game links the shipped arenas.
            if (name[0] == '.' || name == VictoryStage || stat(path.c_str(), &status) != 0 ||
                !S_ISREG(status.st_mode) || path.find_first_of("\r\n") != std::string::npos)
                continue;
            std::string identity = std::to_string(status.st_ino) + " " + std::to_string(status.st_size) + " " +
                                   std::to_string(status.st_ctim.tv_sec) + "." +
                                   std::to_string(status.st_ctim.tv_nsec) + " " +
                                   std::to_string(status.st_mtim.tv_nsec);
            arenas.push_back({path, name, identity, false, 0, {}, nullptr, nullptr});
        }
        closedir(dir);
    }
    std::sort(arenas.begin(), arenas.end(), [](const ArenaChoice &a, const ArenaChoice &b) { return a.name < b.name; });
    // What was examined before and has not changed since is kept.
    std::sort(known.begin(), known.end(), [](const ArenaChoice &a, const ArenaChoice &b) { return a.name < b.name; });
    auto old = known.begin();
    for (ArenaChoice &arena : arenas) {
        while (old != known.end() && old->name < arena.name)
            ++old;
        if (old != known.end() && old->path == arena.path && old->identity == arena.identity) {
            arena = *old;
            old->preview = old->thumbnail = nullptr;
        }
    }
    freeArenas(known);
    return arenas;
}

void freeArenas(std::vector<ArenaChoice> &arenas)
{
    for (ArenaChoice &arena : arenas)
        freeArena(arena);
    arenas.clear();
}
