// Level setup turns a freshly loaded arena into a playable level; drawArena
// paints it every frame: black playfield, items, world objects, walls on top.
#include "arena/arena.h"
#include "gfx/gfx.h"
#include "match/match.h"
#include "shell/shell.h"
#include "world/world.h"

#include <new>

int spawnPointCount;
int animationTick;

void setupLevel()
{
    spawnPointCount = 0;
    while (worldHead)
        unlinkObject(worldHead);

    for (int cell = 0; cell < ArenaCells; cell++) {
        int column = cell % ArenaColumns;
        int row = cell / ArenaColumns;
        if (ItemLayer[cell] == ItemJumpPad) {
            new (std::nothrow) JumpPad(column * CellSize + 10, row * CellSize + 30, 8);
            ItemLayer[cell] = 0;
        }
        if (ItemLayer[cell] == ItemLift) {
            // A lift starts with its centre 20 pixels above its mark's centre.
            new (std::nothrow) Lift(column * CellSize + 10, row * CellSize + 10, 32);
            ItemLayer[cell] = 0;
        }
        if (AttributeLayer[cell] == AttributeSpawn)
            spawnPointCount++;
    }

    // Keys held across the setup read as released until pressed again, so the
    // Escape that ended the match does not also end the end scene.
    keyState = SDL_GetKeyState(nullptr);
    const SDLKey cleared[] = {SDLK_ESCAPE, SDLK_RCTRL, SDLK_LCTRL, SDLK_UP, SDLK_DOWN, SDLK_LEFT, SDLK_RIGHT};
    for (SDLKey key : cleared)
        keyState[key] = 0;

    if (SoundSlots[MusicSlot].music) {
        Mix_PlayMusic(SoundSlots[MusicSlot].music, 0);
        Mix_VolumeMusic(255);
    }
}

static int animationOffset(int cell)
{
    int attribute = AttributeLayer[cell];
    if (attribute == AttributeDamaging || attribute == AttributeAnimated)
        return (animationTick / 10) % 3;
    return 0;
}

void drawArena()
{
    // Wraps at a multiple of the 30-frame cycle instead of overflowing.
    animationTick = animationTick >= AnimationTickWrap - 1 ? 0 : animationTick + 1;
    if (!screen)
        return;
    SDL_Rect playfield = {0, HudHeight, static_cast<Uint16>(screen->w), static_cast<Uint16>(screen->h - HudHeight)};
    SDL_FillRect(screen, &playfield, 0);

    for (int column = 0; column < ArenaColumns; column++)
        for (int row = 0; row < ArenaRows; row++) {
            int cell = row * ArenaColumns + column;
            drawTile(column * CellSize, HudHeight + row * CellSize, ImageSlots[1],
                     ItemLayer[cell] + animationOffset(cell) - 1);
        }

    drawWorld();

    for (int column = 0; column < ArenaColumns; column++)
        for (int row = 0; row < ArenaRows; row++)
            drawTile(column * CellSize, HudHeight + row * CellSize, ImageSlots[0],
                     WallLayer[row * ArenaColumns + column] - 1);
}
