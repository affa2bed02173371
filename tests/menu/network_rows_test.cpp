// The menu's network rows: the host's address typed on the Join row, the
// rows chosen by keys and clicks, and the game started to host or to join;
// the one who joins needs no arena of its own.
#include "menu/menu.h"
#include "support/support.h"

namespace {

MenuAction press(Menu &menu, SDLKey key, Uint16 unicode = 0)
{
    SDL_Event event = {};
    event.type = SDL_KEYDOWN;
    event.key.keysym.sym = key;
    event.key.keysym.unicode = unicode;
    return handleMenuEvent(menu, event);
}

MenuAction click(Menu &menu, int x, int y)
{
    SDL_Event event = {};
    event.type = SDL_MOUSEBUTTONDOWN;
    event.button.button = SDL_BUTTON_LEFT;
    event.button.x = static_cast<Uint16>(x);
    event.button.y = static_cast<Uint16>(y);
    return handleMenuEvent(menu, event);
}

TEST(MenuNetwork, TypesTheAddressAndStartsTheGameToHostOrJoin)
{
    TempGameDir folder;
    initHeadlessScreen();
    Menu menu = {};
    menu.setup.Language = 1;
    menu.setup.Windowed = 1;
    strcpy(menu.setup.Name1, "Ann");
    strcpy(menu.setup.Name2, "Bob");
    menu.setup.Image1 = 1;
    menu.setup.Image2 = 2;
    menu.skins = 2;
    menu.row = RowPlay;

    // Letters type on the Join row instead of steering; a space or a slash is no part of an address.
    press(menu, SDLK_UP);
    ASSERT_EQ(menu.row, RowJoin);
    for (char typed : std::string("localhost:40001"))
        press(menu, static_cast<SDLKey>(typed), static_cast<Uint16>(typed));
    press(menu, SDLK_BACKSPACE);
    press(menu, SDLK_SPACE, ' ');
    press(menu, SDLK_SLASH, '/');
    EXPECT_EQ(menu.joinAddress, "localhost:4000");
    EXPECT_EQ(menu.row, RowJoin);
    EXPECT_EQ(press(menu, SDLK_RETURN), ActionJoin);
    press(menu, SDLK_UP);
    EXPECT_EQ(press(menu, SDLK_RETURN), ActionHost);

    // Two short rows share a line: a click finds the half it lands on.
    EXPECT_EQ(click(menu, 400, 290), ActionHost);
    EXPECT_EQ(click(menu, 400, 330), ActionPlay);
    EXPECT_EQ(click(menu, 600, 330), ActionQuit);
    EXPECT_EQ(click(menu, 400, 348), ActionWatch);
    click(menu, 600, 272);
    EXPECT_TRUE(menu.rules);
    click(menu, 600, 272);
    EXPECT_EQ(click(menu, 600, 308), ActionNone);
    EXPECT_EQ(menu.row, RowJoin);

    // A stand-in for the game notes how it was started.
    writeFile("game", "#!/bin/sh\necho \"$@\" >arguments\n[ \"$1\" = --join ] && exit 0\n"
                      "echo 'Network report: 0 frames' >&2\necho 'Network: nobody joined' >&2\nexit 1\n");
    chmod("game", 0755);
    mkdir("maps", 0755);
    writeFile("maps/win1", std::string(ArenaFileSize, '\0'));
    std::string game = folder.path() + "/game";

    menu.joinAddress = "";
    EXPECT_THAT(playMatch(menu, game, Joining), testing::StartsWith("Type the host's address on the Join row"));
    EXPECT_EQ(readFile("arguments"), "");
    menu.joinAddress = "localhost:4000";
    EXPECT_EQ(playMatch(menu, game, Joining), "The network match is over.");
    EXPECT_EQ(readFile("arguments"), "--join localhost:4000\n");

    writeFile("maps/arena1", std::string(ArenaFileSize, '\0'));
    std::vector<ArenaChoice> none;
    menu.arenas = listArenas("maps", none);
    EXPECT_EQ(playMatch(menu, game, Hosting), "The game failed (status 1): Network: nobody joined");
    EXPECT_EQ(readFile("arguments"), "--host\n");
    EXPECT_THAT(readFile("settings.ini"), testing::HasSubstr("Level maps/arena1"));
    EXPECT_EQ(menu.played, 0);
    freeArenas(menu.arenas);
}

}  // namespace
