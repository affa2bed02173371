// A fresh game, and level setup: a freshly loaded arena made playable.
#include "match/match.h"

#include "arena/arena.h"
#include "media/media.h"
#include "world/world.h"

#include <new>

int spawnPointCount;

void resetGame()
{
    while (worldHead)
        unlinkObject(worldHead);
    for (Player *&player : players) {
        delete player;
        player = nullptr;
    }
    playerCount = 0;
    spawnPointCount = 0;
    debrisCount = 0;
    frameCounter = 0;
    animationTick = 0;
    nextFrameTick = 0;
}

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

    playMusic();
}
