// settings.ini parsing: keys anywhere in a line, values at a fixed position,
// 99-byte pieces, CR LF line ends, later lines winning, the missing file.
#include "support/support.h"

namespace {

// The whole record after loading `text` as settings.ini into clean settings:
// Name1|Name2|Level|Image1|Image2|Zoltr|FPS|Sounds|Windowed|Language.
std::string loaded(const std::string &text)
{
    writeFile("settings.ini", text);
    memset(&settings, 0, sizeof settings);
    loadSettings();
    const Settings &s = settings;
    return std::string(s.Name1) + "|" + s.Name2 + "|" + s.Level + "|" + std::to_string(s.Image1) + "|" +
           std::to_string(s.Image2) + "|" + std::to_string(s.Zoltr) + "|" + std::to_string(s.FPS) + "|" +
           std::to_string(s.Sounds) + "|" + std::to_string(s.Windowed) + "|" + std::to_string(s.Language);
}

TEST(SettingsFile, KeysMatchAnywhereButValuesAreReadAtTheKeyLength)
{
    TempGameDir dir;
    const std::string a93(93, 'a'), p92(92, 'p'), n60(60, 'n');
    const struct {
        std::string text, record;
    } cases[] = {
        // Every field; names are one word; the level is the rest of its line.
        {"Name1 Pepa\nName2    Franta Novak\nLevel maps/my arena 1\nImage1 2\nImage2 -3\nZoltr 10\nFPS 40\n"
         "Sounds 1\nWindowed 1\nLanguage 2\n",
         "Pepa|Franta|maps/my arena 1|2|-3|10|40|1|1|2"},
        // Missing keys stay zero; a last line without its end still gives its whole path.
        {"FPS 30\nLevel   spaced path ", "||  spaced path |0|0|0|30|0|0|0"},
        {"Zoltr 5\n"
         "  Zoltr 7\n"            // scan starts at "r 7": no number, 5 stays
         "xFPS 25\n"              // scan starts at " 25"
         "# my Level is here\n"   // a comment naming a key still sets it
         "Sounds 1 Windowed 1\n"  // Windowed's value would start at "Windowed 1"
         "name1 lower case is no key\n"
         "Image1 4\nImage1 6\n",  // the later line wins
         "||evel is here|6|0|5|25|1|0|0"},
        // Numbers scan like %d: signs, leading blanks, the int range's ends; no number keeps the value.
        {"Image1 +12abc\nImage2 \t-7\nZoltr 99999999999\nSounds -99999999999\nWindowed 3\nWindowed x\n"
         "Language\nFPS 60\n",
         "|||12|-7|2147483647|60|-2147483648|3|0"},
        // 121 bytes: a piece of 99, then the rest as a line of its own.
        {"Level " + a93 + "FPS 77" + std::string(15, 'b') + "\nZoltr 3\n", "||" + a93 + "|0|0|3|77|0|0|0"},
        // CR LF ends a line, and a 98-character line arrives whole.
        {"Level " + p92 + "\r\nFPS 40\r\nName1 Jan\r\nWindowed 1\r\n", "Jan||" + p92 + "|0|0|0|40|0|1|0"},
        // Names are cut to 29 characters.
        {"Name1 " + n60 + "\nName2 Eva\nFPS 50\n", n60.substr(0, 29) + "|Eva||0|0|0|50|0|0|0"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(loaded(c.text), c.record) << c.text;
    // Who plays each fighter; the keys are absent from every file above.
    EXPECT_EQ(settings.Computer1 * 10 + settings.Computer2, 0);
    loaded("Computer2 3\nComputer1 1\nFPS 50\n");
    EXPECT_EQ(settings.Computer1 * 10 + settings.Computer2, 13);
    loaded(cases[0].text);
    MatchSetup setup = setupFromSettings(settings, 0);
    EXPECT_EQ(std::string(setup.names[0]) + setup.names[1], "PepaFranta");
    EXPECT_EQ(setup.looks[0] * 10 + setup.looks[1], 17);
}

TEST(SettingsFile, FrameRateBelowOneFallsBackToTheDefaultWithAMessage)
{
    TempGameDir dir;
    for (auto [text, fps, message] :
         {std::tuple{"FPS -5\n", DefaultFps, "settings.ini: FPS -5 is not a frame rate, using 50\n"},
          {"FPS 1\n", 1, ""}}) {
        testing::internal::CaptureStderr();
        loaded(text);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), message);
        EXPECT_EQ(settings.FPS, fps) << text;
    }
}

TEST(BadSettings, BinaryEmptyEndlessAndExtremeFilesGiveAWellFormedRecord)
{
    TempGameDir dir;
    testing::internal::CaptureStderr();
    EXPECT_EQ(loaded(""), "|||0|0|0|50|0|0|0");
    // A zero byte ends a value where it stands; the rest of its line is lost.
    EXPECT_EQ(loaded(std::string("Name1 \0hidden\nLevel maps/a\0b\nFPS 3\0"
                                 "0\nName2 Eva\0\xff\n",
                                 46)),
              "|Eva|maps/a|0|0|0|3|0|0|0");
    // A megabyte without a line end is just many pieces; the key on the next line still counts.
    EXPECT_EQ(loaded("Level " + std::string(1 << 20, 'x') + "\nFPS 30\n"),
              "||" + std::string(93, 'x') + "|0|0|0|30|0|0|0");
    testing::internal::GetCapturedStderr();
}

TEST(SettingsMissing, PrintsItsMessageAndFailsWithStatusOne)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    TempGameDir dir;
    // The death test's child runs this test again and ends inside loadSettings,
    // past its folder's destructor: its exit removes the folder instead.
    static std::filesystem::path folder;
    folder = std::filesystem::current_path();
    auto removeFolder = [] {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    };
    EXPECT_EXIT((atexit(removeFolder), loadSettings()), testing::ExitedWithCode(1),
                testing::Eq("\nsettings.ini wasn't found"));
    // Whatever is no settings file counts as none, named first; nothing waits or spins on it.
    const char *refused[] = {"folder", "fifo", "/dev/zero", "huge"};
    for (const char *kind : refused) {
        SCOPED_TRACE(kind);
        std::filesystem::remove_all("settings.ini");
        std::string name(kind);
        if (name == "folder")
            std::filesystem::create_directory("settings.ini");
        else if (name == "fifo")
            ASSERT_EQ(mkfifo("settings.ini", 0600), 0);
        else if (name == "huge")
            writeFile("settings.ini", std::string(MaxSettingsFileBytes + 1, '\n'));
        else
            std::filesystem::create_symlink(name, "settings.ini");
        std::string reason = name == "huge" ? " is too large" : " is not a regular file";
        EXPECT_EXIT((atexit(removeFolder), loadSettings()), testing::ExitedWithCode(1),
                    testing::Eq("settings.ini" + reason + "\n\nsettings.ini wasn't found"));
    }
}

}  // namespace
