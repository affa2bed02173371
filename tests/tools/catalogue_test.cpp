// The shipped game folder loads completely: every slot the game draws or plays
// is filled from seznam.dat, the font loads both ways, and nothing is reported.
#include "support/support.h"
#include "gfx/gfx.h"
#include "shell/shell.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

// The repo's game/ folder, found by walking up from the test program.
static fs::path gameFolder()
{
    for (fs::path dir = fs::read_symlink("/proc/self/exe").parent_path(); dir != dir.root_path();
         dir = dir.parent_path())
        if (fs::exists(dir / "game" / "seznam.dat"))
            return dir / "game";
    return {};
}

class ShippedGameFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = gameFolder();
        ASSERT_FALSE(folder.empty()) << "no game/seznam.dat above the test program";
        previous = fs::current_path();
        fs::current_path(folder);
        initHeadlessScreen();
    }
    void TearDown() override { fs::current_path(previous); }

    fs::path folder, previous;
};

TEST_F(ShippedGameFolder, LoadsEverySlotSilently)
{
    ASSERT_TRUE(openHeadlessAudio());
    settings.Sounds = 1;
    testing::internal::CaptureStderr();
    SDL_Surface *plain = loadImage("gfx/myfont.gif", 0);
    SDL_Surface *keyed = loadImage("gfx/myfont.gif", 1);
    loadCatalogue();
    std::string messages = testing::internal::GetCapturedStderr();
    EXPECT_EQ(messages, "");

    ASSERT_NE(plain, nullptr);
    ASSERT_NE(keyed, nullptr);
    EXPECT_EQ(plain->w % 94, 0);
    EXPECT_EQ(plain->h % 2, 0);
    EXPECT_FALSE(plain->flags & SDL_SRCCOLORKEY);
    EXPECT_TRUE(keyed->flags & SDL_SRCCOLORKEY);

    for (int slot : {0, 1, 3, 4, 5, 13, 14, 15, 16, 17})
        EXPECT_NE(ImageSlots[slot], nullptr) << "image slot " << slot;
    for (int slot : {2, 6, 7, 8, 9, 10, 11, 12, 18})
        EXPECT_EQ(ImageSlots[slot], nullptr) << "image slot " << slot;
    for (int slot = 0; slot < 16; slot++)
        EXPECT_NE(SoundSlots[slot].chunk, nullptr) << "sound slot " << slot;
    ASSERT_NE(SoundSlots[MusicSlot].music, nullptr);
    // The mixer streams the match music: it starts and is still going a moment later.
    EXPECT_EQ(Mix_PlayMusic(SoundSlots[MusicSlot].music, 0), 0);
    SDL_Delay(200);
    EXPECT_TRUE(Mix_PlayingMusic());
    Mix_HaltMusic();

    // Sheets are cut by their widths: 20x20 frames for all but the 80x80 blast.
    EXPECT_EQ(ImageSlots[0]->w, 160);
    EXPECT_EQ(ImageSlots[1]->w, 160);
    EXPECT_EQ(ImageSlots[3]->w, 160);
    EXPECT_EQ(ImageSlots[4]->w, 160);
    EXPECT_EQ(ImageSlots[5]->w, 640);
    EXPECT_EQ(ImageSlots[15]->w, 640);
    EXPECT_EQ(ImageSlots[16]->w, 80);
    for (int slot : {0, 1, 3, 4, 5, 16})
        EXPECT_TRUE(ImageSlots[slot]->flags & SDL_SRCCOLORKEY) << "image slot " << slot;
    for (int slot : {13, 14, 15, 17})
        EXPECT_FALSE(ImageSlots[slot]->flags & SDL_SRCCOLORKEY) << "image slot " << slot;
}

TEST_F(ShippedGameFolder, KeyedSheetsAreTransparentOnlyWhereMeant)
{
    // The player sheet's key must be the magenta of its corner, never a colour
    // the fighters use: a body pixel and the corner differ after conversion.
    SDL_Surface *players = loadImage("gfx/players.png", 1);
    ASSERT_NE(players, nullptr);
    Uint32 key = players->format->colorkey;
    EXPECT_EQ(pixelAt(players, 0, 0), key);
    EXPECT_NE(pixelAt(players, 10, 10), key);  // the middle of the first fighter
    SDL_Surface *font = loadImage("gfx/myfont.gif", 1);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(pixelAt(font, 0, 0), font->format->colorkey);
}

TEST_F(ShippedGameFolder, CzechLettersSitWhereTheTextDrawingLooksForThem)
{
    // Each accented letter is its plain letter with an accent on top, so the
    // glyph the game picks for the byte must match the plain one below the accent.
    SDL_Surface *font = loadImage("gfx/myfont.gif", 0);
    ASSERT_NE(font, nullptr);
    int w = font->w / 94, h = font->h / 2;
    const std::pair<const char *, const char *> pairs[] = {
        {"\xEC", "e"}, {"\x9A", "s"}, {"\xE8", "c"}, {"\xF8", "r"}, {"\x9E", "z"}, {"\xFD", "y"},
        {"\xE1", "a"}, {"\xE9", "e"}, {"\xF2", "n"}, {"\xF3", "o"}, {"\xFA", "u"}, {"\xF9", "u"},
    };
    for (auto [accented, plain] : pairs) {
        SDL_FillRect(screen, nullptr, 0);
        drawText(screen, font, 0, 0, accented, 0);
        drawText(screen, font, 100, 0, plain, 0);
        bool sameBody = true, accentDiffers = false;
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++) {
                bool same = pixelAt(screen, x, y) == pixelAt(screen, 100 + x, y);
                if (y >= h / 3)
                    sameBody &= same;
                else
                    accentDiffers |= !same;
            }
        EXPECT_TRUE(sameBody) << "byte " << +static_cast<unsigned char>(accented[0]);
        EXPECT_TRUE(accentDiffers) << "byte " << +static_cast<unsigned char>(accented[0]);
    }
}
