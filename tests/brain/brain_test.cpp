// The computer player on the shipped arenas and on small ones: it gets from
// every spawn point to every other, its thinking leaves the match as it was
// and never draws on the match's random numbers, and a seed plays the same
// match every time.
#include "brain/brain.h"
#include "support/support.h"

namespace {

constexpr int ForeverDead = 1000000;

std::vector<std::string> shippedArenas()
{
    std::vector<std::string> arenas;
    for (const auto &entry : std::filesystem::directory_iterator(ZOLTR_SOURCE_DIR "/game/maps"))
        if (entry.path().filename() != "win1")
            arenas.push_back(entry.path().string());
    std::sort(arenas.begin(), arenas.end());
    return arenas;
}

void startArena(const std::string &path, unsigned seed = 1)
{
    match = Match();
    ASSERT_TRUE(startMatch(match, {path.c_str(), 0, {1, 2}, seed, {nullptr, nullptr}})) << path;
}

// The cell a fighter rests in when it appears at spawn point `n`.
int spawnCell(int n)
{
    Player &p = match.players[0];
    p.placeAtSpawn(match.arena, n);
    return static_cast<int>(p.y / CellSize - 1) * ArenaColumns + static_cast<int>(p.x / CellSize);
}

// The spawn point in arena1's bottom-left pocket is entered only across its
// jump pad while the pad rests from a throw; the map does not plan with a pad's rest.
TEST(BrainWay, FromEverySpawnPointOfEveryShippedArenaToEveryOther)
{
    installSilentSounds();
    std::string noWay;
    for (const std::string &arena : shippedArenas()) {
        startArena(arena);
        NavMap map;
        buildNavMap(map, match);
        for (int from = 0; from < match.spawnPointCount; from++)
            for (int to = 0; to < match.spawnPointCount; to++) {
                if (from == to)
                    continue;
                int target = spawnCell(to);
                int start = spawnCell(from);
                if (map.cost[map.nodeOfCell[start] * map.nodes() + map.nodeOfCell[target]] >= 1 << 28) {
                    noWay += std::filesystem::path(arena).filename().string() + " " + std::to_string(from) + ">" +
                             std::to_string(to) + " ";
                    continue;
                }
                match.players[1].respawnTimer = ForeverDead;
                Brain brain;
                startBrain(brain, 0, ComputerHard, 7);
                brain.map = map;
                brain.destination = target;
                int frame = 0, cell = -1;
                for (; frame < 2000 && cell != target; frame++) {
                    stepMatch(think(match, 0, brain), {});
                    ASSERT_EQ(match.players[0].respawnTimer, 0)
                        << arena << " died on the way from " << from << " to " << to;
                    const Player &p = match.players[0];
                    cell = p.vy == 0
                               ? static_cast<int>(p.y / CellSize - 1) * ArenaColumns + static_cast<int>(p.x / CellSize)
                               : -1;
                }
                EXPECT_EQ(cell, target) << arena << " from spawn " << from << " to " << to;
            }
    }
    EXPECT_EQ(noWay, "arena1 0>2 arena1 1>2 arena1 3>2 ");
    removeSilentSounds();
}

// The state hash covers the arena, the fighters, the world and the match's random generator.
TEST(BrainThinking, LeavesTheMatchAndItsRandomNumbersAlone)
{
    // Pads, a lift, pickups, a hurting and a deadly cell, a ladder.
    installSilentSounds();
    startArena(shippedArenas()[0]);
    dropBomb(match, 200, 200, 1);
    for (int level : {ComputerEasy, ComputerHard}) {
        Brain brains[2];
        startBrain(brains[0], 0, level, 3);
        startBrain(brains[1], 1, level, 4);
        for (int frame = 0; frame < 400; frame++) {
            FighterInput input[2];
            for (int f = 0; f < 2; f++) {
                uint32_t before = hash(match);
                input[f] = think(match, f, brains[f]);
                ASSERT_EQ(hash(match), before) << "frame " << frame;
            }
            stepMatch(input[0], input[1]);
        }
        EXPECT_GT(brains[0].map.nodes(), 20);
    }
    removeSilentSounds();
}

// Whoever stands still anywhere a fighter can appear is found and killed:
// from behind a pit, across a jump pad, on a ledge a grenade only overshoots.
TEST(BrainFighting, AHardComputerKillsAPlayerWhoStandsStillOnEveryShippedArena)
{
    installSilentSounds();
    for (const std::string &arena : shippedArenas())
        for (unsigned seed : {1u, 2u, 11u, 13u}) {
            startArena(arena, seed);
            Brain brain;
            startBrain(brain, 0, ComputerHard, seed);
            int frame = 0;
            for (; frame < 9000 && match.players[0].kills < 3; frame++)
                stepMatch(think(match, 0, brain), {});
            EXPECT_EQ(match.players[0].kills, 3) << arena << " seed " << seed << ": the other still stands at "
                                                 << match.players[1].x << "," << match.players[1].y;
        }
    removeSilentSounds();
}

// The arena with spike pits and jump pads: neither of two hard computers dies
// of its own move (under a parachute, after a pad's throw) while unhurt.
TEST(BrainFighting, HardComputersUnhurtNeverDieOfTheirOwnMoves)
{
    installSilentSounds();
    for (unsigned seed : {8u, 15u, 20u}) {
        startArena(shippedArenas()[2], seed);
        Brain brains[2];
        startBrain(brains[0], 0, ComputerHard, seed);
        startBrain(brains[1], 1, ComputerHard, seed);
        for (int frame = 0; frame < 9000 && match.players[0].kills < 5 && match.players[1].kills < 5; frame++) {
            Player before[2] = {match.players[0], match.players[1]};
            stepMatch(think(match, 0, brains[0]), think(match, 1, brains[1]));
            for (int f = 0; f < 2; f++) {
                const Player &b = before[f];
                int attribute =
                    attributeAt(match.arena, static_cast<int>(b.x / CellSize), static_cast<int>(b.y / CellSize - 1));
                bool fellOrSpiked = b.fallDistance + b.vy > 195 || b.y + b.vy > 470 || attribute == AttributeDeadly;
                EXPECT_FALSE(isLiving(b) && !isLiving(match.players[f]) && b.health == 100 && fellOrSpiked &&
                             match.players[1 - f].kills == before[1 - f].kills)
                    << "seed " << seed << " frame " << frame << ": fighter " << f << " died at " << before[f].x << ","
                    << before[f].y;
            }
        }
    }
    removeSilentSounds();
}

// Positions and scores of a whole match between two brains, frame by frame.
std::string playedMatch(unsigned seed, int frames)
{
    startArena(shippedArenas()[1], seed);
    Brain brains[2];
    startBrain(brains[0], 0, ComputerHard, seed);
    startBrain(brains[1], 1, ComputerNormal, seed);
    std::string trace;
    for (int frame = 0; frame < frames; frame++) {
        stepMatch(think(match, 0, brains[0]), think(match, 1, brains[1]));
        for (const Player &p : match.players)
            trace += std::to_string(static_cast<int>(p.x)) + "," + std::to_string(static_cast<int>(p.y)) + "," +
                     std::to_string(p.kills) + ";";
    }
    return trace;
}

TEST(BrainThinking, TheSameSeedPlaysTheSameMatch)
{
    installSilentSounds();
    std::string first = playedMatch(5, 3000);
    EXPECT_EQ(playedMatch(5, 3000), first);
    EXPECT_NE(playedMatch(6, 3000), first);
    removeSilentSounds();
}

class BrainKeepingClear : public SmallArena {
protected:
    // A fresh match on a small arena of `rows`, the computer under test
    // playing fighter 1 from `selfX` at `level`, the other at `otherX`.
    void startComputer(int level, unsigned seed, double selfX, double otherX, std::vector<std::string> rows = {})
    {
        match = Match();
        start(rows);
        startBrain(brain, 0, level, seed);
        self().x = selfX;
        other().x = otherX;
    }
    static Player &self() { return match.players[0]; }
    static Player &other() { return match.players[1]; }
    Brain brain;
};

// Another fighter dropped from above onto the knife it walks to fetch, at
// several moments and from either side, one jumping across over it as it
// flies a jetpack at them, and a bomb about to go off beside it on a bare
// floor: a hard computer steps, jumps or flies clear.
TEST_F(BrainKeepingClear, AHardComputerIsNotLandedOnNorCaughtByABomb)
{
    std::string killed;
    for (double dx : {-4.0, 4.0})
        for (int delay : {0, 8, 16, 24}) {
            startComputer(ComputerHard, 5, 250, 560, {"", "", "", "", "", "", "", "", "", "               4"});
            for (int frame = 0; frame < 80 && isLiving(self()); frame++) {
                if (frame == delay) {
                    other().x = 310 + dx;
                    other().y = 90;
                }
                stepMatch(think(match, 0, brain), {});
            }
            if (!isLiving(self()))
                killed += "landed on " + std::to_string(dx) + "," + std::to_string(delay) + " ";
        }
    // Flying at someone without a jetpack, set on its strike, while the other
    // jumps across over it: it does not fly on under the other's feet.
    for (double dx : {-40.0, 40.0})
        for (int delay : {0, 10, 20}) {
            startComputer(ComputerHard, 5, 300, 300 + dx);
            self().y = other().y = 210;
            self().gadget = GadgetJetpack;
            self().gadgetCharge = 200;
            for (int frame = 0; frame < 90 && isLiving(self()); frame++)
                stepMatch(think(match, 0, brain), {dx > 0, dx < 0, frame >= delay && frame < delay + 12, 0});
            if (!isLiving(self()))
                killed += "jumped on " + std::to_string(dx) + "," + std::to_string(delay) + " ";
        }
    for (double dx : {-30.0, 30.0}) {
        startComputer(ComputerHard, 5, 300, 560);
        other().respawnTimer = ForeverDead;
        dropBomb(match, 300 + dx, 210, 1)->age = BombFuse - 40;
        for (int frame = 0; frame < 60 && isLiving(self()); frame++)
            stepMatch(think(match, 0, brain), {});
        if (!isLiving(self()))
            killed += "bombed from " + std::to_string(dx) + " ";
    }
    EXPECT_EQ(killed, "");
}

// A fighter standing on a ledge no jump reaches, and a jetpack on the floor
// nearby: the computer fetches it, flies over the other's head and drops on it.
TEST_F(BrainKeepingClear, AComputerFetchesAJetpackToComeDownOnSomeoneOutOfReach)
{
    for (int level : {ComputerEasy, ComputerNormal, ComputerHard}) {
        startComputer(level, 3, 450, 160, {"", "", "", "     #######", "", "", "", "", "", "                6"});
        other().y = 70;
        for (int frame = 0; frame < 1500 && self().kills == 0; frame++)
            stepMatch(think(match, 0, brain), {});
        EXPECT_EQ(self().kills, 1) << "level " << level << ": it stands at " << self().x << "," << self().y;
        EXPECT_EQ(self().respawnTimer, 0) << "level " << level;
    }
}

// Someone hovering on a jetpack under a block, where nobody gets over
// their head, in the way of a flying computer at its height, a little above
// or a little below: it flies round them, never up or across into their feet.
TEST_F(BrainKeepingClear, AFlyingComputerGoesRoundAHoveringFlyer)
{
    std::string failed;
    for (int level : {ComputerEasy, ComputerHard})
        for (double dy : {-4.0, 0.0, 4.0}) {
            startComputer(level, 8, 110, 300,
                          {"", "", "", "", "", "               #", "", "     #                   #"});
            brain.destination = 6 * ArenaColumns + 25;
            other().y = 150 + dy;
            for (Player *p : {&self(), &other()}) {
                p->gadget = GadgetJetpack;
                p->gadgetCharge = 400;
            }
            for (int frame = 0; frame < 400 && isLiving(self()) && (self().x < 505 || self().vy != 0); frame++)
                stepMatch(think(match, 0, brain), {0, 0, other().y > 150 + dy, 0});
            if (!isLiving(self()) || self().x < 505)
                failed +=
                    std::to_string(level) + " at " + std::to_string(dy) + (isLiving(self()) ? " held up " : " died ");
        }
    EXPECT_EQ(failed, "");
}

// A jetpack flyer bobbing on its thrusts just over a hard computer's head
// looks no different from one about to let go: it holds its ground under the
// bob, and a flyer that lets go there comes down on it.
TEST_F(BrainKeepingClear, AHardComputerIsCaughtUnderAJetpackFlyerThatLetsGo)
{
    for (int letGo : {0, 1}) {
        startComputer(ComputerHard, 4, 300, 302);
        brain.destination = 9 * ArenaColumns + 15;
        other().y = 176;
        other().gadget = GadgetJetpack;
        other().gadgetCharge = 300;
        int frame = 0;
        for (; frame < 200 && isLiving(self()); frame++)
            stepMatch(think(match, 0, brain), {0, 0, other().y > 176 && !(letGo && frame >= 150), 0});
        if (letGo)
            EXPECT_FALSE(isLiving(self())) << "it stepped clear to " << self().x;
        else
            EXPECT_NEAR(self().x, 300, 3) << "it stepped away from a bobbing flyer";
    }
}

// Pushed against a wall in mid-air, a fighter can rest on the wall's edge,
// its head clipping the wall so that no jump lifts it: it steps off the open side.
TEST_F(BrainKeepingClear, AComputerWedgedOnAWallsEdgeGetsOff)
{
    for (int level : {ComputerEasy, ComputerHard}) {
        startComputer(level, 2, 24.5, 560, std::vector<std::string>(10, "#"));
        self().y = 152.2;
        for (int frame = 0; frame < 60; frame++)
            stepMatch({}, {});
        ASSERT_EQ(self().y, 152.2) << "not wedged";
        for (int frame = 0; frame < 260 && (self().y != 210 || self().vy != 0); frame++)
            stepMatch(think(match, 0, brain), {});
        EXPECT_EQ(self().y, 210) << "level " << level << " still at " << self().x << "," << self().y;
    }
}

// A bomb's blast leaves a fighter at full health at nothing and scores for
// nobody: a computer with bombs beside someone unhurt keeps them, and drops
// one beside someone hurt.
TEST_F(BrainKeepingClear, AComputerBombsOnlySomeoneHurt)
{
    for (int health : {100, 60}) {
        startComputer(ComputerHard, 6, 300, 360);
        self().weapon = WeaponBomb;
        self().ammo = 20;
        other().health = health;
        for (int frame = 0; frame < 100; frame++)
            stepMatch(think(match, 0, brain), {});
        EXPECT_EQ(objectsOf<Bomb>().empty(), health == 100) << "health " << health;
    }
}

TEST(BrainComputers, SettingsGiveEachFighterAPersonOrABrain)
{
    for (auto [one, two, level1, level2] : {std::tuple{0, 0, 0, 0}, {0, 3, 0, 3}, {2, -4, 2, 0}, {9, 1, 3, 1}}) {
        settings.Computer1 = one;
        settings.Computer2 = two;
        RunningGame game;
        game.settings = &settings;
        Computers computers;
        startComputers(game, computers, 1);
        EXPECT_EQ(game.computers[0] != nullptr, level1 != 0) << one;
        EXPECT_EQ(game.computers[1] != nullptr, level2 != 0) << two;
        EXPECT_EQ(level1 ? computers.brains[0].level : 0, level1);
        EXPECT_EQ(level2 ? computers.brains[1].level : 0, level2);
    }
    settings.Computer1 = settings.Computer2 = 0;
}

}  // namespace
