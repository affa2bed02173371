// Preloaded into the game by the real-window measurement: counts the frames
// the game shows, then hands the call on. Every frame of the game, in the
// intro and in a match, reads its events with SDL_PollEvent until none is
// left, and presents once: the call that finds no event ends a frame. (The
// present itself cannot be counted: a frame that changed nothing puts nothing
// on the window.) The game itself knows nothing of it.
#include "present_counter.h"

#include <dlfcn.h>

union SDL_Event;

extern "C" int SDL_PollEvent(SDL_Event *event)
{
    using Poll = int (*)(SDL_Event *);
    static Poll next = reinterpret_cast<Poll>(dlsym(RTLD_NEXT, "SDL_PollEvent"));
    int result = next ? next(event) : 0;
    if (result == 0)
        countPresent();
    return result;
}
