// Body debris on small arenas: resting inside the floor, bouncing off walls,
// and clutter expiry.
#include "support/support.h"

namespace {

class Effects : public ::testing::Test {
protected:
    void SetUp() override
    {
        initHeadlessScreen();
        match = Match();
        // Floor on row 10 (y 220..239), a wall in column 20 above it (x 400..419).
        std::vector<std::string> rows(11, std::string(20, '.') + "#");
        rows[10] = "################################";
        buildArena(rows);
    }
    void TearDown() override { match = Match(); }
};

TEST_F(Effects, DebrisFallsIntoTheFloorAndRestsAtMostSixPixelsInside)
{
    spawnDebris(match, 100, 100, 0.9f, -2.9f, 5, 0, 0);  // speeds truncate to 0 and -2
    WorldObject *piece = match.worldHead;
    EXPECT_EQ(piece->vy, -2.0f);
    for (int i = 0; i < 100; i++)
        updateWorld(match);
    ASSERT_EQ(match.worldHead, piece);
    int rested = piece->y;
    EXPECT_TRUE(rested >= 220 && rested < 226) << rested;
    updateWorld(match);
    EXPECT_EQ(std::tuple(piece->x, piece->y, piece->vy), std::tuple(100, rested, 0.0f));
}

TEST_F(Effects, DebrisBouncesOffASideWallAndFallsOnFromRest)
{
    spawnDebris(match, 395, 100, 1.0f, -2.0f, 8, 0, 0);
    WorldObject *piece = match.worldHead;
    for (int i = 0; i < 4; i++)
        updateWorld(match);  // 396, 397, 398, 399
    int y = piece->y;
    updateWorld(match);  // 400 is the wall
    EXPECT_EQ(std::tuple(piece->x, piece->y, piece->vx, piece->vy), std::tuple(399, y, -1.0f, 0.0f));
    for (int i = 0; i < 3; i++) {
        updateWorld(match);
        EXPECT_EQ(piece->y, y);  // 0.2 and 0.4 truncate away
    }
    EXPECT_EQ(piece->x, 396);
    EXPECT_FLOAT_EQ(piece->vy, 0.6f);
}

TEST_F(Effects, OldDebrisExpiresOneAtATimeWhileTheCountIsAboveTwoHundred)
{
    // A young piece at the head, then two old ones, all lodged in the floor;
    // the pass meets the newer one (x = 61, 1500 updates old) first.
    spawnDebris(match, 50, 230, 0.0f, 0.0f, 8, 0, 0);
    WorldObject *young = match.worldHead;
    for (int i = 0; i < 2; i++) {
        spawnDebris(match, 60 + i, 230, 0.0f, 0.0f, 8, 0, 0);
        match.worldHead->next->age = 1501 - i;
    }
    match.debrisCount = 201;
    updateWorld(match);
    ASSERT_EQ(std::tuple(match.debrisCount, objectsOf<Debris>().size()), std::tuple(200, 2u));
    EXPECT_EQ(match.worldHead->next->x, 61);
    updateWorld(match);  // at 200 nothing more goes
    EXPECT_EQ(objectsOf<Debris>().size(), 2u);
    EXPECT_EQ(match.worldHead, young);
}

}  // namespace
