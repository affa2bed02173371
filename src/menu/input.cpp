// What the menu takes as input: every key press but the ghosts of SDL's key
// repeat, and a gamepad's leans and buttons as the keys that steer it.
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

bool padAsKey(Pads &pads, const SDL_Event &event, SDL_Event &key)
{
    if (event.type < SDL_JOYAXISMOTION || event.type > SDL_JOYBUTTONUP)
        return false;
    int which = event.type == SDL_JOYAXISMOTION  ? event.jaxis.which
                : event.type == SDL_JOYHATMOTION ? event.jhat.which
                                                 : event.jbutton.which;
    int fighter = padFighter(pads, which);
    if (fighter < 0)
        return false;
    FighterInput before = padInput(pads.fighter[fighter]);
    int downBefore = pads.fighter[fighter].stickY > 0 || (pads.fighter[fighter].hat & SDL_HAT_DOWN);
    if (notePadEvent(pads, event) < 0)
        return false;
    FighterInput after = padInput(pads.fighter[fighter]);
    int down = pads.fighter[fighter].stickY > 0 || (pads.fighter[fighter].hat & SDL_HAT_DOWN);
    SDLKey sym = SDLK_UNKNOWN;
    // A lean counts once, as it starts; the first button is Enter, the second Escape, the others Enter.
    if (after.jump && !before.jump)
        sym = SDLK_UP;
    else if (down && !downBefore)
        sym = SDLK_DOWN;
    else if (after.left && !before.left)
        sym = SDLK_LEFT;
    else if (after.right && !before.right)
        sym = SDLK_RIGHT;
    else if (event.type == SDL_JOYBUTTONDOWN)
        sym = event.jbutton.button == 1 ? SDLK_ESCAPE : SDLK_RETURN;
    if (sym == SDLK_UNKNOWN)
        return false;
    key = {};
    key.type = SDL_KEYDOWN;
    key.key.state = SDL_PRESSED;
    key.key.keysym.sym = sym;
    return true;
}
