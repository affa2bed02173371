// Preloaded into the game by the real-window measurement: counts every
// SDL_Flip, then hands it on to SDL. The game itself knows nothing of it.
#include "present_counter.h"

#include <dlfcn.h>

struct SDL_Surface;

extern "C" int SDL_Flip(SDL_Surface *surface)
{
    using Flip = int (*)(SDL_Surface *);
    static Flip next = reinterpret_cast<Flip>(dlsym(RTLD_NEXT, "SDL_Flip"));
    countPresent();
    return next ? next(surface) : -1;
}
