// The shipped game folder loads completely and silently: every slot the game
// draws or plays is filled from seznam.dat with a sheet of the size and colour
// key the drawing code cuts it by, and the font carries the Czech letters.
#include "gfx/gfx.h"
#include "match/match.h"
#include "media/media.h"
#include "shell/shell.h"
#include "support/support.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

class ShippedGameFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        previous = fs::current_path();
        fs::current_path(ZOLTR_SOURCE_DIR "/game");
        initHeadlessScreen();
    }
    void TearDown() override { fs::current_path(previous); }
    fs::path previous;
};

TEST_F(ShippedGameFolder, LoadsEverySlotSilentlyWithItsSizeAndKey)
{
    ASSERT_TRUE(openHeadlessAudio());
    settings.Sounds = 1;
    testing::internal::CaptureStderr();
    loadCatalogue();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    // 20x20 frames for all but the 80x80 blast; height 0: any.
    const struct {
        int slot, w, h;
        bool keyed;
    } sheets[] = {{0, 160, 40, true}, {1, 160, 100, true}, {3, 160, 0, true}, {4, 160, 120, true},
                  {5, 640, 80, true}, {13, 0, 0, false},   {14, 0, 0, false}, {15, 640, 20, false},
                  {16, 80, 20, true}, {17, 0, 0, false}};
    for (auto s : sheets) {
        SDL_Surface *image = ImageSlots[s.slot];
        ASSERT_NE(image, nullptr) << "image slot " << s.slot;
        EXPECT_EQ(image->w, s.w ? s.w : image->w) << "image slot " << s.slot;
        EXPECT_EQ(image->h, s.h ? s.h : image->h) << "image slot " << s.slot;
        EXPECT_EQ(bool(image->flags & SDL_SRCCOLORKEY), s.keyed) << "image slot " << s.slot;
    }
    EXPECT_GE(ImageSlots[3]->h / 40, 4);  // 16 frames a skin, at least four skins
    EXPECT_LE(ImageSlots[13]->h, 165);    // clear of the intro text at y 180
    EXPECT_LE(190 + ImageSlots[14]->h, 480);
    EXPECT_EQ(ImageSlots[17]->h % 2, 0);
    for (int slot : {2, 6, 7, 8, 9, 10, 11, 12, 18})
        EXPECT_EQ(ImageSlots[slot], nullptr) << "image slot " << slot;
    // The key is the magenta of the corner, never a colour the fighters use.
    EXPECT_EQ(pixelAt(ImageSlots[3], 0, 0), ImageSlots[3]->format->colorkey);
    EXPECT_NE(pixelAt(ImageSlots[3], 10, 10), ImageSlots[3]->format->colorkey);

    for (int slot = 0; slot < 16; slot++)
        EXPECT_NE(SoundSlots[slot].chunk, nullptr) << "sound slot " << slot;
    ASSERT_NE(SoundSlots[MusicSlot].music, nullptr);
    // The mixer streams the match music as the checked Ogg file, not as its
    // decoded samples (six times the memory): it starts and is still going a
    // moment later.
    EXPECT_EQ(Mix_GetMusicType(SoundSlots[MusicSlot].music), MUS_OGG);
    EXPECT_EQ(Mix_PlayMusic(SoundSlots[MusicSlot].music, 0), 0);
    SDL_Delay(200);
    EXPECT_TRUE(Mix_PlayingMusic());
    Mix_HaltMusic();
}

TEST_F(ShippedGameFolder, FontLoadsBothWaysAndCzechLettersSitWhereTheTextDrawingLooksForThem)
{
    SDL_Surface *font = loadImage("gfx/myfont.gif", 0), *keyed = loadImage("gfx/myfont.gif", 1);
    ASSERT_NE(font, nullptr);
    ASSERT_NE(keyed, nullptr);
    EXPECT_EQ(font->w % 94 + font->h % 2, 0);
    EXPECT_FALSE(font->flags & SDL_SRCCOLORKEY);
    EXPECT_EQ(pixelAt(keyed, 0, 0), keyed->format->colorkey);
    // Each accented letter is its plain letter with an accent on top, so the
    // glyph the game picks for the byte must match the plain one below the accent.
    int w = font->w / 94, h = font->h / 2;
    const char accented[] = "\xEC\x9A\xE8\xF8\x9E\xFD\xE1\xE9\xF2\xF3\xFA\xF9", plain[] = "escrzyaenouu";
    for (int letter = 0; accented[letter]; letter++) {
        SDL_FillRect(screen, nullptr, 0);
        drawText(screen, font, 0, 0, std::string(1, accented[letter]).c_str(), 0);
        drawText(screen, font, 100, 0, std::string(1, plain[letter]).c_str(), 0);
        bool sameBody = true, accentDiffers = false;
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++) {
                bool same = pixelAt(screen, x, y) == pixelAt(screen, 100 + x, y);
                if (y >= h / 3)
                    sameBody &= same;
                else
                    accentDiffers |= !same;
            }
        EXPECT_TRUE(sameBody && accentDiffers) << "byte " << +static_cast<unsigned char>(accented[letter]);
    }
}
