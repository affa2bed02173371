// Arena queries around the edges of the map, and the one write.
#include "arena/arena.h"
#include "support/support.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

TEST(ArenaQueries, PassabilityIsClosedAboveAndAtTheSidesAndOpenBelow)
{
    // Row 23 walled, below the visible screen; cell (0, 0) walled; (2, 1) a lift
    // mark, (1, 2) a shaft, (1, 1) a ladder, (3, 1) any other item.
    buildArena({"#"});
    for (int column = 0; column < ArenaColumns; column++)
        WallLayer[23 * ArenaColumns + column] = 1;
    ItemLayer[1 * ArenaColumns + 2] = ItemLift;
    ItemLayer[2 * ArenaColumns + 1] = ItemShaft;
    ItemLayer[1 * ArenaColumns + 1] = ItemLadder;
    ItemLayer[1 * ArenaColumns + 3] = 35;
    const int cases[][3] = {
        {100, 19, 0},
        {100, 40, 1},
        {-1, 100, 0},
        {639, 100, 1},
        {640, 100, 0},
        {-1, 499, 0},
        {640, 499, 0},
        {-1, 500, 1},
        {700, 600, 1},
        {-20, 19, 0},
        {300, 479, 1},
        {300, 480, 0},
        {633, 499, 0},
        {300, 500, 1},
        {INT_MIN, INT_MIN, 0},
        {INT_MAX, INT_MAX, 1},
        {INT_MIN, INT_MAX, 1},
        {INT_MAX, 300, 0},
        {0, 20, 0},
        {19, 39, 0},
        {20, 20, 1},
        {0, 40, 1},
        {45, 55, 0},
        {25, 65, 0},
        {25, 45, 1},
        {65, 45, 1},
    };
    for (const auto &c : cases)
        EXPECT_EQ(isPassable(c[0], c[1]), c[2]) << c[0] << ", " << c[1];
}

TEST(ArenaQueries, ItemsAndAttributesOutsideTheArenaAreEmptyAndUnwritten)
{
    clearArena();
    for (int cell = 0; cell < ArenaCells; cell++) {
        ItemLayer[cell] = static_cast<Uint16>(1000 + cell);
        AttributeLayer[cell] = static_cast<Uint16>(60000 + cell);
    }
    EXPECT_EQ(itemAt(31, 23), 1767);
    EXPECT_EQ(attributeAt(31, 0), 60031);  // codes above 32767 stay positive
    EXPECT_EQ(attributeAt(0, 23), 60736);
    Uint16 before[ArenaCells];
    memcpy(before, ItemLayer, sizeof before);
    const int outside[][2] = {{32, 0}, {0, 24}, {-1, 5}, {5, -1}, {INT_MIN, 0}, {0, INT_MAX}, {INT_MAX, INT_MIN}};
    for (const auto &cell : outside) {
        EXPECT_EQ(itemAt(cell[0], cell[1]) + attributeAt(cell[0], cell[1]), 0) << cell[0] << "," << cell[1];
        setItem(cell[0], cell[1], 77);
    }
    EXPECT_EQ(memcmp(before, ItemLayer, sizeof before), 0);
    setItem(3, 4, 0x12345);  // only the low 16 bits are kept
    EXPECT_EQ(itemAt(3, 4), 0x2345);
}
