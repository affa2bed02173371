// settings.ini parsing: keys anywhere in a line, values at a fixed position,
// 100-byte pieces, CR LF line ends, later lines winning, the missing file.
#include "support/support.h"
#include "shell/shell.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

namespace {

// Writes settings.ini into a fresh game folder and loads it into clean settings.
class SettingsFile : public testing::Test {
protected:
    void load(const std::string &text)
    {
        writeFile("settings.ini", text);
        memset(&settings, 0, sizeof settings);
        loadSettings();
    }
    TempGameDir dir;
};

TEST_F(SettingsFile, WellFormedFileFillsEveryField)
{
    load("Name1 Pepa\n"
         "Name2    Franta Novak\n"
         "Level maps/my arena 1\n"
         "Image1 2\n"
         "Image2 -3\n"
         "Zoltr 10\n"
         "FPS 40\n"
         "Sounds 1\n"
         "Windowed 1\n"
         "Language 2\n");
    EXPECT_STREQ(settings.Name1, "Pepa");
    EXPECT_STREQ(settings.Name2, "Franta");  // spaces skipped, one word only
    EXPECT_STREQ(settings.Level, "maps/my arena 1");
    EXPECT_EQ(settings.Image1, 2);
    EXPECT_EQ(settings.Image2, -3);
    EXPECT_EQ(settings.Zoltr, 10);
    EXPECT_EQ(settings.FPS, 40);
    EXPECT_EQ(settings.Sounds, 1);
    EXPECT_EQ(settings.Windowed, 1);
    EXPECT_EQ(settings.Language, 2);
    EXPECT_STREQ(playerName(1), "Franta");
    EXPECT_EQ(playerImage(1), -3);
}

TEST_F(SettingsFile, MissingKeysStayZeroAndLevelKeepsLeadingSpaces)
{
    // The last line has no line end and still gives its whole path.
    load("FPS 30\nLevel   spaced path ");
    EXPECT_STREQ(settings.Name1, "");
    EXPECT_EQ(settings.Zoltr, 0);
    EXPECT_EQ(settings.Windowed, 0);
    EXPECT_STREQ(settings.Level, "  spaced path ");
}

TEST_F(SettingsFile, KeysMatchAnywhereButValuesAreReadAtTheKeyLength)
{
    load("Zoltr 5\n"
         "  Zoltr 7\n"                 // scan starts at "r 7": no number, 5 stays
         "xFPS 25\n"                   // scan starts at " 25"
         "# my Level is here\n"        // a comment naming a key still sets it
         "Sounds 1 Windowed 1\n"       // Windowed's value would start at "Windowed 1"
         "name1 lower case is no key\n"
         "Image1 4\n"
         "Image1 6\n");                // the later line wins
    EXPECT_EQ(settings.Zoltr, 5);
    EXPECT_EQ(settings.FPS, 25);
    EXPECT_STREQ(settings.Level, "evel is here");
    EXPECT_EQ(settings.Sounds, 1);
    EXPECT_EQ(settings.Windowed, 0);
    EXPECT_STREQ(settings.Name1, "");
    EXPECT_EQ(settings.Image1, 6);
}

TEST_F(SettingsFile, NumbersScanLikePercentD)
{
    load("Image1 +12abc\n"
         "Image2 \t-7\n"
         "Zoltr 99999999999\n"
         "Sounds -99999999999\n"
         "Windowed 3\nWindowed x\n"
         "Language\n"   // no trailing space: not the key
         "FPS 60\n");
    EXPECT_EQ(settings.Image1, 12);
    EXPECT_EQ(settings.Image2, -7);
    EXPECT_EQ(settings.Zoltr, INT_MAX);
    EXPECT_EQ(settings.Sounds, INT_MIN);
    EXPECT_EQ(settings.Windowed, 3);  // no number: the field keeps its value
    EXPECT_EQ(settings.Language, 0);
}

TEST_F(SettingsFile, LongLinesArriveAsPiecesOf99Bytes)
{
    // 120 characters: the first piece is 99 bytes, the rest (21 + line end) a line of its own.
    std::string line = "Level " + std::string(93, 'a') + "FPS 77" + std::string(15, 'b') + "\n";
    ASSERT_EQ(line.size(), 121u);
    load(line + "Zoltr 3\n");
    EXPECT_EQ(settings.Level, std::string(93, 'a'));
    EXPECT_EQ(settings.FPS, 77);
    EXPECT_EQ(settings.Zoltr, 3);
}

TEST_F(SettingsFile, CrLfEndsALineAndA98CharacterLineArrivesWhole)
{
    std::string path(92, 'p');
    load("Level " + path + "\r\nFPS 40\r\nName1 Jan\r\nWindowed 1\r\n");
    EXPECT_EQ(settings.Level, path);
    EXPECT_EQ(settings.FPS, 40);
    EXPECT_STREQ(settings.Name1, "Jan");
    EXPECT_EQ(settings.Windowed, 1);
}

TEST_F(SettingsFile, LongNamesAreCutTo29Characters)
{
    std::string longName(60, 'n');
    load("Name1 " + longName + "\nName2 Eva\nFPS 50\n");
    EXPECT_EQ(std::string(settings.Name1), longName.substr(0, 29));
    EXPECT_STREQ(settings.Name2, "Eva");
}

TEST_F(SettingsFile, FrameRateOfZeroOrLessFallsBackToTheDefault)
{
    for (const char *text : {"FPS 0\n", "FPS -5\n", "Zoltr 1\n"}) {
        testing::internal::CaptureStderr();
        load(text);
        std::string message = testing::internal::GetCapturedStderr();
        EXPECT_EQ(settings.FPS, DefaultFps) << text;
        EXPECT_THAT(message, testing::StartsWith("settings.ini: FPS ")) << text;
        EXPECT_EQ(message.find('\n'), message.size() - 1) << "one line";
    }
    testing::internal::CaptureStderr();
    load("FPS 1\n");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(settings.FPS, 1);
}

TEST(SettingsMissing, PrintsItsMessageAndExitsWithStatusZero)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    TempGameDir dir;
    EXPECT_EXIT(loadSettings(), testing::ExitedWithCode(0), testing::Eq("\nsettings.ini wasn't found"));
}

}  // namespace
