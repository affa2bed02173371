// After a match the menu ignores input for a moment, also when the tick
// counter wraps meanwhile (after 49 days) or already stands near its end;
// the ghosts of SDL's key repeat are never taken for a key.
#include "menu/menu.h"
#include "support/support.h"

#include <gtest/gtest.h>

TEST(MenuCalm, LastsHalfASecondAcrossTheTickWrap)
{
    const Uint32 end = 0xffffffffu;
    const struct {
        Uint32 until, now;
        bool calm;
    } cases[] = {{1500, 1000, true},     {1500, 1500, false}, {1500, 1600, false},    {end - 100, end - 300, true},
                 {200, end - 200, true}, {200, 300, false},   {end - 100, 50, false}, {0, 3000000000u, false}};
    for (const auto &c : cases) {
        Menu menu{};
        menu.calmUntil = c.until;
        EXPECT_EQ(menuIsCalm(menu, c.now), c.calm) << c.until << " " << c.now;
    }
}

// A press of a key that is up, with no release of it waiting, is a ghost of
// SDL's key repeat; a tap read in one go and a held key are real.
TEST(MenuInput, GhostRepeatsOfAReleasedKeyAreDropped)
{
    initHeadlessScreen();
    Uint8 *held = SDL_GetKeyState(nullptr);
    SDL_Event down = {}, up = {}, read = {};
    down.type = SDL_KEYDOWN;
    down.key.keysym.sym = SDLK_DOWN;
    up.type = SDL_KEYUP;
    up.key.keysym.sym = SDLK_DOWN;
    while (SDL_PollEvent(&read)) {
    }
    SDL_PushEvent(&down);
    SDL_PushEvent(&up);
    ASSERT_TRUE(SDL_PollEvent(&read));
    EXPECT_FALSE(dropGhostRepeat(read));
    ASSERT_TRUE(SDL_PollEvent(&read));
    SDL_PushEvent(&down);
    ASSERT_TRUE(SDL_PollEvent(&read));
    EXPECT_TRUE(dropGhostRepeat(read));
    held[SDLK_DOWN] = 1;
    EXPECT_FALSE(dropGhostRepeat(read));
    held[SDLK_DOWN] = 0;
}

// A pad steers the menu: a lean of the stick or the d-pad is an arrow once,
// as it starts; the second button is Escape, any other Enter.
TEST(MenuInput, PadLeansAndButtonsAreKeys)
{
    Menu menu{};
    menu.pads.count = 1;
    SDL_Event pad = {}, key = {};
    auto sym = [&](const SDL_Event &event) {
        return padAsKey(menu.pads, event, key) ? key.key.keysym.sym : SDLK_UNKNOWN;
    };
    pad.type = SDL_JOYAXISMOTION;
    pad.jaxis.axis = 1;
    pad.jaxis.value = 30000;
    EXPECT_EQ(sym(pad), SDLK_DOWN);
    pad.jaxis.value = 32000;
    EXPECT_EQ(sym(pad), SDLK_UNKNOWN);
    pad.jaxis.value = 0;
    EXPECT_EQ(sym(pad), SDLK_UNKNOWN);
    pad.jaxis.axis = 0;
    pad.jaxis.value = -30000;
    EXPECT_EQ(sym(pad), SDLK_LEFT);
    pad.type = SDL_JOYHATMOTION;
    pad.jhat.value = SDL_HAT_UP;
    EXPECT_EQ(sym(pad), SDLK_UP);
    pad.type = SDL_JOYBUTTONDOWN;
    pad.jbutton.button = 1;
    EXPECT_EQ(sym(pad), SDLK_ESCAPE);
    pad.jbutton.button = 3;
    EXPECT_EQ(sym(pad), SDLK_RETURN);
    pad.jbutton.which = 1;  // no second pad
    EXPECT_EQ(sym(pad), SDLK_UNKNOWN);
}
