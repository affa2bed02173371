// The benchmark's scenes must hold the load they claim through a whole
// episode and repeat it exactly, and a frame must allocate nothing but the
// world objects the game creates.
#include "alloc_count.h"
#include "scene.h"

#include "arena/arena.h"
#include "match/player.h"
#include "shell/shell.h"
#include "support/support.h"
#include "world/world.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <typeinfo>

namespace {

const std::vector<std::string> TestArena = {
    "################################",
    "#..............................#",
    "#......1.......H...............#",
    "#..............H.........L.....#",
    "#..............H...............#",
    "#..S...........H..........S....#",
    "#######################.......##",
    "#..............................#",
    "#.........J....................#",
    "#..........########............#",
    "#..............................#",
    "#...~~~........................#",
    "#..............................#",
    "#...............3..............#",
    "#..............................#",
    "#......########......#######...#",
    "#..............................#",
    "#..............................#",
    "#..............................#",
    "#..............................#",
    "#..............................#",
    "#..S.........................S.#",
    "################################",
};

// Every sheet the frame draws from, in plain colours.
const int SheetSlots[][3] = {{0, 160, 20}, {1, 160, 100}, {3, 160, 160}, {4, 160, 120},
                             {5, 160, 40}, {15, 640, 20}, {16, 80, 20}};

class BenchScene : public ::testing::Test {
protected:
    void SetUp() override
    {
        initHeadlessScreen();
        for (const auto &sheet : SheetSlots)
            ImageSlots[sheet[0]] = makeSolidSurface(sheet[1], sheet[2], 40 * sheet[0] % 256, 200, 90);
        resetWorld();
        buildArena(TestArena);
        keepArena();
    }

    void TearDown() override
    {
        resetWorld();
        for (const auto &sheet : SheetSlots) {
            SDL_FreeSurface(ImageSlots[sheet[0]]);
            ImageSlots[sheet[0]] = nullptr;
        }
    }
};

// Where everything stands, to tell two runs of an episode apart.
std::string snapshot()
{
    std::string text;
    char line[160];
    for (int i = 0; i < playerCount; i++) {
        snprintf(line, sizeof line, "fighter %.2f %.2f %d %d\n", players[i]->x, players[i]->y, players[i]->health,
                 players[i]->kills);
        text += line;
    }
    if (worldHead) {
        WorldObject *object = worldHead;
        do {
            snprintf(line, sizeof line, "%s %d %d %d %d\n", typeid(*object).name(), object->x, object->y, object->age,
                     object->frame);
            text += line;
            object = object->next;
        } while (object != worldHead);
    }
    for (int cell = 0; cell < ArenaCells; cell++)
        text += std::to_string(ItemLayer[cell]) + ' ';
    return text;
}

struct Episode {
    std::string end;
    int leastDebris = 1 << 30, leastGrenades = 1 << 30, mostBombsAtOnce = 0, framesWithFlames = 0, lastBlast = 0;
    double span[2] = {0, 0};
    long created = 0, outside = 0;
};

// One stress episode as the benchmark runs it, with the allocations of every
// frame but the first two (SDL prepares each pair of surfaces at its first blit).
Episode runEpisode()
{
    Episode episode;
    double low[2] = {players[0]->x, players[1]->x}, high[2] = {low[0], low[1]};
    int bombs = countLoad().bombs;
    for (int frame = 0; frame < StressBatch; frame++) {
        if (frame >= 2)
            startCountingAllocations();
        drawHalf();
        updateHalf(stressInput(0, frame), stressInput(1, frame));
        stopCountingAllocations();
        if (frame >= 2) {
            long strays = allocationsOutsideWorld();
            episode.outside += strays;
            episode.created += countedAllocations() - strays;
        }
        SceneLoad load = countLoad();
        episode.leastDebris = std::min(episode.leastDebris, load.debris);
        episode.leastGrenades = std::min(episode.leastGrenades, load.grenades);
        episode.mostBombsAtOnce = std::max(episode.mostBombsAtOnce, bombs - load.bombs);
        if (load.bombs < bombs)
            episode.lastBlast = frame;
        episode.framesWithFlames += load.flames > 0;
        bombs = load.bombs;
        keepFightersAlive();
        for (int i = 0; i < 2; i++) {
            low[i] = std::min(low[i], players[i]->x);
            high[i] = std::max(high[i], players[i]->x);
        }
    }
    episode.span[0] = high[0] - low[0];
    episode.span[1] = high[1] - low[1];
    episode.end = snapshot();
    return episode;
}

}  // namespace

TEST_F(BenchScene, StressEpisodeHoldsItsLoadAndRepeatsExactly)
{
    buildStressScene();
    SceneLoad start = countLoad();
    EXPECT_EQ(start.debris, 252);
    EXPECT_EQ(start.bombs, 30);
    EXPECT_EQ(start.grenades, 10);
    EXPECT_EQ(players[0]->respawnTimer, 0);
    EXPECT_EQ(players[1]->respawnTimer, 0);

    Episode first = runEpisode();
    EXPECT_GE(first.leastDebris, 200);
    EXPECT_GE(first.leastGrenades, 10);
    // The bombs in a run on a floor set each other off.
    EXPECT_GE(first.mostBombsAtOnce, 3);
    EXPECT_GE(first.lastBlast, StressBatch * 2 / 3);  // spread over the episode
    EXPECT_EQ(countLoad().bombs, 0);
    EXPECT_GE(first.framesWithFlames, StressBatch - 2);
    EXPECT_GT(first.span[0], 20);
    EXPECT_GT(first.span[1], 20);

    // A rebuilt episode runs exactly the same frames, whatever the last one left behind.
    buildStressScene();
    EXPECT_EQ(runEpisode().end, first.end);
}

TEST_F(BenchScene, FramesAllocateOnlyTheWorldObjectsTheGameCreates)
{
    buildStressScene();
    Episode stress = runEpisode();
    EXPECT_EQ(stress.outside, 0);
    EXPECT_GT(stress.created, 30);  // flames of the bombs, at least

    buildRestScene();
    Episode rest = runEpisode();
    EXPECT_EQ(rest.outside, 0);
}

