// Arena machines on small arenas: jump pads launching and resting, lifts
// stepping every third frame, laying and clearing their shaft, turning,
// crushing, freeing stuck knives, and staying inside an arena left open.
#include "support/support.h"

#include "arena/arena.h"
#include "match/match.h"
#include "match/player.h"
#include "shell/shell.h"
#include "world/world.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void runFrame()
{
    updateWorld();
    frameCounter++;
}

class Machines : public ::testing::Test {
protected:
    void SetUp() override
    {
        initHeadlessScreen();
        resetWorld();
        srand(3);
        installSilentSounds();
    }
    void TearDown() override
    {
        resetWorld();
        clearArena();
        removeSilentSounds();
        SDL_FreeSurface(ImageSlots[1]);
        ImageSlots[1] = nullptr;
    }

    // Machines from the marks in `rows`, a floor at row 10 (top y = 220) and
    // a spawn point at (570, 210); both fighters start there.
    static void setUp(std::vector<std::string> rows)
    {
        rows.resize(11);
        rows[9].resize(32, ' ');
        rows[9][28] = 'S';
        rows[10] = std::string(32, '#');
        buildArena(rows);
        setupLevel();
        createPlayers();
    }
    // Column 5: wall at row 2, lift mark at row 5, so the lift starts at y = 110.
    static Lift *setUpLift()
    {
        setUp({"", "", "     #", "", "", "     L"});
        return objectsOf<Lift>()[0];
    }
    static int shaftAt(int row) { return ItemLayer[row * ArenaColumns + 5]; }
};

TEST_F(Machines, JumpPadLaunchesEveryoneInItsBoxThenRestsSeventyUpdates)
{
    ImageSlots[1] = SDL_CreateRGBSurface(SDL_SWSURFACE, 160, 40, 16, screen->format->Rmask,
                                         screen->format->Gmask, screen->format->Bmask, 0);
    SDL_Rect ready = {0, 20, 20, 20}, resting = {20, 20, 20, 20};  // frames 8 and 9
    SDL_FillRect(ImageSlots[1], &ready, screenColour(0, 255, 0));
    SDL_FillRect(ImageSlots[1], &resting, screenColour(255, 0, 0));
    auto shown = [] {
        SDL_FillRect(screen, nullptr, 0);
        drawWorld();
        Uint32 pixel = pixelAt(screen, 100, 200);
        return pixel == screenColour(0, 255, 0) ? 8 : pixel == screenColour(255, 0, 0) ? 9 : -1;
    };

    setUp({"", "", "", "", "", "", "", "", "", "     J"});  // pad centre (110, 210)
    Player *first = players[0], *second = players[1];
    first->x = 100.5;
    first->y = 219.9;
    first->fallDistance = 50;
    second->x = 119.9;
    second->y = 200.1;
    EXPECT_EQ(shown(), 8);
    runFrame();
    EXPECT_EQ(first->vy, -10.0);
    EXPECT_EQ(first->fallDistance, 0);
    EXPECT_EQ(second->vy, -10.0);
    EXPECT_EQ(playingSlot(4), 5);

    for (int i = 1; i <= 70; i++) {
        ASSERT_EQ(shown(), 9) << "update " << i;
        first->vy = second->vy = 0;
        runFrame();
        ASSERT_EQ(first->vy, 0.0) << "update " << i;
    }
    EXPECT_EQ(shown(), 8);

    first->respawnTimer = 40;  // the dead and those 10 px off stay put
    second->x = 120;
    runFrame();
    EXPECT_EQ(first->vy + second->vy, 0.0);
    second->x = 119;
    runFrame();
    EXPECT_EQ(second->vy, -10.0);
}

TEST_F(Machines, LiftStepsEveryThirdFrameLaysItsShaftAndTurnsAtBothEnds)
{
    Lift *lift = setUpLift();
    ASSERT_EQ(lift->y, 110);
    std::vector<int> firstFrames;
    for (int i = 0; i < 7; i++) {
        runFrame();
        firstFrames.push_back(lift->y);
    }
    EXPECT_EQ(firstFrames, (std::vector<int>{111, 111, 111, 112, 112, 112, 113}));
    EXPECT_EQ(shaftAt(4), ItemShaft);  // the first tile it left

    while (lift->movingDown == 1 && frameCounter < 2000) {
        ASSERT_EQ(Mix_Playing(4), 0);
        runFrame();
    }
    EXPECT_EQ(lift->y, 209);  // turned at 210 and climbed a pixel in the same update
    EXPECT_EQ(frameCounter % 3, 1);
    EXPECT_EQ(playingSlot(4), 12);
    for (int row = 4; row <= 9; row++)
        EXPECT_EQ(shaftAt(row), row < 9 ? ItemShaft : 0) << "row " << row;

    Mix_HaltChannel(4);
    while (lift->movingDown == 0 && frameCounter < 4000)
        runFrame();
    EXPECT_EQ(lift->y, 80);  // upper half inside the wall tile of row 2
    EXPECT_EQ(Mix_Playing(4), 0);
    for (int row = 3; row <= 9; row++)
        EXPECT_EQ(shaftAt(row), 0) << "row " << row;
    runFrame();
    runFrame();
    EXPECT_EQ(lift->y, 80);
    runFrame();
    EXPECT_EQ(lift->y, 81);
}

TEST_F(Machines, LiftCrushesOnlyLivingFightersJustBelowItsCentre)
{
    Lift *lift = setUpLift();
    Player *under = players[0], *beside = players[1];
    under->x = 119.5;
    under->y = 210;  // standing on the floor
    beside->x = 120;
    beside->y = 210;
    while (under->respawnTimer == 0 && frameCounter < 1000)
        runFrame();
    EXPECT_EQ(lift->y, 196);  // the first centre less than 15 px above
    EXPECT_EQ(beside->respawnTimer, 0);
    EXPECT_EQ(under->kills + beside->kills, 0);
    under->x = 110;
    under->y = 205;  // under it again while dead
    runFrame();
    EXPECT_EQ(debrisCount, 21);  // crushed once, one burst

    frameCounter = 1;  // no steps: level with the centre or above is safe
    beside->x = 110;
    for (double below : {0.0, -1.0, 14.5}) {
        beside->y = lift->y + below;
        updateWorld();
        EXPECT_EQ(beside->respawnTimer > 0, below > 0) << below;
    }
}

TEST_F(Machines, KnifeStuckInTheShaftFallsWhenTheLiftClearsItsTile)
{
    Lift *lift = setUpLift();
    while (lift->y < 200)
        runFrame();
    new Knife(200, 150, 1, 0, 0);  // row 6, flying left into the shaft
    for (int i = 0; i < 40; i++)
        runFrame();
    ASSERT_EQ(objectsOf<Knife>().size(), 1u);
    EXPECT_EQ(objectsOf<Knife>()[0]->x, 125);
    EXPECT_EQ(debrisCount, 1);

    while (!objectsOf<Knife>().empty() && frameCounter < 2000) {
        ASSERT_EQ(shaftAt(6), ItemShaft);
        runFrame();
    }
    EXPECT_EQ(shaftAt(6), 0);
    EXPECT_EQ(lift->y, 150);  // climbing, its lowest pixel just left row 6
    EXPECT_EQ(debrisCount, 0);
}

TEST_F(Machines, LiftInAnOpenColumnTurnsAtTheScreenEdgesAndStaysInTheWorld)
{
    buildArena({"", "", "", "", "", "     L"});
    setupLevel();
    Lift *lift = objectsOf<Lift>()[0];
    int bottom = lift->y, top = lift->y;
    for (int i = 0; i < 3 * 1000; i++) {
        runFrame();
        ASSERT_EQ(objectsOf<Lift>().size(), 1u);
        bottom = std::max(bottom, lift->y);
        top = std::min(top, lift->y);
    }
    EXPECT_EQ(bottom, 470);  // its lowest pixel on the screen's last pixel row
    EXPECT_EQ(top, 20);      // upper half in the HUD strip, as in a wall
}

}  // namespace
