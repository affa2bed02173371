// The idle demo plays an arena the check accepts, ends at a pad's button and
// when minimised, leaves a closed window's event to the menu, and gives up quietly when its
// arena is gone.
#include "menu/menu.h"
#include "support/support.h"

TEST(MenuDemo, PlaysAnAcceptedArenaUntilInput)
{
    initHeadlessScreen();
    installSyntheticMedia();
    TempGameDir dir;
    writeFile("maps/a", std::string(ArenaFileSize, '\0'));  // no spawn point: rejected
    writeFile("maps/b", readFile(ZOLTR_SOURCE_DIR "/game/maps/arena2"));
    Menu menu{};
    menu.setup.Zoltr = 1;
    std::vector<ArenaChoice> none;
    menu.arenas = listArenas("maps", none);
    EXPECT_EQ(demoArena(menu), 1);
    for (Uint8 type : {SDL_JOYBUTTONDOWN, SDL_ACTIVEEVENT, SDL_QUIT}) {
        SDL_Event event = {};
        event.type = type;
        event.active.state = SDL_APPACTIVE;  // minimised
        SDL_PushEvent(&event);
        EXPECT_TRUE(playDemo(menu));
        EXPECT_EQ(SDL_PollEvent(&event), type == SDL_QUIT);
    }
    std::filesystem::remove("maps/b");
    EXPECT_FALSE(playDemo(menu));
    freeArenas(menu.arenas);
    releaseMediaSlots();
}
