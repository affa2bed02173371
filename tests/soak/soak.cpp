// The soak: plays every shipped arena headless for a long time with restless,
// seeded controls for both fighters, checking the match's rules after every
// frame. Usage: soak [--frames N] [--game DIR] [--seed S]
#include "harness.h"

#include "arena/arena.h"
#include "gfx/gfx.h"
#include "match/match.h"
#include "match/player.h"
#include "shell/shell.h"

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

extern "C" const char *__lsan_default_options()
{
    return "suppressions=" ZOLTR_SOURCE_DIR "/tests/lsan.supp:print_suppressions=0";
}

int main(int argc, char **argv)
{
    long long frames = 1000000;
    unsigned seed = 1;
    std::string game = "game";
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string option = argv[i];
        if (option == "--frames")
            frames = atoll(argv[i + 1]);
        else if (option == "--seed")
            seed = static_cast<unsigned>(atoll(argv[i + 1]));
        else if (option == "--game")
            game = argv[i + 1];
    }
    std::vector<std::string> arenas;
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator(game + "/maps", error))
        arenas.push_back("maps/" + entry.path().filename().string());
    std::sort(arenas.begin(), arenas.end());
    if (!std::binary_search(arenas.begin(), arenas.end(), "maps/win1") || chdir(game.c_str()) != 0) {
        fprintf(stderr, "soak: no arenas with the victory arena win1 in %s/maps\n", game.c_str());
        return 2;
    }
    openHeadlessAudio();
    settings.Sounds = 1;
    settings.FPS = 50;
    settings.Image1 = 1;
    settings.Image2 = 2;
    loadFonts();
    loadCatalogue();
    installSyntheticMedia();  // only fills what the shipped catalogue left empty
    std::mt19937 rng(seed);
    auto roll = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng); };
    srand(seed);

    // Each fighter holds a random set of keys for a while, as a restless player
    // does, and now and then finds a random pickup under its feet, so every
    // weapon is used. Every arena gets its visits in turn; the last one plays the rest.
    long long played = 0, visit = std::max<long long>(1, std::min<long long>(25000, frames / arenas.size()));
    uint8_t keys = 0;
    int held = 0;
    auto started = std::chrono::steady_clock::now();
    for (size_t n = 0; played < frames; n++) {
        resetMatch();
        if (!startLevel(arenas[n % arenas.size()].c_str()))
            harnessFailure("a shipped arena does not load", static_cast<double>(n));
        checkMatch();
        long long end = n % arenas.size() == arenas.size() - 1 && frames - played < 2 * visit ? frames : played + visit;
        for (; played < std::min(end, frames); played++) {
            if (--held <= 0) {
                keys = static_cast<uint8_t>(roll(0, 255));
                held = roll(1, 60);
            }
            for (const Player *p : {players[0], players[1]}) {
                int column = static_cast<int>(p->x / 20),
                    cell = (static_cast<int>(p->y / 20) - 1) * ArenaColumns + column;
                if (roll(0, 400) == 0 && p->respawnTimer <= 0 && column >= 0 && column < ArenaColumns && cell >= 0 &&
                    cell < ArenaCells && !ItemLayer[cell] && !WallLayer[cell])
                    ItemLayer[cell] = static_cast<Uint16>(roll(ItemMelee, ItemHealth));
            }
            FighterInput first, second;
            decodeInputs(keys, first, second);
            playMatchFrame(first, second);
            checkMatch();
        }
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    resetMatch();
    releaseMediaSlots();
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    printf("soak: %lld frames on %zu arenas in %.1f s; peak world list %d objects, peak memory %ld KiB\n", played,
           arenas.size(), seconds, peakWorldLength(), usage.ru_maxrss);
    return 0;
}
