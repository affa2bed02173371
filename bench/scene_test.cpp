// The benchmark's stress scene must hold the load it claims through a whole
// episode and repeat it exactly, and a frame must allocate nothing but the
// world objects the game creates.
#include "alloc_count.h"
#include "scene.h"

#include "support/support.h"

#include <typeinfo>

namespace {

// Two floors with ladders, a lift, a jump pad, a hazard and four spawn points.
const std::vector<std::string> TestArena = {
    "################################", "#..............................#", "#......1.......H...............#",
    "#..............H.........L.....#", "#..............H...............#", "#..S...........H..........S....#",
    "#######################.......##", "#..............................#", "#.........J....................#",
    "#..........########............#", "#..............................#", "#...~~~........................#",
    "#..............................#", "#...............3..............#", "#..............................#",
    "#......########......#######...#", "#..............................#", "#..............................#",
    "#..............................#", "#..............................#", "#..............................#",
    "#..S.........................S.#", "################################",
};

// Every sheet the frame draws from, in plain colours.
const int SheetSlots[][3] = {{0, 160, 20}, {1, 160, 100}, {3, 160, 160}, {4, 160, 120},
                             {5, 160, 40}, {15, 640, 20}, {16, 80, 20}};

struct Episode {
    std::string end;  // fighters and the world list, to tell two runs apart
    int leastDebris = 1 << 30, leastGrenades = 1 << 30, mostBombsAtOnce = 0, framesWithFlames = 0, lastBlast = 0;
    long outside = 0;
};

// One stress episode as the benchmark runs it, with the allocations of every
// frame but the first two (SDL prepares each pair of surfaces at its first blit).
Episode runEpisode()
{
    Episode episode;
    int bombs = countLoad().bombs;
    for (int frame = 0; frame < StressBatch; frame++) {
        if (frame >= 2)
            startCountingAllocations();
        drawHalf();
        updateHalf(stressInput(0, frame), stressInput(1, frame));
        stopCountingAllocations();
        if (frame >= 2)
            episode.outside += allocationsOutsideWorld();
        SceneLoad load = countLoad();
        episode.leastDebris = std::min(episode.leastDebris, load.debris);
        episode.leastGrenades = std::min(episode.leastGrenades, load.grenades);
        episode.mostBombsAtOnce = std::max(episode.mostBombsAtOnce, bombs - load.bombs);
        if (load.bombs < bombs)
            episode.lastBlast = frame;
        episode.framesWithFlames += load.flames > 0;
        bombs = load.bombs;
        keepFightersAlive();
    }
    for (int i = 0; i < benchMatch.playerCount; i++)
        episode.end += std::to_string(benchMatch.players[i].x) + " " + std::to_string(benchMatch.players[i].y) + "\n";
    for (WorldObject *o = benchMatch.worldHead; o; o = o->next == benchMatch.worldHead ? nullptr : o->next)
        episode.end += std::string(typeid(*o).name()) + " " + std::to_string(o->x) + " " + std::to_string(o->y) + "\n";
    return episode;
}

}  // namespace

TEST(BenchScene, StressEpisodeHoldsItsLoadRepeatsExactlyAndAllocatesOnlyWorldObjects)
{
    initHeadlessScreen();
    for (const auto &sheet : SheetSlots)
        ImageSlots[sheet[0]] = makeSolidSurface(sheet[1], sheet[2], 40 * sheet[0] % 256, 200, 90);
    benchMatch = Match();
    buildArena(TestArena);
    keepArena(match.arena);
    buildStressScene();
    SceneLoad start = countLoad();
    EXPECT_EQ(start.debris, 252);
    EXPECT_EQ(start.bombs, 30);
    EXPECT_EQ(start.grenades, 10);

    Episode first = runEpisode();
    EXPECT_GE(first.leastDebris, 200);
    EXPECT_GE(first.leastGrenades, 10);
    EXPECT_GE(first.mostBombsAtOnce, 3);              // the bombs in a run on a floor set each other off
    EXPECT_GE(first.lastBlast, StressBatch * 2 / 3);  // spread over the episode
    EXPECT_EQ(countLoad().bombs, 0);
    EXPECT_GE(first.framesWithFlames, StressBatch - 2);
    EXPECT_EQ(first.outside, 0);

    // A rebuilt episode runs exactly the same frames, whatever the last one left behind.
    buildStressScene();
    EXPECT_EQ(runEpisode().end, first.end);
    buildRestScene();
    EXPECT_EQ(runEpisode().outside, 0);

    benchMatch = Match();
    for (const auto &sheet : SheetSlots) {
        SDL_FreeSurface(ImageSlots[sheet[0]]);
        ImageSlots[sheet[0]] = nullptr;
    }
}
