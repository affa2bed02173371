// The match frame loop, frame pacing, the end of the match and the end scene.
#include "match/match.h"
#include "match/player.h"

int frameCounter;
Uint32 nextFrameTick;
Uint8 *keyState;

static Uint32 sdlTicks() { return SDL_GetTicks(); }
static void sdlDelay(Uint32 ms) { SDL_Delay(ms); }
Uint32 (*matchTicks)() = sdlTicks;
void (*matchDelay)(Uint32 ms) = sdlDelay;

int runMatch()
{
    return 0;  // TODO(match)
}

void paceFrame()
{
    // TODO(match)
}
