// Animations and body debris on small arenas: frame runs and lifetimes,
// flight, bounces, resting inside the floor, and clutter expiry.
#include "support/support.h"

#include "arena/arena.h"
#include "shell/shell.h"
#include "world/world.h"

#include <gtest/gtest.h>

namespace {

class Effects : public ::testing::Test {
protected:
    void SetUp() override
    {
        initHeadlessScreen();
        resetWorld();
        // Floor on row 10 (y 220..239), a wall in column 20 above it (x 400..419).
        std::vector<std::string> rows(11, std::string(20, '.') + "#");
        rows[10] = "################################";
        buildArena(rows);
    }
    void TearDown() override
    {
        resetWorld();
        SDL_FreeSurface(ImageSlots[3]);
        ImageSlots[3] = nullptr;
    }

    static int objectCount()
    {
        int count = 0;
        if (WorldObject *object = worldHead) {
            do {
                count++;
                object = object->next;
            } while (object != worldHead);
        }
        return count;
    }
};

TEST_F(Effects, DebrisFallsIntoTheFloorAndRestsAtMostSixPixelsInside)
{
    ImageSlots[3] = makeSolidSurface(160, 160, 0, 255, 255);
    spawnDebris(100, 100, 0.0f, 0.0f, 5, 0, 0);
    WorldObject *piece = worldHead;
    for (int i = 0; i < 100; i++)
        updateWorld();
    ASSERT_EQ(worldHead, piece);
    EXPECT_EQ(piece->x, 100);
    EXPECT_GE(piece->y, 220);
    EXPECT_LT(piece->y, 226);
    EXPECT_EQ(piece->vy, 0.0f);
    int rested = piece->y;
    updateWorld();
    EXPECT_EQ(piece->y, rested);
    EXPECT_EQ(piece->age, 101);

    SDL_FillRect(screen, nullptr, 0);
    drawWorld();
    EXPECT_EQ(pixelAt(screen, 90, rested - 10), screenColour(0, 255, 255));
    EXPECT_EQ(pixelAt(screen, 89, rested - 10), screenColour(0, 0, 0));
}

TEST_F(Effects, DebrisBouncesOffASideWallAndFallsOnFromRest)
{
    spawnDebris(395, 100, 1.0f, -2.0f, 8, 0, 0);
    WorldObject *piece = worldHead;
    int bounceAt = -1;
    for (int i = 0; i < 10 && bounceAt < 0; i++) {
        int x = piece->x;
        int y = piece->y;
        updateWorld();
        if (piece->vx < 0) {
            bounceAt = i;
            EXPECT_EQ(piece->x, x);
            EXPECT_EQ(piece->y, y);
            EXPECT_EQ(piece->vx, -1.0f);
            EXPECT_EQ(piece->vy, 0.0f);
        }
    }
    EXPECT_EQ(bounceAt, 4);  // 396, 397, 398, 399, then 400 is the wall
    EXPECT_EQ(piece->x, 399);
    int y = piece->y;
    updateWorld();
    EXPECT_EQ(piece->x, 398);
    EXPECT_EQ(piece->y, y);
    EXPECT_FLOAT_EQ(piece->vy, 0.2f);
    updateWorld();
    EXPECT_EQ(piece->y, y);  // 0.2 truncates away
    updateWorld();
    EXPECT_EQ(piece->y, y);
    EXPECT_FLOAT_EQ(piece->vy, 0.6f);
}

}  // namespace
