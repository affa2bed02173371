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

TEST_F(Effects, AnimationShowsFirstMinusOneThenEachFrameForItsPeriod)
{
    SDL_Surface *sheet = makeSolidSurface(160, 160, 255, 255, 0);
    Uint32 yellow = screenColour(255, 255, 0);
    Uint32 black = screenColour(0, 0, 0);

    // Count 0, period 0: drawn once with frame first - 1, gone at its first update.
    spawnAnimation(100, 100, sheet, 3, 0, 0);
    ASSERT_NE(worldHead, nullptr);
    EXPECT_EQ(worldHead->frame, 2);
    SDL_FillRect(screen, nullptr, black);
    drawWorld();
    EXPECT_EQ(pixelAt(screen, 90, 90), yellow);
    EXPECT_EQ(pixelAt(screen, 89, 90), black);
    updateWorld();
    EXPECT_EQ(worldHead, nullptr);

    // First 0: frame -1 shows nothing for the first period; 30 updates in all.
    spawnAnimation(200, 200, sheet, 0, 5, 5);
    WorldObject *animation = worldHead;
    SDL_FillRect(screen, nullptr, black);
    drawWorld();
    EXPECT_EQ(pixelAt(screen, 195, 195), black);
    for (int update = 1; update < 30; update++) {
        updateWorld();
        ASSERT_EQ(worldHead, animation) << update;
        EXPECT_EQ(animation->frame, -1 + update / 5) << update;
    }
    updateWorld();
    EXPECT_EQ(worldHead, nullptr);

    // Made directly with no frames to show, it still goes at its first step.
    new Animation(50, 50, sheet, 0, 0, 2);
    updateWorld();
    EXPECT_NE(worldHead, nullptr);
    updateWorld();
    EXPECT_EQ(worldHead, nullptr);

    SDL_FreeSurface(sheet);
}

TEST_F(Effects, DebrisMadeByTheFactoryTruncatesItsVelocitiesAndExplosivePartsAreGrenades)
{
    spawnDebris(100, 120, -1.0f, -3.0f, 9, 0, 1);
    Debris *piece = dynamic_cast<Debris *>(worldHead);
    ASSERT_NE(piece, nullptr);
    EXPECT_EQ(piece->x, 100);
    EXPECT_EQ(piece->y, 120);
    EXPECT_EQ(piece->vx, -1.0f);
    EXPECT_EQ(piece->vy, -3.0f);
    EXPECT_EQ(piece->frame, 9);
    EXPECT_EQ(piece->age, 0);
    EXPECT_EQ(debrisCount, 1);

    spawnDebris(100, 120, 1.9f, -2.9f, 9, 0, 1);
    Debris *second = dynamic_cast<Debris *>(worldHead->next);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->vx, 1.0f);
    EXPECT_EQ(second->vy, -2.0f);

    spawnDebris(100, 120, 1.0f, -2.0f, 27, 1, 1);
    Grenade *explosive = dynamic_cast<Grenade *>(worldHead->next);
    ASSERT_NE(explosive, nullptr);
    EXPECT_EQ(explosive->owner, 1);
    EXPECT_EQ(explosive->frame, 27);
    EXPECT_EQ(debrisCount, 2);  // explosive parts are not clutter
}

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

TEST_F(Effects, OldDebrisExpiresOneAtATimeWhileTheCountIsAboveTwoHundred)
{
    // A young piece at the head, then old ones, all lodged in the floor.
    spawnDebris(50, 230, 0.0f, 0.0f, 8, 0, 0);
    WorldObject *young = worldHead;
    spawnDebris(60, 230, 0.0f, 0.0f, 8, 0, 0);
    WorldObject *olderMade = worldHead->next;
    spawnDebris(70, 230, 0.0f, 0.0f, 8, 0, 0);
    WorldObject *newerMade = worldHead->next;
    olderMade->age = 1501;
    newerMade->age = 1501;
    debrisCount = 201;

    updateWorld();
    EXPECT_EQ(debrisCount, 200);
    EXPECT_EQ(objectCount(), 2);
    EXPECT_EQ(worldHead, young);
    EXPECT_EQ(worldHead->next, olderMade);  // the pass met the newer one first

    // At 200 nothing more goes.
    updateWorld();
    EXPECT_EQ(objectCount(), 2);

    resetWorld();
    spawnDebris(50, 230, 0.0f, 0.0f, 8, 0, 0);
    for (int i = 0; i < 203; i++) {
        spawnDebris(60 + i, 230, 0.0f, 0.0f, 8, 0, 0);
        worldHead->next->age = 1501;
    }
    ASSERT_EQ(debrisCount, 204);
    updateWorld();
    EXPECT_EQ(debrisCount, 200);
    EXPECT_EQ(objectCount(), 200);

    // Old pieces stay while the count is at or below 200.
    resetWorld();
    spawnDebris(60, 230, 0.0f, 0.0f, 8, 0, 0);
    worldHead->age = 5000;
    updateWorld();
    EXPECT_EQ(objectCount(), 1);
    EXPECT_EQ(debrisCount, 1);
}

}  // namespace
