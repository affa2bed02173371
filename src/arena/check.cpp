// The arena check: the faults that make an arena unfit for a match (too few
// spawn points, a lift that would leave its column, a spawner that never
// refills, invisible walls, things buried in walls). The menu marks such
// arenas and the arena tool refuses them; both ask this one function.
#include "arena/arena.h"

#include <cstdio>

static std::string cellName(int cell)
{
    char text[32];
    snprintf(text, sizeof text, "(%d, %d)", cell % ArenaColumns, cell / ArenaColumns);
    return text;
}

// The wall code of a row of the lift's column, or -1 outside the arena.
static int liftWall(const Arena &arena, int column, int row)
{
    return row >= 0 && row < ArenaRows ? arena.WallLayer[row * ArenaColumns + column] : -1;
}

// Runs a lift through one whole trip down and up, as the lift itself moves,
// and says why it cannot make it; nullptr when it can.
static const char *liftFault(const Arena &arena, int cell)
{
    int column = cell % ArenaColumns;
    int y = (cell / ArenaColumns) * CellSize + 10;  // a lift starts 20 pixels above its mark
    bool down = true;
    for (int step = 0; step < 4 * ArenaRows * CellSize; step++) {
        if (down) {
            int below = liftWall(arena, column, (y - 10) / CellSize);
            if (below < 0)
                return "no wall below it inside the arena";
            if (below == 0) {
                y++;
                if (liftWall(arena, column, (y - 31) / CellSize) < 0)
                    return "its column leaves the top of the arena";
            } else {
                down = false;
            }
        }
        if (!down) {
            int above = liftWall(arena, column, (y - 21) / CellSize);
            if (above < 0)
                return "no wall above it inside the arena";
            if (above != 0)
                return nullptr;
            y--;
            if (liftWall(arena, column, (y - 11) / CellSize) < 0)
                return "its column leaves the arena";
        }
    }
    return "it never completes a trip";
}

std::vector<std::string> arenaProblems(const Arena &arena, int wallTiles)
{
    std::vector<std::string> problems;
    char text[160];
    int spawns = 0;
    for (int cell = 0; cell < ArenaCells; cell++)
        spawns += arena.AttributeLayer[cell] == AttributeSpawn;
    if (spawns < 2) {
        snprintf(text, sizeof text, "%d spawn point(s): the match and the victory scene need at least 2", spawns);
        problems.push_back(text);
    }

    for (int cell = 0; cell < ArenaCells; cell++) {
        int wall = arena.WallLayer[cell];
        int item = arena.ItemLayer[cell];
        int attribute = arena.AttributeLayer[cell];
        bool spawner = attribute >= AttributeSpawnerFirst && attribute <= AttributeSpawnerLast;
        std::string where = cellName(cell);
        if (wall > wallTiles) {
            snprintf(text, sizeof text, "wall code %d at %s has no tile: an invisible wall", wall, where.c_str());
            problems.push_back(text);
        }
        if (spawner && item != 0 && item != attribute + 16) {
            snprintf(text, sizeof text, "spawner at %s holds item %d: it refills only when empty, with item %d",
                     where.c_str(), item, attribute + 16);
            problems.push_back(text);
        }
        if (wall != 0 && (item != 0 || attribute == AttributeSpawn || spawner)) {
            snprintf(text, sizeof text, "cell %s is a wall and also holds item %d / attribute %d: nobody can reach it",
                     where.c_str(), item, attribute);
            problems.push_back(text);
        }
        if (attribute == AttributeSpawn && cell / ArenaColumns == ArenaRows - 1) {
            snprintf(text, sizeof text, "spawn point %s lies below the screen", where.c_str());
            problems.push_back(text);
        }
    }

    for (int cell = 0; cell < ArenaCells; cell++) {
        if (arena.ItemLayer[cell] != ItemLift)
            continue;
        if (const char *fault = liftFault(arena, cell)) {
            snprintf(text, sizeof text, "lift at %s: %s", cellName(cell).c_str(), fault);
            problems.push_back(text);
        }
    }
    return problems;
}
