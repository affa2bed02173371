// Arena machines on small arenas: jump pad reach and rest, lifts stepping
// every third frame, laying and clearing their shaft, turning, crushing at the
// edge of their reach, and staying inside an arena left open.
#include "support/support.h"

namespace {

void runFrame()
{
    updateWorld(match);
    match.frameCounter++;
}

class Machines : public SmallArena {
protected:
    void SetUp() override
    {
        SmallArena::SetUp();
        seedRandom(match.random, 3);
    }
    // Column 5: wall at row 2, lift mark at row 5, so the lift starts at y = 110.
    static Lift *setUpLift()
    {
        start({"", "", "     #", "", "", "     L"});
        return objectsOf<Lift>()[0];
    }
    static int shaftAt(int row) { return match.arena.ItemLayer[row * ArenaColumns + 5]; }
};

TEST_F(Machines, LiftStepsEveryThirdFrameLaysItsShaftAndTurnsAtBothEnds)
{
    Lift *lift = setUpLift();
    for (int frame = 0; frame < 7; frame++) {
        EXPECT_EQ(lift->y, 110 + (frame + 2) / 3) << frame;
        runFrame();
    }
    while (lift->movingDown == 1 && match.frameCounter < 2000) {
        ASSERT_EQ(Mix_Playing(4), 0);
        runFrame();
    }
    EXPECT_EQ(lift->y, 209);  // turned at 210 and climbed a pixel in the same update
    EXPECT_EQ(playingSlot(4), 12);
    for (int row = 3; row <= 9; row++)
        EXPECT_EQ(shaftAt(row), row > 3 && row < 9 ? ItemShaft : 0) << "row " << row;

    Mix_HaltChannel(4);
    while (lift->movingDown == 0 && match.frameCounter < 4000)
        runFrame();
    EXPECT_EQ(lift->y, 80);  // upper half inside the wall tile of row 2
    EXPECT_EQ(Mix_Playing(4), 0);
    for (int row = 3; row <= 9; row++)
        EXPECT_EQ(shaftAt(row), 0) << "row " << row;
    for (int frame = match.frameCounter + 3; match.frameCounter < frame;)
        runFrame();  // three frames to the next step down
    EXPECT_EQ(lift->y, 81);
}

TEST_F(Machines, LiftCrushesOnlyLivingFightersJustBelowItsCentre)
{
    Lift *lift = setUpLift();
    match.frameCounter = 1;  // no steps
    match.players[0].x = 119.5;
    match.players[1].x = 120;
    for (double below : {0.0, -1.0, 15.0, 14.5}) {
        match.players[0].y = match.players[1].y = lift->y + below;
        updateWorld(match);
        EXPECT_EQ(match.players[0].respawnTimer > 0, below > 0 && below < 15) << below;
        EXPECT_EQ(match.players[1].respawnTimer, 0) << below;
    }
    match.players[0].x = 110;
    match.players[0].y = lift->y + 5;  // under it again while dead
    updateWorld(match);
    // Crushed once, one burst; nobody scores.
    EXPECT_EQ(std::tuple(match.debrisCount, match.players[0].kills + match.players[1].kills), std::tuple(21, 0));
}

TEST_F(Machines, LiftInAnOpenColumnTurnsAtTheScreenEdgesAndStaysInTheWorld)
{
    buildArena({"", "", "", "", "", "     L"});
    setupLevel(match);
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
