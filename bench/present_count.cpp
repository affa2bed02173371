// Preloaded into the game by the real-window measurement: counts every
// present, then hands it on. The game presents either through SDL_Flip or
// with its own XShmPutImage calls, one for each changed part of the frame,
// the last of which asks for a completion event: that one is counted (a frame
// that changed nothing puts nothing and is not counted). SDL's present may
// itself end in one, which is not counted twice. The game itself knows
// nothing of it.
#include "present_counter.h"

#include <dlfcn.h>

struct SDL_Surface;
struct _XDisplay;
struct _XGC;
struct _XImage;

static thread_local bool insideFlip;

extern "C" int SDL_Flip(SDL_Surface *surface)
{
    using Flip = int (*)(SDL_Surface *);
    static Flip next = reinterpret_cast<Flip>(dlsym(RTLD_NEXT, "SDL_Flip"));
    countPresent();
    insideFlip = true;
    int result = next ? next(surface) : -1;
    insideFlip = false;
    return result;
}

extern "C" int XShmPutImage(_XDisplay *display, unsigned long drawable, _XGC *gc, _XImage *image, int fromX, int fromY,
                            int toX, int toY, unsigned width, unsigned height, int sendEvent)
{
    using Put = int (*)(_XDisplay *, unsigned long, _XGC *, _XImage *, int, int, int, int, unsigned, unsigned, int);
    static Put next = reinterpret_cast<Put>(dlsym(RTLD_NEXT, "XShmPutImage"));
    if (!insideFlip && sendEvent)
        countPresent();
    return next ? next(display, drawable, gc, image, fromX, fromY, toX, toY, width, height, sendEvent) : 0;
}
