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
