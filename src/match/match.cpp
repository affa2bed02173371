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

// The end scene's two lines of text.
struct EndScene {
    const char *result;
    const char *prompt;
    char winnerLine[64];  // room for the longer format with a 29-character name
};

// What a frame runs beside the match: the end scene's lines (none in the
// match), the recording it writes, or the recorded inputs it plays back
// instead of the keys and the computer players.
struct FrameRole {
    const EndScene *scene = nullptr;
    Recording *recording = nullptr;
    const uint8_t *replayed = nullptr;
};

MatchSetup setupFromSettings(const Settings &chosen, unsigned seed)
{
    return {chosen.Level, chosen.Zoltr, {chosen.Image1, chosen.Image2}, seed, {chosen.Name1, chosen.Name2}};
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
    Uint8 *keyState = SDL_GetKeyState(nullptr);
    const SDLKey cleared[] = {SDLK_ESCAPE, SDLK_RCTRL, SDLK_LCTRL, SDLK_UP, SDLK_DOWN, SDLK_LEFT, SDLK_RIGHT};
    for (SDLKey key : cleared)
        keyState[key] = 0;
    playMusic();
}

// Player 1 then player 2: left, right, jump, fire.
static const SDLKey DefaultKeys[2][4] = {{SDLK_a, SDLK_d, SDLK_w, SDLK_TAB},
                                         {SDLK_LEFT, SDLK_RIGHT, SDLK_UP, SDLK_RCTRL}};

SDLKey keyOf(const Settings &chosenKeys, int fighter, FighterAction action)
{
    int chosen = chosenKeys.Keys[fighter][action];
    return chosen > 0 && chosen < SDLK_LAST ? static_cast<SDLKey>(chosen) : DefaultKeys[fighter][action];
}

SDLKey usualKey(int fighter, FighterAction action)
{
    return DefaultKeys[fighter][action];
}

FrameRequests drainEvents(const Settings &chosen, Pads &pads)
{
    FrameRequests down;
    SDL_Event event;
    bool quiet = !eventsMayBeWaiting();
    // SDL reads the display once for the frame: SDL_PollEvent would read it
    // again (and look for new pads) before handing out every event.
    if (!quiet)
        SDL_PumpEvents();
    while (!quiet && SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_ALLEVENTS) > 0) {
        if (event.type == SDL_ACTIVEEVENT && !event.active.gain && (event.active.state & SDL_APPINPUTFOCUS)) {
            down.pause = true;
            break;
        }
        // A pad's button is latched like a fire key: a tap between two frames fires.
        int padded = notePadEvent(pads, event);
        if (padded >= 0 && event.type == SDL_JOYBUTTONDOWN)
            down.fire[padded] = true;
        if (event.type != SDL_KEYDOWN)
            continue;
        SDLKey key = event.key.keysym.sym;
        for (int fighter = 0; fighter < 2; fighter++)
            if (key == keyOf(chosen, fighter, ActionFire))
                down.fire[fighter] = true;
        if (key == SDLK_ESCAPE)
            down.escape = true;
        else if (key == SDLK_p)
            down.pause = true;
        // The events after a pause are the paused match's.
        if (down.pause)
            break;
    }
    // A fighter fires when its key went down during the frame or is still
    // held after the events: a tap fires once, a held key whenever the
    // cooldown allows, and the other player's keys never cancel it.
    Uint8 *held = SDL_GetKeyState(nullptr);
    for (int fighter = 0; fighter < 2; fighter++)
        down.fire[fighter] =
            down.fire[fighter] || held[keyOf(chosen, fighter, ActionFire)] || pads.fighter[fighter].buttons != 0;
    return down;
}

FighterInput fighterInput(const Settings &chosen, int fighter, const FrameRequests &down, const Pads &pads)
{
    const Uint8 *keyState = SDL_GetKeyState(nullptr);
    FighterInput pad = padInput(pads.fighter[fighter]);
    auto held = [&](FighterAction action) { return static_cast<int>(keyState[keyOf(chosen, fighter, action)]); };
    return {held(ActionLeft) || pad.left, held(ActionRight) || pad.right, held(ActionJump) || pad.jump,
            down.fire[fighter]};
}

// The "paused" line on a dark band across the middle of the frame shown.
static void drawPausedLine(int language)
{
    if (!screen)
        return;
    SDL_Rect band = {0, 214, ScreenWidth, 52};
    SDL_FillRect(screen, &band, 0);
    drawText(screen, fontKeyed, 320, 230, language == 0 ? "pauza" : "paused", TextCentreHorizontally);
    drawText(screen, fontKeyed, 320, 250,
             language == 0 ? "P: hr\xE1t d\xE1l, Escape: konec z\xE1pasu" : "P: play on, Escape: end the match",
             TextCentreHorizontally);
}

static bool mixerOpen()
{
    return Mix_QuerySpec(nullptr, nullptr, nullptr) != 0;
}

bool pauseMatch(const Settings &chosen, Pads &pads)
{
    drawPausedLine(chosen.Language);
    presentScreen();
    if (mixerOpen()) {
        Mix_Pause(-1);
        Mix_PauseMusic();
    }
    bool escape = false;
    for (;;) {
        // Waiting, not polling: a paused match costs no CPU time.
        SDL_Event event;
        if (!SDL_WaitEvent(&event)) {
            SDL_Delay(10);
            continue;
        }
        if (event.type == SDL_VIDEOEXPOSE)
            presentScreen();
        // A stick let go during the pause must not walk on by itself afterwards.
        notePadEvent(pads, event);
        if (event.type != SDL_KEYDOWN)
            continue;
        if (event.key.keysym.sym == SDLK_ESCAPE) {
            escape = true;
            break;
        }
        if (event.key.keysym.sym == SDLK_p)
            break;
    }
    if (mixerOpen()) {
        Mix_Resume(-1);
        Mix_ResumeMusic();
    }
    return escape;
}

// One frame of the match, or of the end scene when the role has one: draw
// everything, flip, read the events, pace, step, and play what the step asks.
// True when Escape went down among the frame's events or is held: the match
// or the scene ends.
static bool runFrame(Match &match, RunningGame &game, FrameRole role, FrameEvents &events)
{
    const Settings &chosen = *game.settings;
    beginFrameList();
    if (role.scene)
        drawEndSceneFrame(match, role.scene->result, role.scene->prompt);
    else
        drawMatchFrame(match);
    finishFrameList();
    presentScreen();
    FrameRequests down = drainEvents(chosen, game.pads);
    // The end scene plays on by itself; only the match pauses.
    if (down.pause && !role.scene && !down.escape)
        down.escape = pauseMatch(chosen, game.pads);
    paceFrame(game.pacing, chosen.FPS);
    // Each fighter's keys or its pad; a computer's fighter ignores both.
    const FighterInput keys[MaxPlayers] = {fighterInput(chosen, 0, down, game.pads),
                                           fighterInput(chosen, 1, down, game.pads)};
    const ComputerPlayer *computers = game.computers;
    FighterInput inputs[MaxPlayers];
    for (int i = 0; i < MaxPlayers; i++) {
        const FighterInput &mine = keys[i], &theirs = keys[1 - i];
        bool alone = computers[1 - i] != nullptr;  // the other fighter is the computer's
        inputs[i] = role.scene || !computers[i] ? mine : computers[i](match, i);
        if (alone && !computers[i])
            inputs[i] = {mine.left | theirs.left, mine.right | theirs.right, mine.jump | theirs.jump,
                         mine.fire | theirs.fire};
    }
    if (role.replayed)
        unpackInputs(*role.replayed, inputs);
    step(match, inputs, events);
    if (role.recording)
        recordFrame(*role.recording, match, inputs);
    playEvents(events);
    return down.escape || SDL_GetKeyState(nullptr)[SDLK_ESCAPE];
}

MatchResult runMatch(RunningGame &game, unsigned seed)
{
    static Match match;
    game.match = &match;
    game.pacing.nextTick = 0;
    FrameEvents events;
    events.reserve(256);  // no frame allocates for its sounds
    playSound(Sound::Start);
    MatchSetup setup = setupFromSettings(*game.settings, seed);
    if (!startMatch(match, setup))
        missingArena(setup.arena);
    static Recording recording;
    recording = beginRecording(match, setup);
    enterLevel();

    bool escaped = false;
    do {
        escaped = runFrame(match, game, {nullptr, &recording, nullptr}, events);
        if (game.betweenFrames)
            game.betweenFrames(match);
    } while (!escaped && !killLimitReached(match));
    recording.match.finalHash = hash(match);
    // Kept before the end scene too, so a game stopped during it still has its match.
    std::string kept = keepRecording(recording);
    MatchResult result = {{match.players[0].kills, match.players[1].kills}, escaped && !killLimitReached(match)};
    runEndScene(match, game, &recording);
    if (!kept.empty())
        keepRecording(recording, kept);
    return result;
}

// The end scene's lines for the winner startEndScene named, in the chosen language.
static void writeEndScene(EndScene &scene, const Match &match, int winner, int language)
{
    const char *format = language == 0 ? "Hr\xE1\xE8 %.29s zv\xEDt\xECzil !!!" : "%.29s is winner !!!";
    snprintf(scene.winnerLine, sizeof scene.winnerLine, format, match.names[winner == 1 ? 1 : 0]);
    const char *draw = language == 0 ? "Nerozhodn\xEC" : "Uncertainly";
    scene.result = winner < 0 ? draw : scene.winnerLine;
    scene.prompt = language == 0 ? "stiskni escape" : "press escape";
}

// The end scene's frames, once its level is set up: until Escape or its last
// frame, or as many as `replayed` holds.
static void playEndScene(Match &match, RunningGame &game, int winner, Recording *recording,
                         const RecordedPlay *replayed)
{
    FrameEvents events;
    events.reserve(256);
    enterLevel();
    EndScene scene;
    writeEndScene(scene, match, winner, game.settings->Language);
    playSound(Sound::Start);
    for (size_t frame = 0; !replayed || frame < replayed->inputs.size(); frame++) {
        FrameRole role = {&scene, recording, replayed ? &replayed->inputs[frame] : nullptr};
        if (runFrame(match, game, role, events) || match.frameCounter >= EndSceneFrames)
            break;
    }
    if (recording)
        recording->endScene.finalHash = hash(match);
}

void runEndScene(Match &match, RunningGame &game, Recording *recording)
{
    if (!loadArena(match.arena, VictoryArena))
        missingArena(VictoryArena);
    uint32_t victoryHash = arenaHash(match.arena);
    setupLevel(match);
    int winner = startEndScene(match);
    if (recording)
        beginEndSceneRecording(*recording, match, victoryHash);
    playEndScene(match, game, winner, recording, nullptr);
}

int playRecording(const char *path, RunningGame &game)
{
    static Recording recording;
    static Match match;
    if (!startReplay(path, recording, match))
        return 1;
    game.match = &match;
    game.pacing.nextTick = 0;
    FrameEvents events;
    events.reserve(256);
    playSound(Sound::Start);
    enterLevel();
    for (const uint8_t &inputs : recording.match.inputs)
        if (runFrame(match, game, {nullptr, nullptr, &inputs}, events))
            return 0;
    int winner = 0;
    if (recording.endScenePlayed && startReplayedEndScene(match, winner))
        playEndScene(match, game, winner, nullptr, &recording.endScene);
    return 0;
}

// The next deadline counts from the tick read on entry, not from the end of the wait.
// Ticks wrap after 49 days: the wait is the deadline's distance ahead, modulo
// 2^32, and a distance longer than a frame is a deadline already passed (or 0,
// the level's start), never a wait of weeks.
void paceFrame(FramePacing &pacing, int fps)
{
    Uint32 now = pacing.ticks();
    if (fps <= 0)
        fps = DefaultFps;
    Uint32 frame = static_cast<Uint32>(1000 / fps);
    Uint32 ahead = pacing.nextTick - now;
    if (ahead > 0 && ahead <= frame)
        pacing.delay(ahead);
    pacing.nextTick = now + frame;
}
