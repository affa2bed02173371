// The evening's score as the menu keeps it: results read from the game's
// result file, wins per name whoever plays which side, abandoned matches
// left out; and the game's own words picked out of its error stream, also
// before a match.
#include "menu/menu.h"
#include "shell/shell.h"
#include "support/support.h"

namespace {

TEST(MenuScore, CountsWinsPerNameAndLeavesAbandonedMatchesOut)
{
    TempGameDir folder;
    Menu menu = {};
    menu.setup.Language = 1;
    struct Case {
        const char *first, *second;
        MatchResult result;
        const char *line;
    } cases[] = {
        {"Ann", "Bob", {{5, 3}, false}, "Ann 5:3 Bob, Ann wins"},
        {"Ann", "Bob", {{0, 0}, true}, "Ann 0:0 Bob, abandoned: not counted"},
        {"Bob", "Ann", {{1, 0}, true}, "Bob 1:0 Ann, Bob wins"},  // ended early, but after a kill
        {"Bob", "Cid", {{2, 2}, true}, "Bob 2:2 Cid, a draw"},
        {"Ann", "Bob", {{0, 5}, false}, "Ann 0:5 Bob, Bob wins"},
    };
    for (const Case &c : cases) {
        strcpy(menu.setup.Name1, c.first);
        strcpy(menu.setup.Name2, c.second);
        // Through the file, as the game writes it.
        ASSERT_TRUE(writeMatchResult("result", c.result));
        MatchResult read = {};
        ASSERT_TRUE(readMatchResult("result", read));
        EXPECT_EQ(recordResult(menu, read), c.line);
    }
    EXPECT_EQ(menu.played, 4);
    EXPECT_EQ(scoreLine(menu), "Ann 1, Bob 2, Cid 0 (4 matches)");

    MatchResult unread = {};
    writeFile("result", "3 1 quit\n");
    EXPECT_FALSE(readMatchResult("result", unread));
    EXPECT_FALSE(readMatchResult("none", unread));
}

TEST(MenuScore, ShowsOnlyTheGamesOwnWords)
{
    EXPECT_EQ(gameWords("ALSA lib confmisc.c:855:(parse_card) cannot find card '0'\n"
                        "ALSA lib pcm.c:2664:(snd_pcm_open_noupdate) Unknown PCM default\n"
                        "libpng warning: iCCP: known incorrect sRGB profile\n"
                        "Couldn't load image gfx/hud.png: Damaged picture\n"
                        "obrazek gfx/x.png nenalezenChyba scriptu Mapa maps/win1 neexistuje !!!"),
              "Couldn't load image gfx/hud.png: Damaged picture obrazek gfx/x.png nenalezenChyba scriptu Mapa "
              "maps/win1 neexistuje !!!");
    EXPECT_EQ(gameWords("ALSA lib x\nProblem: no display\n"), "Problem: no display");
}

}  // namespace

// A damaged picture is told on the menu's message line when it starts, in
// the game's words, before any match; the library's own line is not.
TEST(MenuMessages, DamagedPictureIsToldBeforeTheMatch)
{
    initHeadlessScreen();
    TempGameDir folder;
    std::string png = makePng(640, 20, false);
    writeFile("gfx/hud.png", png.substr(0, png.size() / 2));
    writeFile("seznam.dat", "media\n#\n" + std::string(15, '\n') + "gfx/hud.png 0\n#\n");
    std::string told = loadCatalogueTelling();
    EXPECT_EQ(told.find("Couldn't load image gfx/hud.png"), 0u) << told;
    EXPECT_EQ(told.find("libpng"), std::string::npos) << told;
    releaseMediaSlots();
    writeFile("gfx/hud.png", png);
    EXPECT_EQ(loadCatalogueTelling(), "");
    releaseMediaSlots();
}
