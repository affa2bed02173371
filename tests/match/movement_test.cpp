// Fighter movement driven through updatePlayer on small arenas: walking,
// turning, jumping, landing, falls, walls, knock-back, ladders, gadgets, stomps.
#include "support/support.h"

#include "arena/arena.h"
#include "match/player.h"
#include "shell/shell.h"
#include "world/world.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace {

const std::string Floor = "################################";

class Movement : public ::testing::Test {
protected:
    void SetUp() override
    {
        initHeadlessScreen();
        resetWorld();
        srand(7);
        settings.Image1 = 1;
        settings.Image2 = 2;
    }
    void TearDown() override { resetWorld(); }

    // Builds the arena, sets it up and creates both fighters; fighter 2 is
    // parked in the bottom-left corner, out of everyone's way.
    void start(std::vector<std::string> rows)
    {
        rows.resize(ArenaRows);
        rows[22] = Floor;
        buildArena(rows);
        setupLevel();
        createPlayers();
        stand(players[1], 0, 21);
    }

    static void stand(Player *p, int column, int row)
    {
        p->x = column * 20 + 10;
        p->y = row * 20 + 30;
        p->vx = p->vy = p->pushVx = 0;
        p->fallDistance = 0;
    }

    static void idle(Player *p, int frames = 1)
    {
        for (int i = 0; i < frames; i++)
            p->updatePlayer(0, 0, 0, 0, 0);
    }
};

std::vector<std::string> floorAtRow10()
{
    std::vector<std::string> rows(11);
    rows[10] = Floor;
    return rows;
}

TEST_F(Movement, TurningComesBeforeWalkingAndWalkingSettlesNearOnePointEightSeven)
{
    start(floorAtRow10());
    Player *p = players[0];
    stand(p, 30, 9);
    p->facing = 0;

    // Both keys while facing right: left turns, right turns back, nothing accelerates.
    for (int i = 0; i < 10; i++)
        p->updatePlayer(1, 1, 0, 0, 0);
    EXPECT_EQ(p->facing, 0);
    EXPECT_EQ(p->vx, 0.0);
    EXPECT_EQ(p->x, 610.0);

    p->updatePlayer(1, 0, 0, 0, 0);
    EXPECT_EQ(p->facing, 1);
    EXPECT_EQ(p->vx, 0.0);
    EXPECT_EQ(p->walkPhase, 0);

    // The acceleration is the single-precision 0.8.
    p->updatePlayer(1, 0, 0, 0, 0);
    EXPECT_DOUBLE_EQ(p->vx, -static_cast<double>(0.8f) * 0.7);
    EXPECT_DOUBLE_EQ(p->x, 610.0 - static_cast<double>(0.8f) * 0.7);

    int phases[4];
    for (int &phase : phases) {
        p->updatePlayer(1, 0, 0, 0, 0);
        phase = p->walkPhase;
    }
    EXPECT_EQ(phases[0], 2);
    EXPECT_EQ(phases[1], 3);
    EXPECT_EQ(phases[2], 0);
    EXPECT_EQ(phases[3], 1);

    for (int i = 0; i < 40; i++)
        p->updatePlayer(1, 0, 0, 0, 0);
    double before = p->x;
    p->updatePlayer(1, 0, 0, 0, 0);
    double settled = 0.8 * 0.7 / 0.3;
    EXPECT_NEAR(before - p->x, settled, 1e-5);
    EXPECT_EQ(p->y, 210.0);
    EXPECT_EQ(p->vy, 0.0);

    // Released, vx decays geometrically and is never snapped to 0.
    idle(p, 30);
    EXPECT_LT(p->vx, 0.0);
    EXPECT_GT(p->vx, -1e-3);
}

TEST_F(Movement, JumpRisesSixPointEightFirstAndLandsSnappedOnTheFloor)
{
    start(floorAtRow10());
    Player *p = players[0];
    stand(p, 5, 9);

    p->updatePlayer(0, 0, 1, 0, 0);
    EXPECT_EQ(p->vy, -7.0);
    EXPECT_EQ(p->y, 210.0);

    idle(p);
    EXPECT_DOUBLE_EQ(p->y, 210.0 - 7.0 + static_cast<double>(0.2f));
    EXPECT_EQ(p->walkPhase, 4);

    // A jump held in the air does nothing without the jetpack.
    p->updatePlayer(0, 0, 1, 0, 0);
    EXPECT_DOUBLE_EQ(p->vy, -7.0 + 2 * static_cast<double>(0.2f));

    int frames = 0;
    while ((p->vy != 0 || p->y != 210.0) && frames < 200) {
        idle(p);
        frames++;
    }
    EXPECT_LT(frames, 200);
    EXPECT_EQ(p->y, 210.0);
    EXPECT_EQ(p->health, 100);
    EXPECT_EQ(p->fallDistance, 0);

    // Landing from a fractional height puts the centre in the middle of its band.
    p->y = 203.5;
    p->vy = 6;
    idle(p);
    EXPECT_EQ(p->y, 209.5);
    idle(p);
    EXPECT_EQ(p->y, 210.0);
    EXPECT_EQ(p->vy, 0.0);
    idle(p, 5);
    EXPECT_EQ(p->y, 210.0);
}

TEST_F(Movement, LandingAfterTwoHundredPixelsIsSurvivedAndAfterTwoHundredAndOneIsNot)
{
    start(floorAtRow10());
    Player *p = players[0];

    stand(p, 5, 9);
    p->y = 208;
    p->vy = 3;
    p->fallDistance = 200;
    idle(p);
    EXPECT_EQ(p->health, 100);
    EXPECT_EQ(p->y, 210.0);
    EXPECT_EQ(p->fallDistance, 0);

    stand(p, 5, 9);
    p->y = 208;
    p->vy = 3;
    p->fallDistance = 201;
    idle(p);
    EXPECT_EQ(p->health, 0);
    EXPECT_EQ(p->kills + players[1]->kills, 0);

    // A real fall of 180 pixels is survived; the count never exceeds the distance.
    resetWorld();
    start(floorAtRow10());
    p = players[0];
    stand(p, 5, 0);
    int maxFall = 0;
    for (int i = 0; i < 100 && !(p->y == 210.0 && p->vy == 0); i++) {
        idle(p);
        maxFall = std::max(maxFall, p->fallDistance);
        EXPECT_LE(p->fallDistance, static_cast<int>(p->y - 30) + 1);
    }
    EXPECT_EQ(p->y, 210.0);
    EXPECT_EQ(p->health, 100);
    EXPECT_GT(maxFall, 150);
}

TEST_F(Movement, WallStopsTheFighterInTheFrameItsProbeMeetsTheWall)
{
    std::vector<std::string> rows = floorAtRow10();
    rows[9] = std::string(20, '.') + "#";
    start(rows);
    Player *p = players[0];
    stand(p, 15, 9);
    p->facing = 0;

    bool stopped = false;
    for (int i = 0; i < 100 && !stopped; i++) {
        double before = p->x;
        p->updatePlayer(0, 1, 0, 0, 0);
        ASSERT_LT(p->x + 6, 400.0);
        if (p->vx == 0) {
            stopped = true;
            EXPECT_EQ(p->x, before);
            EXPECT_EQ(p->pushVx, 0.0);
            EXPECT_GT(p->x, 390.0);
        }
    }
    ASSERT_TRUE(stopped);

    // Pressed against the wall it stays put, still stepping its walk phase.
    for (int i = 0; i < 30; i++)
        p->updatePlayer(0, 1, 0, 0, 0);
    double pressed = p->x;
    int phase = p->walkPhase;
    p->updatePlayer(0, 1, 0, 0, 0);
    p->updatePlayer(0, 1, 0, 0, 0);
    EXPECT_EQ(p->x, pressed);
    EXPECT_NE(p->walkPhase, phase);
    EXPECT_LT(p->x + 6, 400.0);

    // A knock-back towards the wall is dropped at once.
    stand(p, 19, 9);
    p->x = 392;
    p->pushVx = 3;
    idle(p);
    EXPECT_EQ(p->pushVx, 0.0);
    EXPECT_EQ(p->x, 392.0);
}

TEST_F(Movement, KnockBackDecaysAndIsDroppedInTheHundredAndTenthUpdate)
{
    start(floorAtRow10());
    Player *p = players[0];
    stand(p, 3, 9);
    p->pushVx = 3;
    idle(p, 109);
    EXPECT_GT(p->pushVx, 1.0);
    EXPECT_NEAR(p->pushVx, 3 * std::pow(0.99, 109), 1e-9);
    EXPECT_GT(p->x, 200.0);
    idle(p);
    EXPECT_EQ(p->pushVx, 0.0);
    EXPECT_EQ(p->vx, 0.0);
}

TEST_F(Movement, LaddersClimbAtTwoPixelsPerFrameAndCatchAFallingFighter)
{
    std::vector<std::string> rows = floorAtRow10();
    for (int row = 3; row <= 9; row++)
        rows[row] = ".....H";
    start(rows);
    Player *p = players[0];
    stand(p, 5, 9);

    p->updatePlayer(0, 0, 1, 0, 0);
    EXPECT_EQ(p->vy, -7.0);
    for (int k = 1; k <= 5; k++) {
        idle(p);
        EXPECT_EQ(p->vy, -2.0);
        EXPECT_EQ(p->y, 210.0 - 2 * k);
    }
    // Climbs on without the key until it leaves the top of the ladder, then
    // drops back onto the ladder's top cell.
    double highest = p->y;
    for (int i = 0; i < 100; i++) {
        idle(p);
        highest = std::min(highest, p->y);
    }
    EXPECT_LT(highest, 80.0);
    EXPECT_EQ(p->y, 90.0);

    // Falling into a ladder cell lands at once and stays there.
    stand(p, 5, 1);
    p->vy = 3;
    for (int i = 0; i < 20; i++)
        idle(p);
    EXPECT_EQ(p->vy, 0.0);
    EXPECT_EQ(p->y, 90.0);
    EXPECT_EQ(p->health, 100);
}

TEST_F(Movement, ParachuteOpensAfterAHundredPixelsAndNeverLetsAFallKill)
{
    start({});
    Player *p = players[0];
    stand(p, 10, 0);
    p->gadget = GadgetParachute;
    p->gadgetCharge = 1;

    int previousFall = 0;
    bool opened = false;
    for (int i = 0; i < 400 && !(p->vy == 0 && i > 0); i++) {
        idle(p);
        if (!opened && p->gadgetCharge == 2) {
            opened = true;
            EXPECT_GT(previousFall, 100);
            EXPECT_EQ(p->pose, 4);
        }
        if (!opened) {
            EXPECT_LE(previousFall, 100);
        }
        if (opened && p->vy > 0) {
            EXPECT_LE(p->vy, 2.0);
        }
        EXPECT_LE(p->fallDistance, 106);
        previousFall = p->fallDistance;
    }
    EXPECT_TRUE(opened);
    EXPECT_EQ(p->y, 450.0);
    EXPECT_EQ(p->health, 100);
    EXPECT_EQ(p->respawnTimer, 0);
    EXPECT_EQ(p->gadget, GadgetParachute);
    EXPECT_EQ(p->gadgetCharge, 1);  // folded on landing
    idle(p);
    EXPECT_EQ(p->pose, 3);
}

TEST_F(Movement, JetpackThrustsWhileChargedAndGoesWithTheLastFrame)
{
    start(floorAtRow10());
    Player *p = players[0];
    stand(p, 5, 9);
    p->gadget = GadgetJetpack;
    p->gadgetCharge = 4;

    p->updatePlayer(0, 0, 1, 0, 0);
    EXPECT_EQ(p->vy, -2.0);
    EXPECT_EQ(p->pose, 2);
    double before = p->y;
    p->updatePlayer(0, 0, 1, 0, 0);
    EXPECT_DOUBLE_EQ(before - p->y, 2.0 - static_cast<double>(0.2f));
    p->updatePlayer(0, 0, 1, 0, 0);
    EXPECT_EQ(p->gadgetCharge, 1);

    // Charge 1: one more thrust, then the jetpack is gone.
    p->gadgetCharge = 1;
    p->updatePlayer(0, 0, 1, 0, 0);
    EXPECT_EQ(p->gadget, GadgetJetpack);
    EXPECT_EQ(p->gadgetCharge, 0);
    EXPECT_EQ(p->vy, -2.0);
    EXPECT_EQ(p->fallDistance, 0);
    p->updatePlayer(0, 0, 1, 0, 0);
    EXPECT_EQ(p->gadget, GadgetNone);
    EXPECT_EQ(p->pose, 0);
    EXPECT_DOUBLE_EQ(p->vy, -2.0 + static_cast<double>(0.2f));
}

TEST_F(Movement, CeilingsStopARiseButTheRightHeadProbeLooksFromTheCurrentHeight)
{
    std::vector<std::string> rows = floorAtRow10();
    rows[4] = "......#.........#";  // y 100..119 above x 120..139 and 320..339
    start(rows);
    Player *p = players[0];

    // The HUD strip is a ceiling.
    stand(p, 5, 0);
    p->vy = -5;
    idle(p);
    EXPECT_EQ(p->vy, 0.0);
    EXPECT_EQ(p->y, 30.0);

    // Ceiling over the left probe: stopped before moving.
    p->x = 342;
    p->y = 130;
    p->vy = -3;
    idle(p);
    EXPECT_EQ(p->vy, 0.0);
    EXPECT_EQ(p->y, 130.0);

    // Ceiling over the right probe only: the rise goes on one more frame.
    p->x = 118;
    p->y = 130;
    p->vy = -3;
    idle(p);
    EXPECT_DOUBLE_EQ(p->y, 130.0 - 3.0 + static_cast<double>(0.2f));
    idle(p);
    EXPECT_EQ(p->vy, 0.0);
}

TEST_F(Movement, LandingOnAHeadKillsScoresAndForgetsTheFall)
{
    std::vector<std::string> rows = floorAtRow10();
    rows[0] = "S..............................S";
    start(rows);
    Player *top = players[0];
    Player *bottom = players[1];
    stand(bottom, 10, 9);
    stand(top, 10, 3);
    top->x += 4.9;
    top->fallDistance = 150;

    int stompFrame = -1;
    for (int i = 0; i < 60 && stompFrame < 0; i++) {
        double before = top->y;
        idle(top);
        if (bottom->respawnTimer > 0) {
            stompFrame = i;
            EXPECT_GT(top->y, before);  // killed while still falling
            EXPECT_LT(210.0 - top->y, 10.0);
        }
    }
    ASSERT_GE(stompFrame, 0);
    EXPECT_EQ(top->kills, 1);
    EXPECT_EQ(top->fallDistance, 0);
    EXPECT_EQ(bottom->respawnTimer, 100);
    EXPECT_EQ(bottom->y, 30.0);
    EXPECT_EQ(debrisCount, 21);
    idle(top, 5);
    EXPECT_EQ(top->health, 100);

    // Five pixels apart is a miss, and fighters do not block each other.
    resetWorld();
    start(rows);
    top = players[0];
    bottom = players[1];
    stand(bottom, 10, 9);
    stand(top, 10, 3);
    top->x += 5;
    idle(top, 60);
    EXPECT_EQ(bottom->respawnTimer, 0);
    EXPECT_EQ(top->kills, 0);
    EXPECT_EQ(top->y, 210.0);

    // A dead fighter cannot be landed on.
    stand(top, 10, 3);
    bottom->respawnTimer = 50;
    bottom->x = top->x;
    bottom->y = 210;
    idle(top, 60);
    EXPECT_EQ(top->kills, 0);
    EXPECT_EQ(bottom->respawnTimer, 50);
}

TEST_F(Movement, FighterKilledByADeadlyCellSkipsTheRestOfItsUpdate)
{
    std::vector<std::string> rows = floorAtRow10();
    rows[2] = "S";
    rows[9] = ".....X";
    start(rows);
    Player *p = players[0];
    stand(p, 5, 9);
    p->vx = 1.5;
    p->vy = 0;

    p->updatePlayer(0, 1, 1, 0, 0);
    EXPECT_EQ(debrisCount, 21);  // one burst only
    EXPECT_EQ(p->respawnTimer, 100);
    EXPECT_EQ(p->health, 0);
    EXPECT_EQ(p->x, 10.0);  // at the spawn point, not moved on from it
    EXPECT_EQ(p->y, 70.0);
    EXPECT_EQ(p->vx, 1.5);
    EXPECT_EQ(p->vy, 0.0);  // the held jump was not applied
}

}  // namespace
