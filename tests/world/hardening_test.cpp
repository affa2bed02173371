// Replays every kept fuzz finding, every seed input and the shipped files
// through the fuzzers' own harness code (a failing input aborts the run, and
// the name printed last is the culprit), and runs a match for months.
#include "support/support.h"

#include <fstream>
#include <iterator>
#include <limits>

namespace fs = std::filesystem;

TEST(FuzzReplay, KeptFindingsSeedsAndShippedFilesPassTheirHarness)
{
    setenv("ZOLTR_GAME_DIR", ZOLTR_SOURCE_DIR "/game", 1);
    const struct {
        const char *target, *shipped;
        void (*harness)(const uint8_t *, size_t);
        size_t least;
    } targets[] = {{"settings", "game/settings.ini", fuzzSettings, 10},
                   {"catalogue", "game/seznam.dat", fuzzCatalogue, 8},
                   {"media", "none", fuzzMedia, 6},
                   {"mediareply", "none", fuzzMediaReply, 5},
                   {"packet", "none", fuzzPacket, 4},
                   {"arena", "game/maps", fuzzArena, 16},
                   {"replay", "none", fuzzReplay, 3}};
    const fs::path root = ZOLTR_SOURCE_DIR;
    for (const auto &target : targets) {
        std::vector<fs::path> inputs;
        for (const fs::path &place :
             {root / "fuzz/regressions" / target.target, root / "fuzz/corpus" / target.target, root / target.shipped}) {
            std::error_code error;
            if (fs::is_regular_file(place, error))
                inputs.push_back(place);
            for (const auto &entry : fs::directory_iterator(place, error))
                if (entry.path().filename() != "README.md")
                    inputs.push_back(entry.path());
        }
        std::sort(inputs.begin(), inputs.end());
        for (const fs::path &path : inputs) {
            fprintf(stderr, "replaying %s\n", path.c_str());
            std::ifstream in(path, std::ios::binary);
            std::string data{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
            target.harness(reinterpret_cast<const uint8_t *>(data.data()), data.size());
        }
        EXPECT_GE(inputs.size(), target.least) << target.target;
    }
}

// A match left running for months: the counters that grow every frame wrap or
// stop instead of overflowing (the sanitizer stops the test if one overflows).
TEST(LongRuns, EveryFrameCounterWrapsOrStopsInsteadOfOverflowing)
{
    startHarness();
    installSyntheticMedia();
    resetMatch(match);
    std::string arena(ArenaFileSize, '\0');
    for (int column = 0; column < ArenaColumns; column++)
        arena[2 * (10 * ArenaColumns + column)] = 1;  // a floor at row 10
    arena[2 * (9 * ArenaColumns + 1)] = 1;            // and a wall for the knife to stick in
    writeBytes("endless", arena.data(), arena.size());
    ASSERT_TRUE(startLevel(match, "endless"));
    Debris *resting = addObject<Debris>(100, 220, 0, 0, 1);
    Knife *stuck = addObject<Knife>(30, 210, 1, 0, 0);  // thrown to the left
    resting->age = stuck->age = match.frameCounter = match.animationTick = std::numeric_limits<int>::max();
    playMatchFrame(match, {}, {});
    EXPECT_EQ(match.frameCounter + match.animationTick, 0);
    EXPECT_EQ(resting->age, std::numeric_limits<int>::max());
    EXPECT_EQ(stuck->age, std::numeric_limits<int>::max());
    resetMatch(match);
}
