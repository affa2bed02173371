// The questions everything that moves asks the arena, the one write that
// pickups and lifts make, and the refill of item spawner cells.
#include "arena/arena.h"

static bool insideArena(int column, int row)
{
    return column >= 0 && column < ArenaColumns && row >= 0 && row < ArenaRows;
}

// Closed above the arena and at both sides, open below it.
int isPassable(const Arena &arena, int x, int y)
{
    // Tested before subtracting, so even the most negative y cannot overflow.
    if (y < HudHeight)
        return 0;
    int arenaY = y - HudHeight;
    if (x < 0 || x / CellSize >= ArenaColumns || arenaY / CellSize >= ArenaRows)
        return y >= HudHeight + ArenaRows * CellSize ? 1 : 0;
    int cell = (arenaY / CellSize) * ArenaColumns + x / CellSize;
    if (arena.WallLayer[cell] != 0)
        return 0;
    return arena.ItemLayer[cell] == ItemLift || arena.ItemLayer[cell] == ItemShaft ? 0 : 1;
}

int itemAt(const Arena &arena, int column, int row)
{
    return insideArena(column, row) ? arena.ItemLayer[row * ArenaColumns + column] : 0;
}

int attributeAt(const Arena &arena, int column, int row)
{
    return insideArena(column, row) ? arena.AttributeLayer[row * ArenaColumns + column] : 0;
}

static bool isSpawner(int attribute)
{
    return attribute >= AttributeSpawnerFirst && attribute <= AttributeSpawnerLast;
}

// Writing a spawner cell (a pickup taken, a lift passing) arms its refill.
void setItem(Arena &arena, int column, int row, int code)
{
    if (!insideArena(column, row))
        return;
    int cell = row * ArenaColumns + column;
    arena.ItemLayer[cell] = static_cast<Uint16>(code);
    if (isSpawner(arena.AttributeLayer[cell]))
        arena.RegenTimers[cell] = 20;
}

// One regeneration tick, every 25 frames: a spawner counts down to -1, then
// refills its cell as soon as the cell is empty.
void regenerateItems(Arena &arena)
{
    for (int cell = 0; cell < ArenaCells; cell++) {
        int attribute = arena.AttributeLayer[cell];
        if (!isSpawner(attribute))
            continue;
        if (arena.RegenTimers[cell] < 0 && arena.ItemLayer[cell] == 0)
            arena.ItemLayer[cell] = static_cast<Uint16>(attribute + 16);
        else if (arena.RegenTimers[cell] >= 0)
            arena.RegenTimers[cell]--;
    }
}
