// Preloaded into the game by the real-window measurement: counts the frames
// the game shows, then hands the call on. Every frame of the game, in the
// intro and in a match, reads its events until none is left (with
// SDL_PollEvent, or after one SDL_PumpEvents with SDL_PeepEvents taking them),
// and presents once: the call that finds no event ends a frame. (The
// present itself cannot be counted: a frame that changed nothing puts nothing
// on the window.) A match frame whose display sent nothing skips SDL: the
// game then asks Xlib itself, outside SDL, whether anything is queued, and
// that question answered with none ends the frame. The game itself knows
// nothing of it.
#include "present_counter.h"

#include <dlfcn.h>

union SDL_Event;
struct _XDisplay;

namespace {
thread_local int insideSdl;  // Xlib's questions asked by SDL's reading of events are SDL's
constexpr int QueuedAlready = 0;
constexpr int GetEvent = 2;  // SDL_GETEVENT
}  // namespace

extern "C" void SDL_PumpEvents()
{
    using Pump = void (*)();
    static Pump next = reinterpret_cast<Pump>(dlsym(RTLD_NEXT, "SDL_PumpEvents"));
    insideSdl++;
    if (next)
        next();
    insideSdl--;
}

extern "C" int SDL_PeepEvents(SDL_Event *events, int count, int action, unsigned mask)
{
    using Peep = int (*)(SDL_Event *, int, int, unsigned);
    static Peep next = reinterpret_cast<Peep>(dlsym(RTLD_NEXT, "SDL_PeepEvents"));
    insideSdl++;
    int result = next ? next(events, count, action, mask) : 0;
    insideSdl--;
    if (insideSdl == 0 && action == GetEvent && result == 0)
        countPresent();
    return result;
}

extern "C" int SDL_PollEvent(SDL_Event *event)
{
    using Poll = int (*)(SDL_Event *);
    static Poll next = reinterpret_cast<Poll>(dlsym(RTLD_NEXT, "SDL_PollEvent"));
    insideSdl++;
    int result = next ? next(event) : 0;
    insideSdl--;
    if (result == 0)
        countPresent();
    return result;
}

extern "C" int XEventsQueued(_XDisplay *display, int mode)
{
    using Queued = int (*)(_XDisplay *, int);
    static Queued next = reinterpret_cast<Queued>(dlsym(RTLD_NEXT, "XEventsQueued"));
    int result = next ? next(display, mode) : 0;
    if (insideSdl == 0 && mode == QueuedAlready && result == 0)
        countPresent();
    return result;
}
