// The menu's arena list: nothing is examined until it shows, and what was
// examined survives a new listing while its file stays the same.
#include "menu/menu.h"
#include "support/support.h"

TEST(MenuArenas, ExaminedOnlyWhenShownAndKeptWhileUnchanged)
{
    initHeadlessScreen();
    TempGameDir dir;
    for (const char *name : {"maps/b", "maps/a", "maps/c", "maps/win1"})
        writeFile(name, std::string(ArenaFileSize, '\0'));
    std::vector<ArenaChoice> none;
    std::vector<ArenaChoice> arenas = listArenas("maps", none);
    ASSERT_EQ(arenas.size(), 3u);
    EXPECT_EQ(arenas[0].name + arenas[1].name + arenas[2].name, "abc");
    for (const ArenaChoice &arena : arenas)
        EXPECT_FALSE(arena.examined || arena.preview);
    examineArena(arenas[0]);
    examineArena(arenas[1]);
    SDL_Surface *preview = arenas[0].preview;
    ASSERT_NE(preview, nullptr);

    writeFile("maps/b", std::string(10, '\0'));  // changed: examined again when it shows
    std::vector<ArenaChoice> again = listArenas("maps", arenas);
    EXPECT_TRUE(arenas.empty());
    EXPECT_EQ(again[0].preview, preview);
    EXPECT_FALSE(again[1].examined);
    examineArena(again[1]);
    EXPECT_EQ(again[1].problems.size(), 1u);  // too short now
    freeArenas(again);
}
