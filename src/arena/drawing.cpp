// The arena's picture, painted every frame in two halves: the black playfield
// with the item tiles, then (after the world objects) the wall tiles on top.
#include "arena/arena.h"

#include "gfx/gfx.h"
#include "media/media.h"

int animationTick;

static int animationOffset(int cell)
{
    int attribute = AttributeLayer[cell];
    if (attribute == AttributeDamaging || attribute == AttributeAnimated)
        return (animationTick / 10) % 3;
    return 0;
}

void drawItemLayer()
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
            drawTile(column * CellSize, HudHeight + row * CellSize, slotImage(ImageSlot::ItemTiles),
                     ItemLayer[cell] + animationOffset(cell) - 1);
        }
}

void drawWallLayer()
{
    for (int column = 0; column < ArenaColumns; column++)
        for (int row = 0; row < ArenaRows; row++)
            drawTile(column * CellSize, HudHeight + row * CellSize, slotImage(ImageSlot::WallTiles),
                     WallLayer[row * ArenaColumns + column] - 1);
}
