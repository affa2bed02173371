// The menu's settings writing with real files: its lines replace theirs in
// place, every other line and line end stays, the game reads back what was
// set, and a file it cannot write is left exactly as it was.
#include "menu/menu.h"
#include "support/support.h"

namespace {

Settings chosen(const char *level)
{
    Settings values = {};
    strcpy(values.Name1, "Zed");
    strcpy(values.Name2, "Ann");
    strcpy(values.Level, level);
    values.Image1 = 3;
    values.Image2 = 4;
    values.Zoltr = 7;
    values.Sounds = 0;
    values.Windowed = 1;
    values.Language = 0;
    values.Computer2 = 3;
    return values;
}

const char *const Rest =
    "Name2 Ann\r\nImage1 3\r\nImage2 4\r\nZoltr 7\r\nSounds 0\r\nWindowed 1\r\nComputer1 0\r\nComputer2 3\r\n";

TEST(MenuSettingsFile, KeepsOtherLinesAndReadsBack)
{
    struct Case {
        const char *before;  // nullptr: no file yet
        const char *level;
        std::string after;  // "" : refused, the file unchanged
    };
    const Case cases[] = {
        {nullptr, "maps/arena2",
         "Name1 Zed\nName2 Ann\nLevel maps/arena2\nImage1 3\nImage2 4\nZoltr 7\nSounds 0\nWindowed 1\n"
         "Language 0\nComputer1 0\nComputer2 3\nFPS 50\n"},
        {"# mine\r\nName1 Old\r\nFPS 60\r\nfoo=bar\r\nLevel maps/x\r\nLanguage 1", "maps/arena2",
         std::string("# mine\r\nName1 Zed\r\nFPS 60\r\nfoo=bar\r\nLevel maps/arena2\r\nLanguage 0\r\n") + Rest},
        // A later line that mentions a key would win: the value goes last.
        {"Level maps/x\n# the Level line names the arena\n", "maps/my arena",
         "Level maps/my arena\n# the Level line names the arena\nName1 Zed\nName2 Ann\nLevel maps/my arena\n"
         "Image1 3\nImage2 4\nZoltr 7\nSounds 0\nWindowed 1\nLanguage 0\nComputer1 0\nComputer2 3\n"},
        // The game would read a name out of this arena's line.
        {"Name1 Keep\n", "maps/Name1 arena", ""},
    };
    for (const Case &c : cases) {
        TempGameDir dir;
        if (c.before)
            writeFile("settings.ini", c.before);
        Settings values = chosen(c.level);
        std::string problem = writeSettingsFile("settings.ini", values);
        if (c.after.empty()) {
            EXPECT_NE(problem, "") << c.level;
            EXPECT_EQ(readFile("settings.ini"), c.before);
        } else {
            EXPECT_EQ(problem, "") << c.level;
            EXPECT_EQ(readFile("settings.ini"), c.after);
            Settings back = {};
            ASSERT_TRUE(readSettingsFile("settings.ini", back));
            EXPECT_STREQ(back.Level, c.level);
            EXPECT_STREQ(back.Name1, "Zed");
            EXPECT_EQ(back.Language * 10 + back.Computer2, 3);
        }
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."), {}), 1) << "a temporary file was left";
    }

    // Own keys and the Join address go in once chosen; a key the file had and
    // the menu set back to the usual stays, at 0.
    TempGameDir dir;
    writeFile("settings.ini", "Fire2 32\n");
    Settings values = chosen("maps/a");
    values.Keys[0][ActionLeft] = SDLK_j;
    strcpy(values.JoinAddress, "host-2.example:29471");
    EXPECT_EQ(writeSettingsFile("settings.ini", values), "");
    EXPECT_EQ(readFile("settings.ini"), "Fire2 0\nName1 Zed\nName2 Ann\nLevel maps/a\nImage1 3\nImage2 4\nZoltr 7\n"
                                        "Sounds 0\nWindowed 1\nLanguage 0\nComputer1 0\nComputer2 3\nLeft1 106\n"
                                        "JoinAddress host-2.example:29471\n");
}

TEST(MenuSettingsFile, ReadOnlyFolderLosesNothing)
{
    TempGameDir dir;
    const char *before = "Name1 Keep\r\n# mine\r\n";
    writeFile("settings.ini", before);
    chmod("settings.ini", 0666);  // only the folder stands in the way
    chmod(".", 0555);
    std::string problem = unprivileged([] { return writeSettingsFile("settings.ini", chosen("maps/arena2")); });
    EXPECT_NE(problem.find("cannot write in its folder: Permission denied"), std::string::npos) << problem;
    EXPECT_EQ(readFile("settings.ini"), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."), {}), 1);
}

// Through a link only a regular file is replaced, in its own folder; anything
// else is refused and left as it was. A file that already says everything is
// not written at all, and temporaries of dead menus are cleared away.
TEST(MenuSettingsFile, LinksSpecialFilesUnchangedFilesAndLeftovers)
{
    TempGameDir dir;
    std::filesystem::create_directory("elsewhere");
    writeFile("elsewhere/mine.ini", "# mine\n");
    std::filesystem::create_symlink("elsewhere/mine.ini", "settings.ini");
    EXPECT_EQ(writeSettingsFile("settings.ini", chosen("maps/a")), "");
    EXPECT_TRUE(std::filesystem::is_symlink("settings.ini"));
    EXPECT_EQ(readFile("elsewhere/mine.ini").substr(0, 17), "# mine\nName1 Zed\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("elsewhere"), {}), 1);

    ASSERT_EQ(mkfifo("fifo", 0600), 0);
    for (const char *special : {"/dev/null", "fifo", "elsewhere"}) {
        std::filesystem::remove("settings.ini");
        std::filesystem::create_symlink(special, "settings.ini");
        EXPECT_EQ(writeSettingsFile("settings.ini", chosen("maps/a")), "it is not a regular file") << special;
        EXPECT_EQ(std::filesystem::read_symlink("settings.ini"), special);
    }
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));
    EXPECT_TRUE(std::filesystem::is_fifo("fifo"));

    // Nothing to change: a read-only folder is no obstacle.
    std::filesystem::remove("settings.ini");
    writeFile("settings.ini", readFile("elsewhere/mine.ini"));
    chmod(".", 0555);
    EXPECT_EQ(unprivileged([] { return writeSettingsFile("settings.ini", chosen("maps/a")); }), "");
    chmod(".", 0755);

    std::string mine = ".settings.ini." + std::to_string(getpid()) + ".abcdef";
    for (const std::string &name : {mine, std::string(".settings.ini.4194999.abcdef"), std::string(".settings.ini.x")})
        writeFile(name, "partly written");
    removeStaleTemporaries("settings.ini");
    EXPECT_TRUE(std::filesystem::exists(mine));
    EXPECT_FALSE(std::filesystem::exists(".settings.ini.4194999.abcdef"));
    EXPECT_TRUE(std::filesystem::exists(".settings.ini.x"));
}

}  // namespace
