// Gamepads through SDL's joystick API: up to two, each driving a fighter as
// its keys would. What a pad holds is kept from its events, so tests (and a
// pad that SDL recentres when it is pulled out) drive it by events alone.
#include "match/match.h"

// A stick must lean this far (of 32767) to count: worn sticks rest off-centre.
constexpr Sint16 DeadZone = 12000;

void openPads(Pads &pads)
{
    pads = {};
    if (!SDL_WasInit(SDL_INIT_JOYSTICK) && SDL_InitSubSystem(SDL_INIT_JOYSTICK) < 0)
        return;
    int found = SDL_NumJoysticks();
    for (int i = 0; i < found && pads.count < MaxPlayers; i++)
        if ((pads.opened[pads.count] = SDL_JoystickOpen(i)))
            pads.count++;
    // The pads are found once: with none, SDL need not look for new ones
    // every time it reads the events.
    if (pads.count == 0) {
        SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
        return;
    }
    SDL_JoystickEventState(SDL_ENABLE);
}

void closePads(Pads &pads)
{
    for (int i = 0; i < pads.count; i++)
        if (pads.opened[i] && SDL_JoystickOpened(SDL_JoystickIndex(pads.opened[i])))
            SDL_JoystickClose(pads.opened[i]);
    pads = {};
}

int padFighter(const Pads &pads, int which)
{
    if (which < 0 || which >= pads.count)
        return -1;
    // A lone pad goes to the second fighter: the first keeps the keys they share least.
    return pads.count == 1 ? 1 : which;
}

static int side(Sint16 value)
{
    return value < -DeadZone ? -1 : value > DeadZone ? 1 : 0;
}

int notePadEvent(Pads &pads, const SDL_Event &event)
{
    int which = -1;
    switch (event.type) {
    case SDL_JOYAXISMOTION: which = event.jaxis.which; break;
    case SDL_JOYHATMOTION: which = event.jhat.which; break;
    case SDL_JOYBUTTONDOWN:
    case SDL_JOYBUTTONUP: which = event.jbutton.which; break;
    default: return -1;
    }
    int fighter = padFighter(pads, which);
    if (fighter < 0)
        return -1;
    PadState &pad = pads.fighter[fighter];
    switch (event.type) {
    case SDL_JOYAXISMOTION:
        if (event.jaxis.axis == 0)
            pad.stickX = side(event.jaxis.value);
        else if (event.jaxis.axis == 1)
            pad.stickY = side(event.jaxis.value);
        break;
    case SDL_JOYHATMOTION:
        if (event.jhat.hat == 0)
            pad.hat = event.jhat.value;
        break;
    default:
        if (event.jbutton.button < 32) {
            Uint32 bit = 1u << event.jbutton.button;
            pad.buttons = event.type == SDL_JOYBUTTONDOWN ? pad.buttons | bit : pad.buttons & ~bit;
        }
    }
    return fighter;
}

FighterInput padInput(const PadState &pad)
{
    return {pad.stickX < 0 || (pad.hat & SDL_HAT_LEFT), pad.stickX > 0 || (pad.hat & SDL_HAT_RIGHT),
            pad.stickY < 0 || (pad.hat & SDL_HAT_UP), pad.buttons != 0};
}
