// Shared helpers for the game's tests.
#include "support/support.h"

#include "arena/arena.h"
#include "match/match.h"
#include "match/player.h"
#include "media/media.h"
#include "world/world.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

TempGameDir::TempGameDir()
{
    char pattern[] = "/tmp/zoltr-test-XXXXXX";
    char *made = mkdtemp(pattern);
    EXPECT_NE(made, nullptr);
    path_ = made ? made : "/tmp";
    previous_ = std::filesystem::current_path().string();
    std::filesystem::current_path(path_);
}

TempGameDir::~TempGameDir()
{
    std::filesystem::current_path(previous_);
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(path_, ignored);
}

std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

std::string unprivileged(const std::function<std::string()> &work)
{
    int ends[2];
    if (pipe(ends) != 0)
        return "no pipe";
    pid_t child = fork();
    if (child == 0) {
        bool dropped = geteuid() != 0 || (setgid(65534) == 0 && setuid(65534) == 0);
        std::string result = dropped ? work() : "still root";
        ssize_t ignored = write(ends[1], result.data(), result.size());
        (void)ignored;
        _exit(0);
    }
    close(ends[1]);
    std::string result;
    char buffer[256];
    for (ssize_t got; (got = read(ends[0], buffer, sizeof buffer)) > 0;)
        result.append(buffer, static_cast<size_t>(got));
    close(ends[0]);
    waitpid(child, nullptr, 0);
    return result;
}

Uint32 pixelAt(SDL_Surface *surface, int x, int y)
{
    SDL_LockSurface(surface);
    Uint8 *row = static_cast<Uint8 *>(surface->pixels) + y * surface->pitch;
    Uint32 value =
        surface->format->BytesPerPixel == 2 ? reinterpret_cast<Uint16 *>(row)[x] : reinterpret_cast<Uint32 *>(row)[x];
    SDL_UnlockSurface(surface);
    return value;
}

Uint32 screenColour(Uint8 r, Uint8 g, Uint8 b)
{
    return SDL_MapRGB(screen->format, r, g, b);
}

SDL_Surface *makeSolidSurface(int width, int height, Uint8 r, Uint8 g, Uint8 b)
{
    SDL_Surface *surface = SDL_CreateRGBSurface(SDL_SWSURFACE, width, height, 16, 0xF800, 0x07E0, 0x001F, 0);
    SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, r, g, b));
    return surface;
}

Match match;

// What the match's objects and fighters ask for outside a step; the next
// look at a channel plays it, as the frame would right after its step.
static FrameEvents pending;

void listenToMatch()
{
    match.events = &pending;
}

void stepMatch(const FighterInput &first, const FighterInput &second)
{
    static FrameEvents events;
    playEvents(pending);
    pending.clear();
    const FighterInput inputs[MaxPlayers] = {first, second};
    step(match, inputs, events);
    playEvents(events);
    listenToMatch();
}

void buildArena(const std::vector<std::string> &rows)
{
    Arena &arena = match.arena;
    clearArena(arena);
    const struct {
        char mark;
        Uint16 *layer;
        Uint16 code;
    } legend[] = {{'#', arena.WallLayer, 1},
                  {'H', arena.ItemLayer, ItemLadder},
                  {'J', arena.ItemLayer, ItemJumpPad},
                  {'L', arena.ItemLayer, ItemLift},
                  {'S', arena.AttributeLayer, AttributeSpawn},
                  {'~', arena.AttributeLayer, AttributeDamaging},
                  {'X', arena.AttributeLayer, AttributeDeadly}};
    for (size_t r = 0; r < rows.size() && r < static_cast<size_t>(ArenaRows); r++)
        for (size_t c = 0; c < rows[r].size() && c < static_cast<size_t>(ArenaColumns); c++) {
            int cell = static_cast<int>(r) * ArenaColumns + static_cast<int>(c);
            char ch = rows[r][c];
            for (const auto &l : legend)
                if (ch == l.mark)
                    l.layer[cell] = l.code;
            if (ch >= '1' && ch <= '8')
                arena.ItemLayer[cell] = static_cast<Uint16>(ItemMelee + (ch - '1'));
        }
}

void createPlayers()
{
    addFighter(match, settings.Image1);
    addFighter(match, settings.Image2);
}

void SmallArena::SetUp()
{
    initHeadlessScreen();
    match = Match();
    seedRandom(match.random, 1);
    installSilentSounds();
}

void SmallArena::TearDown()
{
    match = Match();
    pending.clear();
    removeSilentSounds();
}

void SmallArena::start(std::vector<std::string> rows)
{
    rows.resize(std::max<size_t>(rows.size(), 11));
    rows[9].resize(32, ' ');
    rows[9][28] = 'S';
    rows[10] = std::string(32, '#');
    buildArena(rows);
    setupLevel(match);
    createPlayers();
    listenToMatch();
}

static Uint8 silence[22050];

void installSilentSounds()
{
    ASSERT_TRUE(openHeadlessAudio());
    for (int slot = 0; slot < 16; slot++)
        SoundSlots[slot].chunk = Mix_QuickLoad_RAW(silence, sizeof silence);
}

void removeSilentSounds()
{
    Mix_HaltChannel(-1);
    for (int slot = 0; slot < 16; slot++) {
        Mix_FreeChunk(SoundSlots[slot].chunk);
        SoundSlots[slot].chunk = nullptr;
    }
    Mix_CloseAudio();
}

int playingSlot(int channel)
{
    playEvents(pending);
    pending.clear();
    for (int slot = 0; slot < 16 && Mix_Playing(channel); slot++)
        if (Mix_GetChunk(channel) == SoundSlots[slot].chunk)
            return slot;
    return -1;
}
