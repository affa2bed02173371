// The arena check on small arenas: each fault alone, and a sound arena clean.
#include "arena/arena.h"
#include "support/support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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
        WallLayer[cell] = static_cast<Uint16>(c.wall);
        ItemLayer[cell] = static_cast<Uint16>(c.item);
        AttributeLayer[cell] = static_cast<Uint16>(c.attribute);
        std::vector<std::string> problems = arenaProblems();
        if (!c.fault) {
            EXPECT_TRUE(problems.empty()) << problems.front();
            continue;
        }
        ASSERT_EQ(problems.size(), 1u) << c.fault;
        EXPECT_NE(problems[0].find(c.fault), std::string::npos) << problems[0];
    }
}
