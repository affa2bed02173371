// The keys screen driven by key presses: Enter walks through a player's four
// actions, a key with another job is refused with a message, Escape cancels,
// and the usual keys come back as none at all.
#include "menu/menu.h"
#include "support/support.h"

namespace {

MenuAction press(Menu &menu, SDLKey key)
{
    SDL_Event event = {};
    event.type = SDL_KEYDOWN;
    event.key.keysym.sym = key;
    return handleMenuEvent(menu, event);
}

TEST(MenuKeys, EachPlayerPressesTheirKeysAndTakenKeysAreRefused)
{
    Menu menu = {};
    menu.setup.Language = 1;
    strcpy(menu.setup.Name1, "Ann");
    strcpy(menu.setup.Name2, "Bob");
    menu.row = RowKeys;
    press(menu, SDLK_RETURN);
    ASSERT_TRUE(menu.keys);
    press(menu, SDLK_RETURN);  // Ann's left, right, jump, fire in a row
    for (SDLKey key : {SDLK_j, SDLK_LEFT, SDLK_p, SDLK_d, SDLK_i, SDLK_SPACE})
        press(menu, key);
    // The left arrow is Bob's, P the pause; D, Ann's usual right, stays the usual.
    EXPECT_EQ(std::vector<int>(menu.setup.Keys[0], menu.setup.Keys[0] + 4),
              (std::vector<int>{SDLK_j, 0, SDLK_i, SDLK_SPACE}));
    EXPECT_FALSE(menu.keyWaiting);

    press(menu, SDLK_DOWN);  // Bob's left: Ann's jump is taken
    press(menu, SDLK_RETURN);
    press(menu, SDLK_i);
    EXPECT_EQ(menu.message, "i is taken (Ann jump): choose another key");
    press(menu, SDLK_ESCAPE);  // cancels the wait
    EXPECT_EQ(menu.setup.Keys[1][ActionLeft], 0);
    EXPECT_FALSE(menu.keyWaiting);
    for (int row = 4; row >= 0; row--)  // up and round to the usual keys
        press(menu, SDLK_UP);
    press(menu, SDLK_RETURN);
    EXPECT_EQ(menu.setup.Keys[0][ActionLeft], 0);
    press(menu, SDLK_ESCAPE);
    EXPECT_FALSE(menu.keys);
    EXPECT_EQ(press(menu, SDLK_ESCAPE), ActionQuit);
}

}  // namespace
