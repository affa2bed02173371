// Arena queries around the edges of the map, the one write, and the arena
// check with each fault alone.
#include "support/support.h"

TEST(ArenaQueries, PassabilityIsClosedAboveAndAtTheSidesAndOpenBelow)
{
    // Row 23 walled, below the visible screen; cell (0, 0) walled; (2, 1) a lift
    // mark, (1, 2) a shaft, (1, 1) a ladder, (3, 1) any other item.
    buildArena({"#"});
    for (int column = 0; column < ArenaColumns; column++)
        match.arena.WallLayer[23 * ArenaColumns + column] = 1;
    match.arena.ItemLayer[1 * ArenaColumns + 2] = ItemLift;
    match.arena.ItemLayer[2 * ArenaColumns + 1] = ItemShaft;
    match.arena.ItemLayer[1 * ArenaColumns + 1] = ItemLadder;
    match.arena.ItemLayer[1 * ArenaColumns + 3] = 35;
    const int N = INT_MIN, P = INT_MAX;
    const int cases[][3] = {{100, 19, 0},  {100, 40, 1},  {-1, 100, 0},  {639, 100, 1}, {640, 100, 0}, {-1, 499, 0},
                            {640, 499, 0}, {-1, 500, 1},  {700, 600, 1}, {-20, 19, 0},  {300, 479, 1}, {300, 480, 0},
                            {633, 499, 0}, {300, 500, 1}, {N, N, 0},     {P, P, 1},     {N, P, 1},     {P, 300, 0},
                            {0, 20, 0},    {19, 39, 0},   {20, 20, 1},   {0, 40, 1},    {45, 55, 0},   {25, 65, 0},
                            {25, 45, 1},   {65, 45, 1}};
    for (const auto &c : cases)
        EXPECT_EQ(isPassable(match.arena, c[0], c[1]), c[2]) << c[0] << ", " << c[1];
}

TEST(ArenaQueries, ItemsAndAttributesOutsideTheArenaAreEmptyAndUnwritten)
{
    clearArena(match.arena);
    for (int cell = 0; cell < ArenaCells; cell++) {
        match.arena.ItemLayer[cell] = static_cast<Uint16>(1000 + cell);
        match.arena.AttributeLayer[cell] = static_cast<Uint16>(60000 + cell);
    }
    EXPECT_EQ(itemAt(match.arena, 31, 23), 1767);
    EXPECT_EQ(attributeAt(match.arena, 31, 0), 60031);  // codes above 32767 stay positive
    EXPECT_EQ(attributeAt(match.arena, 0, 23), 60736);
    Uint16 before[ArenaCells];
    memcpy(before, match.arena.ItemLayer, sizeof before);
    const int outside[][2] = {{32, 0}, {0, 24}, {-1, 5}, {5, -1}, {INT_MIN, 0}, {0, INT_MAX}, {INT_MAX, INT_MIN}};
    for (const auto &cell : outside) {
        EXPECT_EQ(itemAt(match.arena, cell[0], cell[1]) + attributeAt(match.arena, cell[0], cell[1]), 0)
            << cell[0] << "," << cell[1];
        setItem(match.arena, cell[0], cell[1], 77);
    }
    EXPECT_EQ(memcmp(before, match.arena.ItemLayer, sizeof before), 0);
    setItem(match.arena, 3, 4, 0x12345);  // only the low 16 bits are kept
    EXPECT_EQ(itemAt(match.arena, 3, 4), 0x2345);
}

TEST(ArenaCheck, EachFaultIsReportedAlone)
{
    struct Case {
        const char *fault;                       // expected in the one message; nullptr: no message
        int column, row, wall, item, attribute;  // the one cell spoiled
    };
    const Case cases[] = {
        {nullptr, 3, 21, 0, ItemKnife, 12},  // a knife spawner holding its own knife is fine
        {"1 spawn point(s)", 25, 21, 0, 0, 0},
        {"lift at (10, 2): no wall below it", 10, 22, 0, 0, 0},
        {"lift at (10, 2): no wall above it", 10, 0, 0, 0, 0},
        {"spawner at (3, 21) holds item 25", 3, 21, 0, ItemMelee, 12},
        {"wall code 17 at (4, 0) has no tile", 4, 0, 17, 0, 0},
        {"cell (6, 22) is a wall and also holds item 0 / attribute 2", 6, 22, 1, 0, 2},
        {"cell (7, 22) is a wall and also holds item 28", 7, 22, 1, ItemKnife, 0},
        {"spawn point (8, 23) lies below the screen", 8, 23, 0, 0, AttributeSpawn},
    };
    std::vector<std::string> rows(23, "#                              #");
    rows[0] = rows[22] = std::string(32, '#');
    rows[2][10] = 'L';
    rows[21][5] = 'S';
    rows[21][25] = 'S';
    for (const Case &c : cases) {
        buildArena(rows);
        int cell = c.row * ArenaColumns + c.column;
        match.arena.WallLayer[cell] = static_cast<Uint16>(c.wall);
        match.arena.ItemLayer[cell] = static_cast<Uint16>(c.item);
        match.arena.AttributeLayer[cell] = static_cast<Uint16>(c.attribute);
        std::vector<std::string> problems = arenaProblems(match.arena);
        if (!c.fault) {
            EXPECT_TRUE(problems.empty()) << problems.front();
            continue;
        }
        ASSERT_EQ(problems.size(), 1u) << c.fault;
        EXPECT_NE(problems[0].find(c.fault), std::string::npos) << problems[0];
    }
}
