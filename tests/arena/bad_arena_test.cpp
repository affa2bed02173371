// Arena files nobody drew with care: every code in every layer, 65535 included,
// in a file longer than the three layers.
#include "support/support.h"
#include "harness.h"

#include "arena/arena.h"
#include "match/player.h"
#include "shell/shell.h"
#include "world/world.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string fileOf(const std::vector<Uint16> &walls, const std::vector<Uint16> &items,
                   const std::vector<Uint16> &attributes)
{
    std::string bytes;
    for (const std::vector<Uint16> *layer : {&walls, &items, &attributes})
        for (Uint16 code : *layer) {
            bytes += static_cast<char>(code & 0xff);
            bytes += static_cast<char>(code >> 8);
        }
    return bytes;
}

template <typename Kind>
int countOf()
{
    int n = 0;
    if (WorldObject *object = worldHead)
        do {
            n += dynamic_cast<Kind *>(object) != nullptr;
            object = object->next;
        } while (object != worldHead);
    return n;
}

}  // namespace

TEST(BadArena, EveryCodeInEveryLayerLoadsDrawsAndPlays)
{
    initHeadlessScreen();
    installSyntheticMedia();
    resetMatch();
    TempGameDir dir;

    // Items 0..767 in index order (one jump pad mark, one lift mark), attributes
    // cycling through 0..19 with 65535 in every seventh cell, walls of code
    // 65535 and 1 in a few cells and along the bottom.
    std::vector<Uint16> walls(ArenaCells, 0), items(ArenaCells), attributes(ArenaCells);
    for (int i = 0; i < ArenaCells; i++) {
        items[i] = static_cast<Uint16>(i);
        attributes[i] = static_cast<Uint16>(i % 7 == 0 ? 65535 : i % 20);
    }
    const int farCode = 21 * 32 + 28;  // item 700, far past the item sheet
    walls[farCode] = 65535;
    walls[farCode + 1] = 1;
    for (int c = 0; c < ArenaColumns; c++)
        walls[22 * 32 + c] = static_cast<Uint16>(c % 2 ? 65535 : 2);
    // 9000 bytes: whatever follows the three layers is never read.
    writeFile("arena", fileOf(walls, items, attributes) + std::string(9000 - ArenaFileSize, '\xff'));

    ASSERT_TRUE(startLevel("arena"));
    EXPECT_EQ(countOf<JumpPad>(), 1);
    EXPECT_EQ(countOf<Lift>(), 1);
    EXPECT_EQ(spawnPointCount, 33);  // i % 20 == 2 and not a multiple of 7
    EXPECT_EQ(itemAt(28, 21), 700);
    EXPECT_EQ(attributeAt(0, 0), 65535);
    EXPECT_EQ(isPassable(28 * 20 + 10, 21 * 20 + 30), 0);

    // Codes past the sheets draw nothing: the cell stays black, its neighbour shows wall tile 0.
    drawArena();
    EXPECT_EQ(pixelAt(screen, 28 * 20 + 10, 21 * 20 + 30), 0u);
    EXPECT_NE(pixelAt(screen, 29 * 20 + 2, 21 * 20 + 22), 0u);

    for (int frame = 0; frame < 1500; frame++) {
        playMatchFrame({frame % 300 < 150, frame % 300 >= 150, frame % 40 < 5, frame % 17 == 0},
                       {frame % 220 >= 110, frame % 220 < 110, frame % 60 < 3, frame % 23 == 0});
        checkMatch();
    }
    resetMatch();
}
