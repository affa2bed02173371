// A networked match in the game's window: the host waits for a joiner (or
// the joiner connects), the handshake settles the match, and the rollback
// plays it at the agreed rate, each player's fighter on either key set.
#include "net/net.h"

#include "brain/brain.h"
#include "gfx/gfx.h"
#include "match/match.h"
#include "media/media.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <unistd.h>

namespace {

int frameLimit = 0;  // > 0: the match ends after this many frames

// The match as the rollback sees it.
struct MatchGame {
    using State = Match;
    struct Events {
        FrameEvents list;
        bool operator==(const Events &other) const
        {
            return std::equal(
                list.begin(), list.end(), other.list.begin(), other.list.end(),
                [](const FrameEvent &a, const FrameEvent &b) { return a.kind == b.kind && a.sound == b.sound; });
        }
    };
    static Events step(Match &match, const FighterInput inputs[2])
    {
        Events events;
        ::step(match, inputs, events.list);
        return events;
    }
    static std::uint64_t hash(const Match &match) { return ::hash(match); }
    static bool finished(const Match &match)
    {
        return killLimitReached(match) || (frameLimit > 0 && match.frameCounter >= frameLimit);
    }
};

struct Window {
    bool quit = false;
    bool fireDown = false;
    const Match *match = nullptr;  // what the own fighter sees: the rollback's match
    int me = 0;
    Brain *brain = nullptr;  // when the settings give the own fighter to the computer
    Pads *pads = nullptr;    // the game's pads, once the match plays
};

// Drains the window's events: closing it or Escape, and a fire key or pad
// button pressed since the last frame.
void readWindow(Window &window)
{
    SDL_Event event;
    SDL_PumpEvents();  // once: SDL_PollEvent reads the display again for every event
    while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_ALLEVENTS) > 0) {
        if (event.type == SDL_QUIT)
            window.quit = true;
        if (window.pads && notePadEvent(*window.pads, event) >= 0)
            window.fireDown |= event.type == SDL_JOYBUTTONDOWN;
        if (event.type == SDL_KEYDOWN) {
            SDLKey key = event.key.keysym.sym;
            window.quit |= key == SDLK_ESCAPE;
            window.fireDown |= key == SDLK_TAB || key == SDLK_RCTRL;
        }
    }
}

// Either key set or either pad moves the own fighter, or the brain does.
FighterInput ownInput(void *context)
{
    Window &window = *static_cast<Window *>(context);
    readWindow(window);
    if (window.brain)
        return think(*window.match, window.me, *window.brain);
    Uint8 *keys = SDL_GetKeyState(nullptr);
    FighterInput input{keys[SDLK_a] || keys[SDLK_LEFT], keys[SDLK_d] || keys[SDLK_RIGHT], keys[SDLK_w] || keys[SDLK_UP],
                       window.fireDown || keys[SDLK_TAB] || keys[SDLK_RCTRL]};
    window.fireDown = false;
    for (int fighter = 0; window.pads && fighter < MaxPlayers; fighter++) {
        FighterInput pad = padInput(window.pads->fighter[fighter]);
        input = {input.left || pad.left, input.right || pad.right, input.jump || pad.jump, input.fire || pad.fire};
    }
    return input;
}

bool quitAsked(void *context)
{
    return static_cast<Window *>(context)->quit;
}

void hear(void *, const MatchGame::Events &events)
{
    playEvents(events.list);
}

// The round trip and the last rollback's depth in the middle between the
// two HUD blocks, where the first name leaves room; otherwise not at all.
void drawLinkNote(const Match &match, std::uint32_t roundTripMs, int rollbackFrames)
{
    if (!fontKeyed)
        return;
    char note[48];
    snprintf(note, sizeof note, "ping %u roll %d", roundTripMs, rollbackFrames);
    int glyph = fontKeyed->w / 94;
    int nameEnd = 130 + glyph * static_cast<int>(strlen(match.names[0]));
    int width = glyph * static_cast<int>(strlen(note));
    constexpr int SecondBlock = 400;  // where the second fighter's HUD block begins
    if (nameEnd + 20 + width <= SecondBlock)
        drawText(screen, fontKeyed, (nameEnd + SecondBlock - width) / 2, 10, note, TextCentreVertically);
}

void show(void *, const Match &match, std::uint32_t roundTripMs, int rollbackFrames)
{
    beginFrameList();
    drawMatchFrame(match);
    drawLinkNote(match, roundTripMs, rollbackFrames);
    finishFrameList();
    presentScreen();
}

// One line in the middle of a black screen: waiting, and why a match ended.
void showLine(const char *line)
{
    if (!screen)
        return;
    SDL_FillRect(screen, nullptr, 0);
    if (fontKeyed)
        drawText(screen, fontKeyed, 320, 240, line, TextCentreVertically | TextCentreHorizontally);
    presentScreen();
}

// The host waits for its joiner while the window lives; Escape gives up.
bool reachPeer(const NetMatchOptions &options, NetLink &link, std::string &error)
{
    if (!options.hosting) {
        showLine("Joining...");
        return connectToHost(link, options.address.c_str(), options.port, 5000, error);
    }
    char line[64];
    snprintf(line, sizeof line, "Waiting for a player on port %u (Escape stops)", options.port);
    showLine(line);
    Window window;
    if (listenForPeer(link, nullptr, options.port, 500, error))
        return true;
    if (!link.host)
        return false;  // the port itself failed
    for (int tries = 0; tries < 1200 && !window.quit; tries++) {
        if (awaitPeer(link, 500, error))
            return true;
        readWindow(window);
    }
    error = window.quit ? "" : "nobody joined";
    return false;
}

// The host's settings that rule the match; the arena is named by its file alone.
MatchTerms hostTerms(const Settings &settings, std::uint32_t seed)
{
    MatchTerms terms{};
    const char *slash = strrchr(settings.Level, '/');
    snprintf(terms.level, sizeof terms.level, "maps/%.200s", slash ? slash + 1 : settings.Level);
    terms.killLimit = settings.Zoltr;
    terms.image1 = settings.Image1;
    terms.image2 = settings.Image2;
    snprintf(terms.name1, sizeof terms.name1, "%s", isPlainWord(settings.Name1, NameBytes) ? settings.Name1 : "Red");
    int fps = settings.FPS > 0 ? settings.FPS : DefaultFps;
    // About the pace a local match keeps at this setting (83 frames a second at 50).
    terms.stepRate = std::clamp(fps * 5 / 3, 10, 120);
    terms.seed = seed;
    return terms;
}

int fail(const std::string &message)
{
    if (!message.empty()) {
        fprintf(stderr, "Network: %s\n", message.c_str());
        showLine(message.c_str());
        SDL_Delay(1500);
    }
    return message.empty() ? 0 : 1;
}

// How long this process has run, from the kernel's note of its start: the
// time to the first frame counts the game's own start-up too.
std::uint32_t processAgeMs()
{
    FILE *stat = fopen("/proc/self/stat", "r");
    if (!stat)
        return 0;
    char line[1024] = "";
    bool read = fgets(line, sizeof line, stat) != nullptr;
    fclose(stat);
    const char *field = read ? strrchr(line, ')') : nullptr;  // the name may hold spaces
    unsigned long long started = 0;
    // After the name: the state is field 3, the start time field 22.
    if (!field || sscanf(field + 1, " %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %*s %llu",
                         &started) != 1)
        return 0;
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    long ticks = sysconf(_SC_CLK_TCK);
    double age =
        now.tv_sec * 1000.0 + now.tv_nsec / 1e6 - static_cast<double>(started) * 1000.0 / (ticks > 0 ? ticks : 100);
    return age > 0 ? static_cast<std::uint32_t>(age) : 0;
}

template <class T>
T percentile(std::vector<T> values, int percent)
{
    if (values.empty())
        return T{};
    std::size_t at = (values.size() - 1) * static_cast<std::size_t>(percent) / 100;
    std::nth_element(values.begin(), values.begin() + static_cast<long>(at), values.end());
    return values[at];
}

// One line for whoever compares the two machines or measures the link: the
// end, the state hash, the input delay, the rollbacks' depths, the CPU of a
// frame's corrections and step, the bytes each way and the time from the
// process's start to its first frame.
void reportMatch(const NetResult &result, const Rollback<MatchGame> &rollback, const NetLink &link, int inputDelay,
                 std::uint32_t startTicks, std::uint32_t ageAtStart)
{
    double seconds = std::max(1u, result.frames) / static_cast<double>(std::max(1, rollback.hashEvery));
    fprintf(stderr,
            "Network report: %u frames, state hash %08x, input delay %d, rollback p50 %d p99 %d of %zu, "
            "frame CPU p50 %u p99 %u us, bytes a second %.0f out %.0f in, first frame after %u ms, %s\n",
            result.frames, static_cast<unsigned>(::hash(rollback.state)), inputDelay,
            percentile(rollback.rollbackDepths, 50), percentile(rollback.rollbackDepths, 99),
            rollback.rollbackDepths.size(), percentile(rollback.stepMicros, 50), percentile(rollback.stepMicros, 99),
            static_cast<double>(link.bytesSent) / seconds, static_cast<double>(link.bytesReceived) / seconds,
            ageAtStart + rollback.firstFrameTicks - startTicks, result.end == NetEnd::Finished ? "ended" : "stopped");
}

}  // namespace

int runNetworkMatch(const NetMatchOptions &options, RunningGame &game)
{
    Settings settings = *game.settings;  // the handshake renames the fighters
    frameLimit = options.frameLimit;
    std::uint32_t startTicks = SDL_GetTicks(), ageAtStart = processAgeMs();
    NetLink link;
    std::string error;
    if (!reachPeer(options, link, error)) {
        closeLink(link);
        return fail(error);
    }
    Handshake agreed{};
    std::uint32_t seed = SDL_GetTicks() * 2654435761u;
    bool shaken = options.hosting ? hostHandshake(link, hostTerms(settings, seed), settings.Level, options.inputDelay,
                                                  agreed, error)
                                  : joinHandshake(link, settings.Name2, options.inputDelay, agreed, error);
    if (!shaken) {
        closeLink(link);
        return fail(error);
    }
    // The match and its end scene name the fighters as the handshake did.
    snprintf(settings.Name1, sizeof settings.Name1, "%s", agreed.terms.name1);
    snprintf(settings.Name2, sizeof settings.Name2, "%s", agreed.name2);
    const MatchTerms &terms = agreed.terms;
    MatchSetup setup = {agreed.arenaPath.c_str(),
                        terms.killLimit,
                        {terms.image1, terms.image2},
                        terms.seed,
                        {settings.Name1, settings.Name2}};
    auto match = std::make_unique<Match>();
    bool started = startMatch(*match, setup);
    // Both machines record the same file: the arena by the host's name for it, whatever folder it came from.
    static Recording recording;
    if (started) {
        recording = beginRecording(*match, setup);
        recording.arena = terms.level;
    }
    forgetHandshake(agreed);
    if (!started) {
        closeLink(link);
        return fail("the arena did not load");
    }
    int me = options.hosting ? 0 : 1;
    auto rollback = std::make_unique<Rollback<MatchGame>>();
    rollback->start(*match, me, agreed.inputDelay, terms.stepRate);
    rollback->checkEvery = RecordingCheckInterval;

    Window window;
    window.match = &rollback->state;
    window.me = me;
    window.pads = &game.pads;
    auto brain = std::make_unique<Brain>();
    int level = computerLevel(me == 0 ? settings.Computer1 : settings.Computer2);
    if (level != ComputerPerson) {
        startBrain(*brain, me, level, terms.seed);
        buildNavMap(brain->map, *match);  // before the first frame, so that it is not late
        window.brain = brain.get();
    }
    playMusic();
    NetHooks<MatchGame> hooks{ownInput, quitAsked, hear, show, &window};
    NetResult result = playNetworked(link, *rollback, terms.stepRate, hooks);
    reportMatch(result, *rollback, link, agreed.inputDelay, startTicks, ageAtStart);

    // Kept however the match ended: after a desync the two files tell where the machines parted.
    for (const auto &inputs : rollback->confirmed)
        recording.match.inputs.push_back(packInputs(inputs.data()));
    for (std::uint64_t check : rollback->checks)
        recording.match.checks.push_back(static_cast<std::uint32_t>(check));
    recording.match.finalHash = ::hash(rollback->confirmedState());
    keepRecording(recording);
    if (result.end != NetEnd::Finished)
        return fail(result.message);
    *match = rollback->state;
    rollback.reset();
    runEndScene(*match, game);
    return 0;
}
