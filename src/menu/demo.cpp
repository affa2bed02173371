// The idle demo: a menu left alone shows a match of two hard computers on
// the chosen arena, in its own window and without sound, until a key, a pad's
// button or a click. It writes nothing, counts nothing, and leaves the menu
// as it was.
#include "brain/brain.h"
#include "gfx/gfx.h"
#include "match/match.h"
#include "media/media.h"
#include "menu/menu.h"

#include <climits>
#include <cstdlib>

constexpr Uint32 DefaultDemoAfter = 60000;

Uint32 demoAfterMilliseconds()
{
    const char *asked = getenv("ZOLTR_DEMO_AFTER_MS");
    if (!asked || !*asked)
        return DefaultDemoAfter;
    char *end = nullptr;
    long milliseconds = strtol(asked, &end, 10);
    if (*end || milliseconds < 0 || milliseconds > INT_MAX)
        return DefaultDemoAfter;
    return static_cast<Uint32>(milliseconds);
}

bool nextMenuEvent(const Menu &menu, SDL_Event &event)
{
    for (;;) {
        if (SDL_PollEvent(&event) > 0)
            return true;
        // A window nobody can see plays no demo; the menu starts its idle time
        // again when it shows (its window's events count as someone there).
        bool seen = (SDL_GetAppState() & SDL_APPACTIVE) != 0;
        if (seen && menu.demoAfter > 0 && SDL_GetTicks() - menu.idleSince >= menu.demoAfter)
            return false;
        SDL_Delay(10);
    }
}

int demoArena(Menu &menu)
{
    int count = static_cast<int>(menu.arenas.size());
    for (int k = 0; k < count; k++) {
        ArenaChoice &arena = menu.arenas[(menu.arena + k) % count];
        examineArena(arena);
        if (arena.preview && arena.problems.empty())
            return (menu.arena + k) % count;
    }
    return -1;
}

// True for the input that ends the demo; a minimised or closed window ends
// it too, the closing's event left for the menu. The pads' other moves are
// noted, so that the menu knows where the sticks stand afterwards.
static bool demoInterrupted(Menu &menu)
{
    SDL_Event event, key;
    while (SDL_PollEvent(&event) > 0) {
        if (event.type >= SDL_JOYAXISMOTION && event.type <= SDL_JOYBUTTONUP)
            padAsKey(menu.pads, event, key);
        if (event.type == SDL_QUIT)
            SDL_PushEvent(&event);
        bool hidden = event.type == SDL_ACTIVEEVENT && !event.active.gain && (event.active.state & SDL_APPACTIVE);
        if (event.type == SDL_KEYDOWN || event.type == SDL_MOUSEBUTTONDOWN || event.type == SDL_JOYBUTTONDOWN ||
            event.type == SDL_QUIT || hidden)
            return true;
    }
    return false;
}

bool playDemo(Menu &menu)
{
    int chosen = demoArena(menu);
    if (chosen < 0)
        return false;
    const Settings &setup = menu.setup;
    const std::string arena = menu.arenas[chosen].path;
    const char *caption = say(menu, "Demo - press any key", "Uk\xE1zka - stiskni kl\xE1vesu");
    static Match match;
    Brain brains[MaxPlayers];
    FrameEvents events;
    events.reserve(256);
    FramePacing pacing;
    // The menu's picture is not the last listed frame.
    forgetFrameList();
    for (unsigned seed = SDL_GetTicks();; seed++) {
        MatchSetup start = {arena.c_str(), setup.Zoltr, {setup.Image1, setup.Image2}, seed, {setup.Name1, setup.Name2}};
        if (!startMatch(match, start))
            return false;
        for (int i = 0; i < MaxPlayers; i++)
            startBrain(brains[i], i, ComputerHard, seed);
        // At the kill limit the next match starts at once: no victory scene, no recording.
        while (!killLimitReached(match)) {
            beginFrameList();
            drawMatchFrame(match);
            drawText(screen, fontKeyed, 320, 462, caption, TextCentreHorizontally);
            finishFrameList();
            presentScreen();
            if (demoInterrupted(menu))
                return true;
            paceFrame(pacing, setup.FPS);
            const FighterInput inputs[MaxPlayers] = {think(match, 0, brains[0]), think(match, 1, brains[1])};
            step(match, inputs, events);
        }
    }
}
