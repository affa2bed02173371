// The match: set-up, the frame loop in its fixed order (draw everything, read
// the events, pace, then update), the end of the match and the end scene on
// the victory arena.
#include "match/match.h"

#include "arena/arena.h"
#include "gfx/gfx.h"
#include "match/player.h"
#include "shell/shell.h"
#include "world/world.h"

#include <cstdio>
#include <cstdlib>

int frameCounter;
Uint32 nextFrameTick;
Uint8 *keyState;

static Uint32 sdlTicks() { return SDL_GetTicks(); }
static void sdlDelay(Uint32 ms) { SDL_Delay(ms); }
Uint32 (*matchTicks)() = sdlTicks;
void (*matchDelay)(Uint32 ms) = sdlDelay;

constexpr int HudStripImage = 15;
constexpr int StartSound = 3;
constexpr int EndSceneFrames = 2000;
constexpr const char *VictoryArena = "maps/win1";

// Loads an arena and sets it up, or ends the program as a missing arena does.
static void loadLevelOrExit(const char *path)
{
    if (!loadArena(path)) {
        fprintf(stderr, "Chyba scriptu Mapa %s neexistuje !!!", path);
        exit(0);
    }
    setupLevel();
}

// The HUD strip background, skipped when its picture failed to load.
static void drawHudStrip()
{
    SDL_Surface *strip = ImageSlots[HudStripImage];
    if (!strip || !screen)
        return;
    SDL_Rect source = {0, 0, static_cast<Uint16>(strip->w), static_cast<Uint16>(strip->h)};
    SDL_Rect target = {0, 0, 0, 0};
    SDL_UpperBlit(strip, &source, screen, &target);
}

static void flipScreen()
{
    if (screen)
        SDL_Flip(screen);
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

void drawMatchFrame()
{
    drawArena();
    drawHudStrip();
    players[0]->drawPlayer();
    players[1]->drawPlayer();
}

void updateMatchFrame(const FighterInput &first, const FighterInput &second)
{
    updateWorld();
    if (frameCounter % 25 == 0)
        regenerateItems();
    players[0]->updatePlayer(first.left, first.right, first.jump, 0, first.fire);
    players[1]->updatePlayer(second.left, second.right, second.jump, 0, second.fire);
    // Wraps at a multiple of every rhythm it drives (25, 3) instead of
    // overflowing after two billion frames.
    frameCounter = frameCounter >= FrameCounterWrap - 1 ? 0 : frameCounter + 1;
}

int runMatch()
{
    playSound(StartSound, 1);
    loadLevelOrExit(settings.Level);
    Player *player1 = new Player();
    Player *player2 = new Player();

    for (;;) {
        keyState = SDL_GetKeyState(nullptr);
        drawMatchFrame();
        flipScreen();
        // A fighter fires when its key went down during the frame or is still
        // held after the events: a tap fires once, a held key whenever the
        // cooldown allows, and the other player's keys never cancel it.
        FireKeysDown down = drainEvents();
        int fire1 = down.tab || keyState[SDLK_TAB];
        int fire2 = down.rightCtrl || keyState[SDLK_RCTRL];
        paceFrame();
        updateMatchFrame({keyState[SDLK_a], keyState[SDLK_d], keyState[SDLK_w], fire1},
                         {keyState[SDLK_LEFT], keyState[SDLK_RIGHT], keyState[SDLK_UP], fire2});
        if (keyState[SDLK_ESCAPE] || killLimitReached())
            break;
    }

    loadLevelOrExit(VictoryArena);
    // Room for the longer format with a 29-character name.
    char winnerLine[64];
    const char *shown = placeForEndScene(winnerLine, sizeof winnerLine);
    const char *prompt = settings.Language == 0 ? "stiskni escape" : "press escape";
    // One update from a timer of 1 brings both back to life with full health where they stand.
    frameCounter = 0;
    player1->respawnTimer = 1;
    player2->respawnTimer = 1;
    player1->updatePlayer(0, 0, 0, 0, 0);
    player2->updatePlayer(0, 0, 0, 0, 0);
    playSound(StartSound, 1);

    for (;;) {
        drawHudStrip();
        drawArena();
        drawText(screen, fontKeyed, 320, 50, shown, TextCentreHorizontally);
        drawText(screen, fontKeyed, 320, 460, prompt, TextCentreHorizontally);
        player1->drawPlayer();
        player2->drawPlayer();
        flipScreen();
        drainEvents();
        paceFrame();
        updateWorld();
        if (frameCounter % 25 == 0)
            regenerateItems();
        // A fighter killed during the end scene stays dead.
        if (player1->respawnTimer == 0)
            player1->updatePlayer(0, 0, 0, 0, 0);
        if (player2->respawnTimer == 0)
            player2->updatePlayer(0, 0, 0, 0, 0);
        frameCounter++;
        if (keyState[SDLK_ESCAPE] || frameCounter >= EndSceneFrames)
            break;
    }
    return 0;
}

// The next deadline counts from the tick read on entry, not from the end of the wait.
void paceFrame()
{
    Uint32 now = matchTicks();
    if (now < nextFrameTick)
        matchDelay(nextFrameTick - now);
    int fps = settings.FPS > 0 ? settings.FPS : DefaultFps;
    nextFrameTick = now + 1000 / fps;
}
