// Fighter movement through updatePlayer on small arenas: the boundaries the
// replay net seldom meets (the deadly fall, the head probes).
#include "support/support.h"

namespace {

class Movement : public SmallArena {
protected:
    void SetUp() override
    {
        SmallArena::SetUp();
        seedRandom(match.random, 7);
    }

    // Floor at row 10 (a fighter stands at y = 210), extra rows on top;
    // fighter 2 is parked in the bottom-left corner.
    Player *start(std::vector<std::string> rows = {}, int column = 5, int row = 9)
    {
        rows.resize(ArenaRows);
        rows[10] = rows[22] = std::string(32, '#');
        buildArena(rows);
        setupLevel(match);
        createPlayers();
        stand(&match.players[1], 0, 21);
        return stand(&match.players[0], column, row);
    }

    static Player *stand(Player *p, int column, int row)
    {
        p->x = column * 20 + 10;
        p->y = row * 20 + 30;
        p->vx = p->vy = p->pushVx = 0;
        p->fallDistance = 0;
        return p;
    }

    static void idle(Player *p, int frames = 1)
    {
        for (int i = 0; i < frames; i++)
            p->updatePlayer(match, {0, 0, 0, 0});
    }
};

TEST_F(Movement, LandingAfterTwoHundredPixelsIsSurvivedAndAfterTwoHundredAndOneIsNot)
{
    for (int fall : {200, 201}) {
        Player *p = start();
        p->y = 208;
        p->vy = 3;
        p->fallDistance = fall;
        idle(p);
        EXPECT_EQ(std::tuple(p->health, p->fallDistance), std::tuple(fall == 200 ? 100 : 0, 0)) << fall;
        match = Match();
    }
}

TEST_F(Movement, CeilingsStopARiseButTheRightHeadProbeLooksFromTheCurrentHeight)
{
    std::vector<std::string> rows(10);
    rows[4] = "......#.........#";  // y 100..119 above x 120..139 and 320..339
    Player *p = start(rows);
    for (auto [x, stops] : {std::pair{342.0, true}, {118.0, false}}) {
        p->x = x;
        p->y = 130;
        p->vy = -3;
        idle(p);
        EXPECT_EQ(p->y, stops ? 130.0 : 130.0 - 3.0 + static_cast<double>(0.2f)) << x;
    }
    idle(p);
    EXPECT_EQ(p->vy, 0.0);
}

}  // namespace
