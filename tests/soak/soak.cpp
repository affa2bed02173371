// The soak: plays every shipped arena headless for a long time with restless,
// seeded controls for both fighters, checking the match's rules after every
// frame. Usage: soak [--frames N] [--game DIR] [--seed S]
#include "harness.h"

#include "arena/arena.h"
#include "match/match.h"
#include "match/player.h"
#include "shell/shell.h"
#include "world/world.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int VisitFrames = 25000;  // frames per arena before moving to the next
constexpr int GiftPeriod = 400;     // a fighter finds a pickup under its feet about this often
constexpr int SkipStatus = 77;      // ctest's "skipped": a game folder without arenas

// What a player at the keyboard might be doing for a while.
enum class Plan { Idle, Walk, JumpWalk, Climb, Chase, Flee };

struct Driver {
    Plan plan = Plan::Idle;
    int framesLeft = 0;
    int direction = 1;  // -1 left, 1 right
    int fireEvery = 20;
    int fireHeld = 0;   // frames a held fire key still repeats
};

struct Tally {
    long long uses[6] = {};  // index weapon + 1: none, melee, (unused), grenade, bomb, knife
    long long deaths = 0;
    long long kills = 0;
    long long gifts = 0;
};

std::mt19937 rng;

int roll(int low, int high)
{
    return std::uniform_int_distribution<int>(low, high)(rng);
}

void choosePlan(Driver &d)
{
    const Plan plans[] = {Plan::Idle, Plan::Walk, Plan::Walk, Plan::JumpWalk, Plan::Climb, Plan::Chase, Plan::Chase,
                          Plan::Flee};
    d.plan = plans[roll(0, 7)];
    d.framesLeft = d.plan == Plan::Idle ? roll(5, 40) : roll(15, 150);
    d.direction = roll(0, 1) ? 1 : -1;
    d.fireEvery = roll(8, 60);
}

FighterInput steer(Driver &d, const Player &me, const Player &other, long long frame)
{
    if (--d.framesLeft <= 0)
        choosePlan(d);
    FighterInput in = {};
    int toOther = other.x < me.x ? -1 : 1;
    int direction = d.direction;
    if (d.plan == Plan::Chase)
        direction = toOther;
    if (d.plan == Plan::Flee)
        direction = -toOther;
    bool walking = d.plan != Plan::Idle && d.plan != Plan::Climb;
    in.left = walking && direction < 0;
    in.right = walking && direction > 0;
    // Now and then both keys at once, as a clumsy player does.
    if (roll(0, 200) == 0)
        in.left = in.right = true;
    in.jump = d.plan == Plan::Climb || (d.plan == Plan::JumpWalk && frame % 30 < 12) ||
              (d.plan == Plan::Chase && other.y + 10 < me.y && roll(0, 10) == 0);
    // Fire is a tap (one frame) or a held key (every frame it is held).
    if (d.fireHeld > 0) {
        d.fireHeld--;
        in.fire = true;
    } else if (frame % d.fireEvery == 0) {
        in.fire = true;
        if (roll(0, 20) == 0)
            d.fireHeld = roll(5, 60);
    }
    return in;
}

// Places a random pickup in the fighter's cell when the cell is free, so every
// weapon and gadget gets used even on arenas with few spawners.
void giveGift(const Player &p, Tally &tally)
{
    int column = static_cast<int>(p.x / 20);
    int row = static_cast<int>(p.y / 20 - 1);
    if (p.respawnTimer > 0 || column < 0 || column >= ArenaColumns || row < 0 || row >= ArenaRows)
        return;
    int cell = row * ArenaColumns + column;
    if (ItemLayer[cell] != 0 || WallLayer[cell] != 0)
        return;
    ItemLayer[cell] = static_cast<Uint16>(roll(ItemMelee, ItemHealth));
    tally.gifts++;
}

struct Snapshot {
    int respawnTimer, attackTimer, weapon;
};

void countUse(const Snapshot &before, const Player &after, Tally &tally)
{
    if (before.respawnTimer <= 0 && after.respawnTimer > 0)
        tally.deaths++;
    if (after.respawnTimer > 0 && before.respawnTimer <= 0)
        return;
    int poseTime = before.weapon == WeaponMelee ? 10 : 15;
    if (before.respawnTimer <= 0 && after.attackTimer == poseTime && before.attackTimer != poseTime)
        tally.uses[before.weapon + 1]++;
}

std::vector<std::string> shippedArenas(const std::string &game)
{
    std::vector<std::string> arenas;
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator(game + "/maps", error))
        if (entry.is_regular_file())
            arenas.push_back("maps/" + entry.path().filename().string());
    std::sort(arenas.begin(), arenas.end());
    return arenas;
}

long peakMemoryKiB()
{
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

long long argument(int argc, char **argv, const char *name, long long fallback)
{
    for (int i = 1; i + 1 < argc; i++)
        if (strcmp(argv[i], name) == 0)
            return atoll(argv[i + 1]);
    return fallback;
}

std::string textArgument(int argc, char **argv, const char *name, const char *fallback)
{
    for (int i = 1; i + 1 < argc; i++)
        if (strcmp(argv[i], name) == 0)
            return argv[i + 1];
    return fallback;
}

}  // namespace

int main(int argc, char **argv)
{
    long long totalFrames = argument(argc, argv, "--frames", 1000000);
    unsigned seed = static_cast<unsigned>(argument(argc, argv, "--seed", 1));
    std::string game = textArgument(argc, argv, "--game", "game");

    std::vector<std::string> arenas = shippedArenas(game);
    if (arenas.empty()) {
        fprintf(stderr, "soak: no shipped arenas in %s/maps: nothing to play\n", game.c_str());
        return SkipStatus;
    }
    if (std::find(arenas.begin(), arenas.end(), "maps/win1") == arenas.end()) {
        fprintf(stderr, "soak: %s/maps has no victory arena win1\n", game.c_str());
        return 2;
    }
    if (chdir(game.c_str()) != 0) {
        fprintf(stderr, "soak: cannot enter %s\n", game.c_str());
        return 2;
    }

    startHeadlessSdl();
    settings.Sounds = 1;
    settings.FPS = 50;
    settings.Image1 = 1;
    settings.Image2 = 2;
    loadFonts();
    loadCatalogue();
    installSyntheticMedia();  // only fills what the shipped catalogue left empty
    fprintf(stderr, "\n");

    rng.seed(seed);
    srand(seed);
    Tally tally;
    Driver drivers[2];
    long long played = 0;
    long memoryEarly = 0;  // peak memory after a tenth of the run, to show it does not creep
    auto started = std::chrono::steady_clock::now();
    long long visitLength = std::max<long long>(1, std::min<long long>(VisitFrames, totalFrames / arenas.size()));
    for (size_t visit = 0; played < totalFrames; visit++) {
        const std::string &arena = arenas[visit % arenas.size()];
        for (int i = 0; i < playerCount; i++)
            tally.kills += players[i]->kills;
        resetMatch();
        if (!startLevel(arena.c_str())) {
            fprintf(stderr, "soak: %s does not load\n", arena.c_str());
            return 1;
        }
        checkMatch();
        long long visitEnd = std::min(totalFrames, played + visitLength);
        // The last visit of each arena round also covers the rest, so every arena is played.
        if (visit % arenas.size() == arenas.size() - 1 && totalFrames - visitEnd < visitLength)
            visitEnd = totalFrames;
        for (; played < visitEnd; played++) {
            Snapshot before[2];
            for (int i = 0; i < 2; i++) {
                Player &p = *players[i];
                if (roll(0, GiftPeriod) == 0)
                    giveGift(p, tally);
                before[i] = {p.respawnTimer, p.attackTimer, p.weapon};
            }
            FighterInput first = steer(drivers[0], *players[0], *players[1], played);
            FighterInput second = steer(drivers[1], *players[1], *players[0], played);
            playMatchFrame(first, second);
            checkMatch();
            for (int i = 0; i < 2; i++)
                countUse(before[i], *players[i], tally);
            if (played + 1 == totalFrames / 10)
                memoryEarly = peakMemoryKiB();
        }
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    for (int i = 0; i < playerCount; i++)
        tally.kills += players[i]->kills;
    resetMatch();
    releaseMediaSlots();

    printf("soak: %lld frames on %zu arenas in %.1f s (%.0f frames/s)\n", played, arenas.size(), seconds,
           played / std::max(seconds, 1e-9));
    printf("soak: peak world list %d objects, peak memory %ld KiB (%ld KiB after a tenth of the frames)\n",
           peakWorldLength(), peakMemoryKiB(), memoryEarly);
    printf("soak: weapon uses: none %lld, melee %lld, grenade %lld, bomb %lld, knife %lld\n", tally.uses[0],
           tally.uses[1], tally.uses[3], tally.uses[4], tally.uses[5]);
    printf("soak: deaths %lld, kills %lld, pickups placed %lld\n", tally.deaths, tally.kills, tally.gifts);

    const int weapons[] = {WeaponMelee, WeaponGrenade, WeaponBomb, WeaponKnife};
    for (int weapon : weapons)
        if (tally.uses[weapon + 1] == 0) {
            fprintf(stderr, "soak: weapon %d was never used; the controls are not exercising the match\n", weapon);
            return 1;
        }
    return 0;
}
