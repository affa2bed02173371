// The idle demo plays an arena the check accepts, ends at a pad's button,
// leaves a closed window's event to the menu, and gives up quietly when its
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
    strcpy(menu.setup.Name1, "Ann");
    strcpy(menu.setup.Name2, "Bob");
    menu.setup.Image1 = 1;
    menu.setup.Image2 = 2;
    menu.setup.Zoltr = 1;
    menu.setup.Language = 1;
    std::vector<ArenaChoice> none;
    menu.arenas = listArenas("maps", none);
    EXPECT_EQ(demoArena(menu), 1);
    EXPECT_EQ(menu.arena, 0);

    SDL_Event event = {};
    event.type = SDL_JOYAXISMOTION;  // a lean goes on watching
    SDL_PushEvent(&event);
    event.type = SDL_JOYBUTTONDOWN;
    SDL_PushEvent(&event);
    SDL_Surface *font = fontKeyed;
    fontKeyed = makeSolidSurface(940, 40, 255, 255, 255);
    SDL_FillRect(screen, nullptr, 0);
    EXPECT_TRUE(playDemo(menu));
    EXPECT_EQ(SDL_PollEvent(&event), 0);
    // The caption along the bottom, the arena's walls above it.
    EXPECT_EQ(pixelAt(screen, 324, 466), screenColour(255, 255, 255));
    int drawn = 0;
    for (int y = 20; y < 460; y += 4)
        for (int x = 0; x < 640; x += 4)
            drawn += pixelAt(screen, x, y) != 0;
    EXPECT_GT(drawn, 1000);
    SDL_FreeSurface(fontKeyed);
    fontKeyed = font;

    event.type = SDL_QUIT;
    SDL_PushEvent(&event);
    EXPECT_TRUE(playDemo(menu));
    ASSERT_EQ(SDL_PollEvent(&event), 1);
    EXPECT_EQ(event.type, SDL_QUIT);

    std::filesystem::remove("maps/b");
    EXPECT_FALSE(playDemo(menu));
    freeArenas(menu.arenas);
    menu.arenas = listArenas("maps", none);
    EXPECT_EQ(demoArena(menu), -1);
    EXPECT_FALSE(playDemo(menu));
    freeArenas(menu.arenas);
    releaseMediaSlots();
}
