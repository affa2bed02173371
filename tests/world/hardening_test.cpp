// Replays every kept fuzz finding, every seed input and the shipped files
// through the fuzzers' own harness code, and checks that the harness's rules
// really stop a run when a match goes wrong.
#include "harness.h"

#include "arena/arena.h"
#include "match/player.h"
#include "world/world.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Kept findings, seeds, and the shipped files a fuzzer starts from.
std::vector<fs::path> inputsOf(const std::string &target, const std::vector<std::string> &shipped)
{
    const fs::path root = ZOLTR_SOURCE_DIR;
    std::vector<fs::path> inputs;
    for (const char *folder : {"fuzz/regressions/", "fuzz/corpus/"}) {
        std::error_code error;
        for (const auto &entry : fs::directory_iterator(root / (folder + target), error))
            if (entry.is_regular_file() && entry.path().filename() != "README.md")
                inputs.push_back(entry.path());
    }
    for (const std::string &file : shipped) {
        std::error_code error;
        if (fs::is_directory(root / file, error)) {
            for (const auto &entry : fs::directory_iterator(root / file, error))
                inputs.push_back(entry.path());
        } else if (fs::exists(root / file, error)) {
            inputs.push_back(root / file);
        }
    }
    std::sort(inputs.begin(), inputs.end());
    return inputs;
}

std::string bytesOf(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A failing input aborts the process; the name printed last is the culprit.
template <typename Harness>
int replay(const std::vector<fs::path> &inputs, Harness harness, const std::string &suffix = "")
{
    for (const fs::path &path : inputs) {
        fprintf(stderr, "replaying %s\n", path.c_str());
        std::string data = bytesOf(path) + suffix;
        harness(reinterpret_cast<const uint8_t *>(data.data()), data.size());
    }
    return static_cast<int>(inputs.size());
}

}  // namespace

TEST(FuzzReplay, SettingsFilesKeepTheRecordWellFormedAndSafeToPlay)
{
    EXPECT_GE(replay(inputsOf("settings", {"game/settings.ini"}), fuzzSettings), 10);
}

TEST(FuzzReplay, CataloguesFillOnlyUsableSlots)
{
    setenv("ZOLTR_GAME_DIR", ZOLTR_SOURCE_DIR "/game", 1);
    EXPECT_GE(replay(inputsOf("catalogue", {"game/seznam.dat"}), fuzzCatalogue), 8);
}

TEST(FuzzReplay, MediaFilesLoadOrLeaveTheirSlotEmpty)
{
    EXPECT_GE(replay(inputsOf("media", {}), fuzzMedia), 6);
}

TEST(FuzzReplay, ArenasPlayWithoutBreakingTheMatch)
{
    EXPECT_GE(replay(inputsOf("arena", {"game/maps"}), fuzzArena), 16);
}

TEST(FuzzReplay, ShippedArenasPlayWithControls)
{
    // The hand-made room's controls, played on every shipped arena.
    std::string room = bytesOf(fs::path(ZOLTR_SOURCE_DIR) / "fuzz/corpus/arena/room");
    ASSERT_GT(room.size(), static_cast<size_t>(ArenaFileSize));
    std::vector<fs::path> shipped = inputsOf("none", {"game/maps"});
    if (shipped.empty())
        GTEST_SKIP() << "no shipped arenas in game/maps";
    for (const fs::path &map : shipped) {
        fprintf(stderr, "playing %s\n", map.c_str());
        std::string data = bytesOf(map).substr(0, ArenaFileSize);
        data.resize(ArenaFileSize, '\0');
        data += room.substr(ArenaFileSize);
        fuzzArena(reinterpret_cast<const uint8_t *>(data.data()), data.size());
    }
}

TEST(HardeningChecksDeathTest, BrokenRulesStopTheRun)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    startHarness();
    installSyntheticMedia();
    resetMatch();
    std::string empty(ArenaFileSize, '\0');
    writeBytes("arena", empty.data(), empty.size());
    ASSERT_TRUE(startLevel("arena"));
    checkMatch();

    players[1]->health = 101;
    EXPECT_DEATH(checkMatch(), "health");
    players[1]->health = 100;
    players[0]->weapon = 1;
    EXPECT_DEATH(checkMatch(), "weapon");
    players[0]->weapon = WeaponKnife;
    players[0]->vy = std::numeric_limits<double>::quiet_NaN();
    EXPECT_DEATH(checkMatch(), "fighter vy");
    players[0]->vy = 0;
    checkMatch();

    debrisCount = -1;
    EXPECT_DEATH(checkMatch(), "debrisCount");
    debrisCount = 0;

    // A piece lying below the screen is allowed to wait a few frames, not to stay.
    Debris *piece = new Debris(100, 490, 0, 0, 8);
    for (int frame = 0; frame < 50; frame++)
        checkMatch();
    EXPECT_DEATH(checkMatch(), "stays below the screen");
    piece->x = 5000;
    piece->y = 100;
    EXPECT_DEATH(checkMatch(), "outside the box");
    resetMatch();
}

// A match left running for months: the counters that grow every frame wrap or
// stop instead of overflowing (the sanitizer stops the test if one overflows).
TEST(LongRuns, EveryFrameCounterWrapsOrStopsInsteadOfOverflowing)
{
    startHarness();
    installSyntheticMedia();
    resetMatch();
    std::string arena(ArenaFileSize, '\0');
    for (int column = 0; column < ArenaColumns; column++)
        arena[2 * (10 * ArenaColumns + column)] = 1;  // a floor at row 10
    arena[2 * (9 * ArenaColumns + 1)] = 1;              // and a wall for the knife to stick in
    writeBytes("endless", arena.data(), arena.size());
    ASSERT_TRUE(startLevel("endless"));
    Debris *resting = new Debris(100, 220, 0, 0, 1);
    Knife *stuck = new Knife(30, 210, 1, 0, 0);  // thrown to the left
    resting->age = std::numeric_limits<int>::max();
    stuck->age = std::numeric_limits<int>::max();
    frameCounter = std::numeric_limits<int>::max();
    animationTick = std::numeric_limits<int>::max();
    playMatchFrame({}, {});
    EXPECT_EQ(frameCounter, 0);
    EXPECT_EQ(animationTick, 0);
    EXPECT_EQ(resting->age, std::numeric_limits<int>::max());
    EXPECT_EQ(stuck->age, std::numeric_limits<int>::max());
    resetMatch();
}
