// The running game's match: set-up from the settings, the frame in its fixed
// order (draw everything, read the events, pace, then step and play the
// step's sounds), the end of the match and the end scene on the victory arena.
#include "match/match.h"

#include "arena/arena.h"
#include "gfx/gfx.h"
#include "media/media.h"
#include "world/world.h"

#include <cstdio>
#include <cstdlib>

Settings settings;
Uint8 *keyState;
Uint32 nextFrameTick;
Match *currentMatch;

static Uint32 sdlTicks()
{
    return SDL_GetTicks();
}
static void sdlDelay(Uint32 ms)
{
    SDL_Delay(ms);
}
Uint32 (*matchTicks)() = sdlTicks;
void (*betweenMatchFrames)(Match &match) = nullptr;
void (*matchDelay)(Uint32 ms) = sdlDelay;

constexpr int EndSceneFrames = 2000;
constexpr const char *VictoryArena = "maps/win1";

// The end scene's two lines of text.
struct EndScene {
    const char *result;
    const char *prompt;
};

MatchSetup setupFromSettings(unsigned seed)
{
    return {settings.Level, settings.Zoltr, {settings.Image1, settings.Image2}, seed, {settings.Name1, settings.Name2}};
}

// A missing arena ends the program: a run without its arena has failed,
// and a script or the menu must be able to tell.
[[noreturn]] static void missingArena(const char *path)
{
    fprintf(stderr, "Chyba scriptu Mapa %s neexistuje !!!", path);
    exit(1);
}

// Keys held across a level's setup read as released until pressed again, so
// the Escape that ended the match does not also end the end scene; then the music starts.
static void enterLevel()
{
    keyState = SDL_GetKeyState(nullptr);
    const SDLKey cleared[] = {SDLK_ESCAPE, SDLK_RCTRL, SDLK_LCTRL, SDLK_UP, SDLK_DOWN, SDLK_LEFT, SDLK_RIGHT};
    for (SDLKey key : cleared)
        keyState[key] = 0;
    playMusic();
}

// Reads every pending event and notes which fire keys went down among them.
struct FireKeysDown {
    bool tab = false;
    bool rightCtrl = false;
};

static FireKeysDown drainEvents()
{
    FireKeysDown down;
    SDL_Event event;
    while (SDL_PollEvent(&event) > 0) {
        if (event.type != SDL_KEYDOWN)
            continue;
        if (event.key.keysym.sym == SDLK_TAB)
            down.tab = true;
        else if (event.key.keysym.sym == SDLK_RCTRL)
            down.rightCtrl = true;
    }
    return down;
}

// One frame of the match, or of the end scene when `scene` is given: draw
// everything, flip, read the events, pace, step, and play what the step asks.
static void runFrame(Match &match, const EndScene *scene, FrameEvents &events, Recording *recording)
{
    keyState = SDL_GetKeyState(nullptr);
    if (scene)
        drawEndSceneFrame(match, scene->result, scene->prompt);
    else
        drawMatchFrame(match);
    presentScreen();
    // A fighter fires when its key went down during the frame or is still
    // held after the events: a tap fires once, a held key whenever the
    // cooldown allows, and the other player's keys never cancel it.
    FireKeysDown down = drainEvents();
    int fire1 = down.tab || keyState[SDLK_TAB];
    int fire2 = down.rightCtrl || keyState[SDLK_RCTRL];
    paceFrame();
    const FighterInput inputs[MaxPlayers] = {{keyState[SDLK_a], keyState[SDLK_d], keyState[SDLK_w], fire1},
                                             {keyState[SDLK_LEFT], keyState[SDLK_RIGHT], keyState[SDLK_UP], fire2}};
    step(match, inputs, events);
    if (recording)
        recordFrame(*recording, match, inputs);
    playEvents(events);
}

int runMatch(unsigned seed)
{
    static Match match;
    currentMatch = &match;
    nextFrameTick = 0;
    FrameEvents events;
    events.reserve(256);  // no frame allocates for its sounds
    playSound(Sound::Start);
    MatchSetup setup = setupFromSettings(seed);
    if (!startMatch(match, setup))
        missingArena(settings.Level);
    static Recording recording;
    recording = beginRecording(match, setup);
    enterLevel();

    do {
        runFrame(match, nullptr, events, &recording);
        if (betweenMatchFrames)
            betweenMatchFrames(match);
    } while (!keyState[SDLK_ESCAPE] && !killLimitReached(match));
    recording.finalHash = hash(match);
    keepRecording(recording);
    runEndScene(match);
    return 0;
}

void runEndScene(Match &match)
{
    FrameEvents events;
    events.reserve(256);
    if (!loadArena(match.arena, VictoryArena))
        missingArena(VictoryArena);
    setupLevel(match);
    enterLevel();
    int winner = startEndScene(match);
    // Room for the longer format with a 29-character name.
    char winnerLine[64];
    const char *format = settings.Language == 0 ? "Hr\xE1\xE8 %.29s zv\xEDt\xECzil !!!" : "%.29s is winner !!!";
    snprintf(winnerLine, sizeof winnerLine, format, winner == 1 ? settings.Name2 : settings.Name1);
    const char *draw = settings.Language == 0 ? "Nerozhodn\xEC" : "Uncertainly";
    EndScene scene = {winner < 0 ? draw : winnerLine, settings.Language == 0 ? "stiskni escape" : "press escape"};
    playSound(Sound::Start);

    do
        runFrame(match, &scene, events, nullptr);
    while (!keyState[SDLK_ESCAPE] && match.frameCounter < EndSceneFrames);
}

// The next deadline counts from the tick read on entry, not from the end of the wait.
// Ticks wrap after 49 days: the wait is the deadline's distance ahead, modulo
// 2^32, and a distance longer than a frame is a deadline already passed (or 0,
// the level's start), never a wait of weeks.
void paceFrame()
{
    Uint32 now = matchTicks();
    int fps = settings.FPS > 0 ? settings.FPS : DefaultFps;
    Uint32 frame = static_cast<Uint32>(1000 / fps);
    Uint32 ahead = nextFrameTick - now;
    if (ahead > 0 && ahead <= frame)
        matchDelay(ahead);
    nextFrameTick = now + frame;
}
