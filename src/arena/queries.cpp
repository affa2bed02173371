// The questions everything that moves asks the arena, the one write that
// pickups and lifts make, and the refill of item spawner cells.
#include "arena/arena.h"

static bool insideArena(int column, int row)
{
    return column >= 0 && column < ArenaColumns && row >= 0 && row < ArenaRows;
}

// Closed above the arena and at both sides, open below it.
int isPassable(int x, int y)
{
    // Tested before subtracting, so even the most negative y cannot overflow.
    if (y < HudHeight)
        return 0;
    int arenaY = y - HudHeight;
    if (x < 0 || x / CellSize >= ArenaColumns || arenaY / CellSize >= ArenaRows)
        return y >= HudHeight + ArenaRows * CellSize ? 1 : 0;
    int cell = (arenaY / CellSize) * ArenaColumns + x / CellSize;
    if (WallLayer[cell] != 0)
        return 0;
    return ItemLayer[cell] == ItemLift || ItemLayer[cell] == ItemShaft ? 0 : 1;
}

int itemAt(int column, int row)
{
    return insideArena(column, row) ? ItemLayer[row * ArenaColumns + column] : 0;
}

int attributeAt(int column, int row)
{
    return insideArena(column, row) ? AttributeLayer[row * ArenaColumns + column] : 0;
}

static bool isSpawner(int attribute)
{
    return attribute >= AttributeSpawnerFirst && attribute <= AttributeSpawnerLast;
}

// Writing a spawner cell (a pickup taken, a lift passing) arms its refill.
void setItem(int column, int row, int code)
{
    if (!insideArena(column, row))
        return;
    int cell = row * ArenaColumns + column;
    ItemLayer[cell] = static_cast<Uint16>(code);
    if (isSpawner(AttributeLayer[cell]))
        RegenTimers[cell] = 20;
}

// One regeneration tick, every 25 frames: a spawner counts down to -1, then
// refills its cell as soon as the cell is empty.
void regenerateItems()
{
    for (int cell = 0; cell < ArenaCells; cell++) {
        int attribute = AttributeLayer[cell];
        if (!isSpawner(attribute))
            continue;
        if (RegenTimers[cell] < 0 && ItemLayer[cell] == 0)
            ItemLayer[cell] = static_cast<Uint16>(attribute + 16);
        else if (RegenTimers[cell] >= 0)
            RegenTimers[cell]--;
    }
}
