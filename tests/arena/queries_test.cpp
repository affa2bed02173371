// Arena queries around the edges of the map, the one write, and the refill
// of item spawner cells counted in regeneration ticks.
#include "arena/arena.h"
#include "support/support.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

TEST(ArenaQueries, PassabilityIsClosedAboveAndAtTheSidesAndOpenBelow)
{
    clearArena();
    // Open arena: every edge is decided by the rules outside the map.
    EXPECT_EQ(isPassable(100, 19), 0);
    EXPECT_EQ(isPassable(100, 20), 1);
    EXPECT_EQ(isPassable(-1, 100), 0);
    EXPECT_EQ(isPassable(0, 100), 1);
    EXPECT_EQ(isPassable(639, 100), 1);
    EXPECT_EQ(isPassable(640, 100), 0);
    EXPECT_EQ(isPassable(-1, 499), 0);
    EXPECT_EQ(isPassable(640, 499), 0);
    EXPECT_EQ(isPassable(-1, 500), 1);
    EXPECT_EQ(isPassable(700, 600), 1);
    EXPECT_EQ(isPassable(-20, 19), 0);
    EXPECT_EQ(isPassable(100, 500), 1);
    EXPECT_EQ(isPassable(INT_MIN, INT_MIN), 0);
    EXPECT_EQ(isPassable(INT_MAX, INT_MAX), 1);
    EXPECT_EQ(isPassable(INT_MIN, INT_MAX), 1);
    EXPECT_EQ(isPassable(INT_MAX, 300), 0);

    // Row 23, below the visible screen, still answers from the map.
    for (int column = 0; column < ArenaColumns; column++)
        WallLayer[23 * ArenaColumns + column] = 1;
    for (int x = 0; x < 640; x += 7) {
        EXPECT_EQ(isPassable(x, 479), 1) << x;
        EXPECT_EQ(isPassable(x, 480), 0) << x;
        EXPECT_EQ(isPassable(x, 499), 0) << x;
        EXPECT_EQ(isPassable(x, 500), 1) << x;
    }

    // The cell a pixel falls in: (x / 20, (y - 20) / 20).
    buildArena({
        "#...",
        "....",
        "....",
    });
    ItemLayer[1 * ArenaColumns + 2] = ItemLift;
    ItemLayer[2 * ArenaColumns + 1] = ItemShaft;
    ItemLayer[1 * ArenaColumns + 1] = ItemLadder;
    ItemLayer[1 * ArenaColumns + 3] = 35;
    EXPECT_EQ(isPassable(0, 20), 0);
    EXPECT_EQ(isPassable(19, 39), 0);
    EXPECT_EQ(isPassable(20, 20), 1);
    EXPECT_EQ(isPassable(0, 40), 1);
    EXPECT_EQ(isPassable(45, 55), 0);  // lift mark
    EXPECT_EQ(isPassable(25, 65), 0);  // lift shaft
    EXPECT_EQ(isPassable(25, 45), 1);  // ladder
    EXPECT_EQ(isPassable(65, 45), 1);  // any other item code
}

TEST(ArenaQueries, ItemsAndAttributesOutsideTheArenaAreEmpty)
{
    clearArena();
    for (int cell = 0; cell < ArenaCells; cell++) {
        ItemLayer[cell] = static_cast<Uint16>(1000 + cell);
        AttributeLayer[cell] = static_cast<Uint16>(60000 + cell);
    }
    EXPECT_EQ(itemAt(0, 0), 1000);
    EXPECT_EQ(itemAt(31, 23), 1767);
    EXPECT_EQ(attributeAt(31, 0), 60031);  // codes above 32767 stay positive
    EXPECT_EQ(attributeAt(0, 23), 60736);
    const int outside[][2] = {{32, 0}, {0, 24}, {-1, 5}, {5, -1}, {INT_MIN, 0}, {0, INT_MAX}, {INT_MAX, INT_MIN}};
    for (const auto &cell : outside) {
        EXPECT_EQ(itemAt(cell[0], cell[1]), 0) << cell[0] << "," << cell[1];
        EXPECT_EQ(attributeAt(cell[0], cell[1]), 0) << cell[0] << "," << cell[1];
    }

    // Writes outside the arena change nothing, not even the cell a wrapped
    // index would land on.
    Uint16 before[ArenaCells];
    memcpy(before, ItemLayer, sizeof before);
    for (const auto &cell : outside)
        setItem(cell[0], cell[1], 77);
    EXPECT_EQ(memcmp(before, ItemLayer, sizeof before), 0);

    setItem(3, 4, 0x12345);  // only the low 16 bits are kept
    EXPECT_EQ(itemAt(3, 4), 0x2345);
}

