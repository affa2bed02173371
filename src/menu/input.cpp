// What the menu takes as input: every key press but the ghosts of SDL's key
// repeat.
#include "menu/menu.h"

// A key tapped while the menu was busy arrives as a press and a release read
// in one go, and SDL's key repeat then goes on repeating it for good: the
// menu walked its rows by itself and redrew for ever. A press of a key that
// is up, with no release of it waiting, can only be such a repeat; turning
// the repeat off and on again ends it.
bool dropGhostRepeat(const SDL_Event &event)
{
    if (event.type != SDL_KEYDOWN)
        return false;
    SDLKey key = event.key.keysym.sym;
    if (SDL_GetKeyState(nullptr)[key])
        return false;
    SDL_Event waiting[64];
    int count = SDL_PeepEvents(waiting, 64, SDL_PEEKEVENT, SDL_KEYUPMASK);
    for (int i = 0; i < count; i++)
        if (waiting[i].key.keysym.sym == key)
            return false;
    SDL_EnableKeyRepeat(0, 0);
    SDL_EnableKeyRepeat(SDL_DEFAULT_REPEAT_DELAY, SDL_DEFAULT_REPEAT_INTERVAL);
    return true;
}
