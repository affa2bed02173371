// Body debris on small arenas: resting inside the floor, bouncing off walls,
// and clutter expiry.
#include "support/support.h"

namespace {

class Effects : public ::testing::Test {
protected:
    void SetUp() override
    {
        initHeadlessScreen();
        resetGame();
        // Floor on row 10 (y 220..239), a wall in column 20 above it (x 400..419).
        std::vector<std::string> rows(11, std::string(20, '.') + "#");
        rows[10] = "################################";
        buildArena(rows);
    }
    void TearDown() override { resetGame(); }
};

TEST_F(Effects, DebrisFallsIntoTheFloorAndRestsAtMostSixPixelsInside)
{
    spawnDebris(100, 100, 0.9f, -2.9f, 5, 0, 0);  // speeds truncate to 0 and -2
    WorldObject *piece = worldHead;
    EXPECT_EQ(piece->vy, -2.0f);
    for (int i = 0; i < 100; i++)
        updateWorld();
    ASSERT_EQ(worldHead, piece);
    int rested = piece->y;
    EXPECT_TRUE(rested >= 220 && rested < 226) << rested;
    updateWorld();
    EXPECT_EQ(std::tuple(piece->x, piece->y, piece->vy), std::tuple(100, rested, 0.0f));
}

TEST_F(Effects, DebrisBouncesOffASideWallAndFallsOnFromRest)
{
    spawnDebris(395, 100, 1.0f, -2.0f, 8, 0, 0);
    WorldObject *piece = worldHead;
    for (int i = 0; i < 4; i++)
        updateWorld();  // 396, 397, 398, 399
    int y = piece->y;
    updateWorld();  // 400 is the wall
    EXPECT_EQ(std::tuple(piece->x, piece->y, piece->vx, piece->vy), std::tuple(399, y, -1.0f, 0.0f));
    for (int i = 0; i < 3; i++) {
        updateWorld();
        EXPECT_EQ(piece->y, y);  // 0.2 and 0.4 truncate away
    }
    EXPECT_EQ(piece->x, 396);
    EXPECT_FLOAT_EQ(piece->vy, 0.6f);
}

TEST_F(Effects, OldDebrisExpiresOneAtATimeWhileTheCountIsAboveTwoHundred)
{
    // A young piece at the head, then two old ones, all lodged in the floor;
    // the pass meets the newer one (x = 61, 1500 updates old) first.
    spawnDebris(50, 230, 0.0f, 0.0f, 8, 0, 0);
    WorldObject *young = worldHead;
    for (int i = 0; i < 2; i++) {
        spawnDebris(60 + i, 230, 0.0f, 0.0f, 8, 0, 0);
        worldHead->next->age = 1501 - i;
    }
    debrisCount = 201;
    updateWorld();
    ASSERT_EQ(std::tuple(debrisCount, objectsOf<Debris>().size()), std::tuple(200, 2u));
    EXPECT_EQ(worldHead->next->x, 61);
    updateWorld();  // at 200 nothing more goes
    EXPECT_EQ(objectsOf<Debris>().size(), 2u);
    EXPECT_EQ(worldHead, young);
}

}  // namespace
