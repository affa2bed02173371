// The replay net: each shipped arena played headless from a fixed seed with
// scripted keys for both fighters, and the end scene after three results.
// Every 100 frames one line holds the game's state hash, the screen's, and a
// trail hash of every frame between;
// the lines are compared with the stored run in tests/replay/*.digest.
// scripts/record-replays.sh rewrites those files when a change is meant.
// The soak plays the same keys much longer, checking the match's rules.
#include "harness.h"

#include "arena/arena.h"
#include "gfx/gfx.h"
#include "match/match.h"
#include "match/player.h"
#include "media/media.h"
#include "shell/shell.h"
#include "world/world.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int Interval = 100;
constexpr int ArenaFrames = 4000;
const std::string ReplayDir = ZOLTR_SOURCE_DIR "/tests/replay/";

struct Hash {
    uint64_t value = 1469598103934665603ull;
    void add(const void *data, size_t size)
    {
        for (const unsigned char *p = static_cast<const unsigned char *>(data), *end = p + size; p != end; p++)
            value = (value ^ *p) * 1099511628211ull;
    }
    void add(const std::string &text) { add(text.data(), text.size()); }
    std::string hex() const
    {
        char out[9];
        snprintf(out, sizeof out, "%08x", static_cast<unsigned>(value ^ (value >> 32)));
        return out;
    }
};

// Shortest text that reads back as the same number.
template <class Number>
std::string exact(Number value)
{
    char out[32];
    return std::string(out, std::to_chars(out, out + sizeof out, value).ptr);
}

// One sampled frame: named values in a fixed order.
using Line = std::vector<std::pair<std::string, std::string>>;

// Word by word, or the hash would cost more than the frame it checks.
std::string screenHash()
{
    uint64_t sum = 0;
    SDL_LockSurface(screen);
    for (int row = 0; row < screen->h; row++) {
        const Uint8 *pixels = static_cast<Uint8 *>(screen->pixels) + row * screen->pitch;
        for (int at = 0; at + 8 <= screen->w * screen->format->BytesPerPixel; at += 8) {
            uint64_t word;
            memcpy(&word, pixels + at, 8);
            sum = (sum ^ word) * 0x9E3779B97F4A7C15ull + static_cast<uint64_t>(row);
        }
    }
    SDL_UnlockSurface(screen);
    Hash h;
    h.add(&sum, sizeof sum);
    return h.hex();
}

// The game's own state hash, the screen, and the trail of every frame between.
Line sample(const Match &match, const std::string &label, const std::string &screenSum, const std::string &trail)
{
    char state[9];
    snprintf(state, sizeof state, "%08x", hash(match));
    return {{"frame", label}, {"state", state}, {"screen", screenSum}, {"trail", trail}};
}

// The names (the file's first line) or the values of a sample, spaced.
std::string join(const Line &line, bool names)
{
    std::string text;
    for (const auto &[name, value] : line)
        text += (text.empty() ? "" : " ") + (names ? name : value);
    return text;
}

// Collects the samples of a run and, at its end, compares them with the stored file.
class Recorder {
public:
    explicit Recorder(std::string name) : name_(std::move(name)) {}

    // Called once per frame with the screen as drawn and the state it led to.
    void frame(const Match &match, const std::string &label, bool sampleNow)
    {
        std::string screenSum = screenHash();
        trail_.add(screenSum);
        Line line = sample(match, label, screenSum, trail_.hex());
        trail_.add(join(line, false));
        if (sampleNow)
            lines_.push_back(line);
    }

    void finish()
    {
        std::string path = ReplayDir + name_ + ".digest";
        if (getenv("ZOLTR_RECORD_REPLAYS")) {
            std::ofstream out(path);
            out << join(lines_.front(), true) << "\n";
            for (const Line &line : lines_)
                out << join(line, false) << "\n";
            return;
        }
        std::ifstream in(path);
        ASSERT_TRUE(in) << path << " is missing: scripts/record-replays.sh writes it";
        std::string header, text;
        std::getline(in, header);
        ASSERT_EQ(header, join(lines_.front(), true)) << path << " holds other columns: re-record it";
        for (size_t n = 0; n < lines_.size(); n++) {
            ASSERT_TRUE(std::getline(in, text)) << path << " ends before frame " << lines_[n].front().second;
            if (text != join(lines_[n], false))
                return report(text, lines_[n], n == 0 ? "the start" : lines_[n - 1].front().second);
        }
        EXPECT_FALSE(std::getline(in, text)) << path << " holds more frames than the run";
    }

private:
    void report(const std::string &expected, const Line &actual, const std::string &lastGood)
    {
        std::istringstream read(expected);
        std::ostringstream dump;
        for (const auto &[name, value] : actual) {
            std::string stored;
            read >> stored;
            if (stored != value)
                dump << "  " << name << ": expected " << stored << ", got " << value << "\n";
        }
        ADD_FAILURE() << name_ << ": the run leaves the stored one between " << lastGood << " (same) and frame "
                      << actual.front().second << ":\n"
                      << dump.str() << "(a difference only in trail or screen: a frame in between drew or "
                      << "moved differently)";
    }

    std::string name_;
    Hash trail_;
    std::vector<Line> lines_;
};

// Seeded key mashing: each fighter holds a key combination for a while;
// some of the time it runs at the other fighter, jumping when it is higher.
class Masher {
public:
    explicit Masher(uint32_t seed) : state_(seed) {}
    FighterInput next(const Player &me, const Player &other)
    {
        if (--left_ <= 0) {
            left_ = 8 + roll(50);
            combo_ = roll(12);
            fireEvery_ = 3 + roll(30);
        }
        FighterInput in = {combo_ == 0 || combo_ == 3 || combo_ == 5, combo_ == 1 || combo_ == 4 || combo_ == 6,
                           combo_ == 3 || combo_ == 4 || combo_ == 7, roll(fireEvery_) == 0};
        if (combo_ >= 9) {
            in.left = other.x < me.x - 4;
            in.right = other.x > me.x + 4;
            in.jump = other.y < me.y - 10 && roll(4) == 0;
            if (std::abs(other.x - me.x) < 40 && std::abs(other.y - me.y) < 15)
                in.fire = roll(3) == 0;
        }
        // A jetpack is flown until it runs dry.
        if (me.gadget == GadgetJetpack)
            in.jump = 1;
        return in;
    }

    int roll(int below)
    {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return static_cast<int>(state_ % static_cast<uint32_t>(below));
    }

private:
    uint32_t state_;
    int left_ = 0, combo_ = 8, fireEvery_ = 10;
};

class Replay : public ::testing::Test {
protected:
    void SetUp() override
    {
        startHeadlessVideo();  // no mixer: no sound thread can reach the state
        ASSERT_EQ(chdir(ZOLTR_SOURCE_DIR "/game"), 0);
        static bool loaded = false;
        if (!loaded) {
            loadSettings();
            settings.Sounds = 0;
            loadCatalogue();
            loadFonts();
            loaded = true;
        }
    }
};

void playArena(const char *name, uint32_t seed)
{
    static Match match;
    ASSERT_TRUE(startLevel(match, (std::string("maps/") + name).c_str(), 1));
    Masher first(seed), second(seed * 7919u);
    Recorder recorder(name);
    FrameEvents events;
    for (int f = 1; f <= ArenaFrames; f++) {
        const Player &p0 = match.players[0], &p1 = match.players[1];
        const FighterInput inputs[] = {first.next(p0, p1), second.next(p1, p0)};
        beginFrameList();
        drawMatchFrame(match);
        finishFrameList();
        step(match, inputs, events);
        recorder.frame(match, exact(f), f % Interval == 0);
    }
    recorder.finish();
}

// Seeds picked for coverage: between them every weapon, gadget, machine and hazard is used.
TEST_F(Replay, Arena1)
{
    playArena("arena1", 14);
}
TEST_F(Replay, Arena2)
{
    playArena("arena2", 23);
}
TEST_F(Replay, Arena3)
{
    playArena("arena3", 34);
}

// The real match loop ends at once with the given kills and runs the end
// scene, pressing Escape after `frames` frames of it (0: it runs out).
struct EndRun {
    const char *label;
    int kills[2], frames;
};
Recorder *endScene;
const EndRun *endRun;
int endCalls;
RunningGame *endGame;

Uint32 endSceneTick()
{
    Match &match = *endGame->match;
    if (++endCalls == 1) {  // the one match frame, just before its update
        match.players[0].kills = endRun->kills[0];
        match.players[1].kills = endRun->kills[1];
    } else {
        int frame = endCalls - 1;
        endScene->frame(match, std::string(endRun->label) + "." + exact(frame), frame % Interval == 0);
        if (frame == endRun->frames)
            SDL_GetKeyState(nullptr)[SDLK_ESCAPE] = 1;
    }
    return static_cast<Uint32>(endCalls * 20);
}

TEST_F(Replay, EndScene)
{
    // The game records its matches in replays/: in a folder of the test's own, not in game/.
    char folder[] = "/tmp/zoltr-replay-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    ASSERT_EQ(chdir(folder), 0);
    std::filesystem::create_directory_symlink(ZOLTR_SOURCE_DIR "/game/maps", "maps");
    Recorder recorder("win1");
    endScene = &recorder;
    RunningGame game;
    endGame = &game;
    game.settings = &settings;
    game.pacing.ticks = endSceneTick;
    game.pacing.delay = [](Uint32) {};
    const EndRun runs[] = {{"red", {10, 3}, 0}, {"blue", {2, 10}, 300}, {"draw", {10, 10}, 300}};
    for (const EndRun &run : runs) {
        endRun = &run, endCalls = 0;
        runMatch(game, 1);
        SDL_GetKeyState(nullptr)[SDLK_ESCAPE] = 0;
    }
    ASSERT_EQ(chdir(ZOLTR_SOURCE_DIR "/game"), 0);
    std::filesystem::remove_all(folder);
    recorder.finish();
}

// The soak: every shipped arena in turn, mashed keys and now and then a random
// pickup under a fighter's feet, the match's rules checked after every frame.
// ZOLTR_SOAK_FRAMES (10,000 by default) and ZOLTR_SOAK_SEED; scripts/soak.sh
// plays a million in a release build.
TEST_F(Replay, SoakKeepsTheMatchRules)
{
    const char *asked = getenv("ZOLTR_SOAK_FRAMES"), *seeded = getenv("ZOLTR_SOAK_SEED");
    const long long frames = asked ? atoll(asked) : 10000;
    const uint32_t seed = seeded ? static_cast<uint32_t>(atoll(seeded)) : 1;
    std::vector<std::string> arenas;
    for (const auto &entry : std::filesystem::directory_iterator("maps"))
        arenas.push_back("maps/" + entry.path().filename().string());
    std::sort(arenas.begin(), arenas.end());
    Masher first(seed), second(seed * 7919u), pickups(seed * 31u);
    static Match match;
    const auto started = std::chrono::steady_clock::now();
    const long long visit = std::clamp<long long>(frames / static_cast<long long>(arenas.size()), 1, 25000);
    long long played = 0;
    for (size_t n = 0; played < frames; n++) {
        ASSERT_TRUE(startLevel(match, arenas[n % arenas.size()].c_str(), seed + static_cast<unsigned>(n)))
            << arenas[n % arenas.size()];
        Arena &arena = match.arena;
        for (const long long end = std::min(frames, played + visit); played < end; played++) {
            for (const Player *p : {&match.players[0], &match.players[1]}) {
                int column = static_cast<int>(p->x / 20),
                    cell = (static_cast<int>(p->y / 20) - 1) * ArenaColumns + column;
                if (pickups.roll(400) == 0 && p->respawnTimer <= 0 && column >= 0 && column < ArenaColumns &&
                    cell >= 0 && cell < ArenaCells && !arena.ItemLayer[cell] && !arena.WallLayer[cell])
                    arena.ItemLayer[cell] = static_cast<Uint16>(ItemMelee + pickups.roll(ItemHealth - ItemMelee + 1));
            }
            const Player &p0 = match.players[0], &p1 = match.players[1];
            FighterInput a = first.next(p0, p1), b = second.next(p1, p0);
            playMatchFrame(match, a, b);
            checkMatch(match);
        }
    }
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    printf("soak: %lld frames on %zu arenas in %.1f s; peak world list %d objects, peak memory %ld KiB\n", played,
           arenas.size(), std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count(),
           peakWorldLength(), usage.ru_maxrss);
}

}  // namespace
