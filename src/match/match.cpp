// The match: set-up, the frame in its fixed order (draw everything, read the
// events, pace, then update), the end of the match and the end scene on the
// victory arena, which runs the same frame with a few differences.
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

static Uint32 sdlTicks()
{
    return SDL_GetTicks();
}
static void sdlDelay(Uint32 ms)
{
    SDL_Delay(ms);
}
Uint32 (*matchTicks)() = sdlTicks;
void (*matchDelay)(Uint32 ms) = sdlDelay;

constexpr int EndSceneFrames = 2000;
constexpr const char *VictoryArena = "maps/win1";

// The end scene's frame differs from the match's: the HUD strip goes under the
// arena, two lines of text over it, and the fighters stand still, a dead one staying dead.
struct EndScene {
    const char *result;
    const char *prompt;
};

// Loads an arena and sets it up, or ends the program: a run without its
// arena has failed, and a script or the menu must be able to tell.
static void loadLevelOrExit(const char *path)
{
    if (!loadArena(path)) {
        fprintf(stderr, "Chyba scriptu Mapa %s neexistuje !!!", path);
        exit(1);
    }
    setupLevel();
}

// The HUD strip background, skipped when its picture failed to load.
static void drawHudStrip()
{
    SDL_Surface *strip = slotImage(ImageSlot::HudStrip);
    if (!strip || !screen)
        return;
    SDL_Rect source = {0, 0, static_cast<Uint16>(strip->w), static_cast<Uint16>(strip->h)};
    SDL_Rect target = {0, 0, 0, 0};
    SDL_UpperBlit(strip, &source, screen, &target);
}

static void drawFighters()
{
    players[0]->drawPlayer();
    players[1]->drawPlayer();
}

static void showFrame()
{
    presentScreen();
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

// The world's and the arena's part of every update.
static void updateScenery()
{
    updateWorld();
    if (frameCounter % 25 == 0)
        regenerateItems();
}

// Wraps at a multiple of every rhythm it drives (25, 3) instead of
// overflowing after two billion frames.
static void countFrame()
{
    frameCounter = frameCounter >= FrameCounterWrap - 1 ? 0 : frameCounter + 1;
}

void drawMatchFrame()
{
    drawArena();
    drawHudStrip();
    drawFighters();
}

void updateMatchFrame(const FighterInput &first, const FighterInput &second)
{
    updateScenery();
    players[0]->updatePlayer(first);
    players[1]->updatePlayer(second);
    countFrame();
}

static void drawEndSceneFrame(const EndScene &scene)
{
    drawHudStrip();
    drawArena();
    drawText(screen, fontKeyed, 320, 50, scene.result, TextCentreHorizontally);
    drawText(screen, fontKeyed, 320, 460, scene.prompt, TextCentreHorizontally);
    drawFighters();
}

static void updateEndSceneFrame()
{
    updateScenery();
    // A fighter killed during the end scene stays dead.
    for (Player *player : players)
        if (player->respawnTimer == 0)
            player->updatePlayer({});
    countFrame();
}

// One frame of the match, or of the end scene when `scene` is given: draw
// everything, flip, read the events, pace, update.
static void runFrame(const EndScene *scene)
{
    keyState = SDL_GetKeyState(nullptr);
    if (scene)
        drawEndSceneFrame(*scene);
    else
        drawMatchFrame();
    showFrame();
    // A fighter fires when its key went down during the frame or is still
    // held after the events: a tap fires once, a held key whenever the
    // cooldown allows, and the other player's keys never cancel it.
    FireKeysDown down = drainEvents();
    int fire1 = down.tab || keyState[SDLK_TAB];
    int fire2 = down.rightCtrl || keyState[SDLK_RCTRL];
    paceFrame();
    if (scene)
        updateEndSceneFrame();
    else
        updateMatchFrame({keyState[SDLK_a], keyState[SDLK_d], keyState[SDLK_w], fire1},
                         {keyState[SDLK_LEFT], keyState[SDLK_RIGHT], keyState[SDLK_UP], fire2});
}

static bool killLimitReached()
{
    return players[0]->kills >= settings.Zoltr || players[1]->kills >= settings.Zoltr;
}

// Stands the fighters on win1 by the result and returns the text to show.
static const char *placeForEndScene(char *line, size_t size)
{
    int k0 = players[0]->kills;
    int k1 = players[1]->kills;
    int winner = 0;
    if (k0 > k1) {
        players[0]->placeAtSpawn(0);
        players[1]->placeAtSpawn(1);
        winner = 0;
    } else if (k1 > k0) {
        players[0]->placeAtSpawn(1);
        players[1]->placeAtSpawn(0);
        winner = 1;
    }
    const char *format = settings.Language == 0 ? "Hr\xE1\xE8 %.29s zv\xEDt\xECzil !!!" : "%.29s is winner !!!";
    snprintf(line, size, format, winner == 0 ? settings.Name1 : settings.Name2);
    if (k0 == k1) {
        players[0]->placeAtSpawn(1);
        players[1]->placeAtSpawn(1);
        return settings.Language == 0 ? "Nerozhodn\xEC" : "Uncertainly";
    }
    return line;
}

int runMatch()
{
    resetGame();
    playSound(Sound::Start);
    loadLevelOrExit(settings.Level);
    new Player();
    new Player();

    do
        runFrame(nullptr);
    while (!keyState[SDLK_ESCAPE] && !killLimitReached());

    loadLevelOrExit(VictoryArena);
    // Room for the longer format with a 29-character name.
    char winnerLine[64];
    EndScene scene = {placeForEndScene(winnerLine, sizeof winnerLine),
                      settings.Language == 0 ? "stiskni escape" : "press escape"};
    // One update from a timer of 1 brings both back to life with full health where they stand.
    frameCounter = 0;
    players[0]->respawnTimer = 1;
    players[1]->respawnTimer = 1;
    players[0]->updatePlayer({});
    players[1]->updatePlayer({});
    playSound(Sound::Start);

    do
        runFrame(&scene);
    while (!keyState[SDLK_ESCAPE] && frameCounter < EndSceneFrames);
    return 0;
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
