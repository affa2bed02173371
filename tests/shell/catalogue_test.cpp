// seznam.dat and loadImage: sections, slot numbering, skipped lines, messages,
// colour-key modes, and catalogues that overrun the tables.
#include "support/support.h"
#include "shell/shell.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

namespace {

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

// A w x h picture of one colour, saved as a 24-bit BMP.
void writeBmp(const std::string &path, int w, int h, Uint8 r = 200, Uint8 g = 100, Uint8 b = 50)
{
    writeFile(path, "");  // makes the folders
    SDL_Surface *s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 24, 0xFF0000, 0x00FF00, 0x0000FF, 0);
    SDL_FillRect(s, nullptr, SDL_MapRGB(s->format, r, g, b));
    ASSERT_EQ(SDL_SaveBMP(s, path.c_str()), 0);
    SDL_FreeSurface(s);
}

// A palettised picture: index 1 (magenta) at the top-left corner, index 2 (green) elsewhere.
void writePalettedBmp(const std::string &path, int w, int h)
{
    SDL_Surface *s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 8, 0, 0, 0, 0);
    SDL_Color colours[3] = {{0, 0, 0, 0}, {255, 0, 255, 0}, {0, 255, 0, 0}};
    SDL_SetColors(s, colours, 0, 3);
    SDL_FillRect(s, nullptr, 2);
    SDL_Rect corner = {0, 0, 1, 1};
    SDL_FillRect(s, &corner, 1);
    ASSERT_EQ(SDL_SaveBMP(s, path.c_str()), 0);
    SDL_FreeSurface(s);
}

// A 32-bit picture with an alpha mask: blue at the top-left corner, red elsewhere.
void writeBmp32(const std::string &path, int w, int h)
{
    SDL_Surface *s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 32, 0xFF0000, 0x00FF00, 0x0000FF, 0xFF000000);
    SDL_FillRect(s, nullptr, SDL_MapRGBA(s->format, 255, 0, 0, 255));
    SDL_Rect corner = {0, 0, 1, 1};
    SDL_FillRect(s, &corner, SDL_MapRGBA(s->format, 0, 0, 255, 255));
    ASSERT_EQ(SDL_SaveBMP(s, path.c_str()), 0);
    SDL_FreeSurface(s);
}

// A short 8-bit mono WAV.
void writeWav(const std::string &path)
{
    auto u32 = [](Uint32 v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
    auto u16 = [](Uint16 v) { return std::string{char(v), char(v >> 8)}; };
    std::string samples(64, char(0x80));
    std::string wav = "RIFF" + u32(36 + samples.size()) + "WAVEfmt " + u32(16) + u16(1) + u16(1) + u32(22050) +
                      u32(22050) + u16(1) + u16(8) + "data" + u32(samples.size()) + samples;
    writeFile(path, wav);
}

class Catalogue : public testing::Test {
protected:
    void SetUp() override
    {
        initHeadlessScreen();
        ASSERT_TRUE(openHeadlessAudio());
        settings.Sounds = 1;
    }
    void TearDown() override
    {
        for (SDL_Surface *&slot : ImageSlots) {
            SDL_FreeSurface(slot);
            slot = nullptr;
        }
        for (SoundSlot &slot : SoundSlots) {
            if (slot.chunk)
                Mix_FreeChunk(slot.chunk);
            if (slot.music)
                Mix_FreeMusic(slot.music);
            slot = {nullptr, nullptr};
        }
        settings.Sounds = 0;
    }
    // Loads seznam.dat with `text` and returns what went to the error stream.
    std::string load(const std::string &text)
    {
        writeFile("seznam.dat", text);
        CaptureStderr();
        loadCatalogue();
        return GetCapturedStderr();
    }
    int filledImages()
    {
        int n = 0;
        for (SDL_Surface *slot : ImageSlots)
            n += slot != nullptr;
        return n;
    }
    TempGameDir dir;
};

TEST_F(Catalogue, LinesFillSlotsInOrderAndBlankLinesUseUpTheirNumber)
{
    writeBmp("a.bmp", 10, 10);
    writeBmp("gfx/b.bmp", 20, 20);
    writeBmp("c.bmp", 30, 30);
    writeWav("s.wav");
    std::string sounds;
    for (int i = 0; i < 16; i++)
        sounds += i == 1 ? "\n" : "s.wav\n";
    std::string errors = load("catalogue header\n"
                              "a.bmp 1 in the header is ignored\n"
                              "#images\n"
                              "a.bmp 0\n"
                              "\n"              // slot 1 empty
                              "gfx/b.bmp 1\n"
                              " c.bmp 0\n"      // space-led: slot 3 empty
                              "\tc.bmp 0\n"     // tab-led: loads into slot 4
                              "\r\n"            // slot 5 empty
                              "c.bmp\n"         // no mode: loads unkeyed
                              "#sounds\n" +
                              sounds + "s.wav\n#\nc.bmp 0\n");
    EXPECT_EQ(errors, "");
    ASSERT_NE(ImageSlots[0], nullptr);
    EXPECT_EQ(ImageSlots[0]->w, 10);
    EXPECT_EQ(ImageSlots[1], nullptr);
    ASSERT_NE(ImageSlots[2], nullptr);
    EXPECT_EQ(ImageSlots[2]->w, 20);
    EXPECT_EQ(ImageSlots[3], nullptr);
    ASSERT_NE(ImageSlots[4], nullptr);
    EXPECT_EQ(ImageSlots[4]->w, 30);
    EXPECT_EQ(ImageSlots[5], nullptr);
    ASSERT_NE(ImageSlots[6], nullptr);
    EXPECT_EQ(ImageSlots[6]->flags & SDL_SRCCOLORKEY, 0u);
    EXPECT_EQ(filledImages(), 4);  // the line after the sound section is not read

    // Sounds are numbered from 0 again; slot 16 holds music, not a sample.
    EXPECT_NE(SoundSlots[0].chunk, nullptr);
    EXPECT_EQ(SoundSlots[1].chunk, nullptr);
    EXPECT_NE(SoundSlots[15].chunk, nullptr);
    EXPECT_EQ(SoundSlots[16].chunk, nullptr);
    EXPECT_NE(SoundSlots[16].music, nullptr);
    EXPECT_EQ(SoundSlots[17].chunk, nullptr);
}

TEST_F(Catalogue, MissingFilesLeaveEmptySlotsWithTheirMessages)
{
    writeBmp("a.bmp", 4, 4);
    std::string errors = load("#\nnope.bmp 0\na.bmp 0\n#\nmissing.wav\n");
    EXPECT_EQ(ImageSlots[0], nullptr);
    EXPECT_NE(ImageSlots[1], nullptr);
    EXPECT_EQ(SoundSlots[0].chunk, nullptr);
    EXPECT_THAT(errors, testing::StartsWith("Couldn't load image nope.bmp: "));
    EXPECT_THAT(errors, testing::EndsWith("\nobrazek nope.bmp nenalezenzvuk missing.wav nenalezen"));

    // Music that cannot be loaded says so too.
    TearDown();
    settings.Sounds = 1;
    std::string music;
    for (int i = 0; i < 16; i++)
        music += "\n";
    EXPECT_EQ(load("#\n#\n" + music + "nomusic.ogg\n"), "zvuk nomusic.ogg nenalezen");
}

TEST_F(Catalogue, WithoutSoundsTheSoundSectionIsNotRead)
{
    settings.Sounds = 0;
    writeWav("s.wav");
    EXPECT_EQ(load("#\n#\nmissing.wav\ns.wav\n"), "");
    for (const SoundSlot &slot : SoundSlots)
        EXPECT_EQ(slot.chunk, nullptr);
}

TEST_F(Catalogue, MissingCatalogueOrMissingHashLineLoadsNothing)
{
    CaptureStderr();
    loadCatalogue();
    EXPECT_EQ(GetCapturedStderr(), "Nebyl nalezen seznam.dat");

    EXPECT_EQ(load("nope.bmp 0\nnope.wav\n"), "");
    EXPECT_EQ(filledImages(), 0);
}

TEST_F(Catalogue, OverlongCataloguesAndPathsStayInsideTheTables)
{
    writeBmp("a.bmp", 2, 2);
    writeWav("s.wav");
    std::string longName = "gfx/" + std::string(60, 'l') + ".bmp";
    writeBmp(longName, 3, 3);
    std::string text = "#\n" + longName + " 0\n";
    for (int i = 1; i < 300; i++)
        text += "a.bmp 0\n";
    text += "#\n";
    for (int i = 0; i < 25; i++)
        text += "s.wav\n";
    text += std::string(150, 'x') + " 0\n";  // read as two lines, both past the tables
    EXPECT_EQ(load(text), "");
    EXPECT_EQ(filledImages(), ImageSlotCount);
    ASSERT_NE(ImageSlots[0], nullptr);
    EXPECT_EQ(ImageSlots[0]->w, 3);  // the long path loaded whole
    EXPECT_NE(SoundSlots[17].chunk, nullptr);
}

TEST_F(Catalogue, AnEmptyTabLineUsesUpASlotQuietly)
{
    writeBmp("a.bmp", 2, 2);
    EXPECT_EQ(load("#\n\t\n \t \na.bmp 0\n"), "");
    EXPECT_EQ(ImageSlots[0], nullptr);
    EXPECT_NE(ImageSlots[2], nullptr);
}

// Blits an image over a grey screen and returns the screen pixel at (x, y).
Uint32 shownAt(SDL_Surface *image, int x, int y)
{
    Uint32 grey = screenColour(128, 128, 128);
    SDL_FillRect(screen, nullptr, grey);
    SDL_BlitSurface(image, nullptr, screen, nullptr);
    return pixelAt(screen, x, y);
}

TEST_F(Catalogue, ColourKeyModesMakeTheTopLeftPixelTransparent)
{
    writePalettedBmp("p.bmp", 3, 2);
    writeBmp32("t.bmp", 3, 2);
    Uint32 grey = screenColour(128, 128, 128);

    SDL_Surface *keyed = loadImage("p.bmp", 1);
    ASSERT_NE(keyed, nullptr);
    EXPECT_EQ(keyed->format->BitsPerPixel, screen->format->BitsPerPixel);
    EXPECT_EQ(shownAt(keyed, 0, 0), grey);
    EXPECT_EQ(shownAt(keyed, 1, 0), screenColour(0, 255, 0));

    SDL_Surface *opaque = loadImage("p.bmp", 0);
    EXPECT_EQ(opaque->flags & SDL_SRCCOLORKEY, 0u);
    EXPECT_EQ(shownAt(opaque, 0, 0), screenColour(255, 0, 255));

    SDL_Surface *unknownMode = loadImage("p.bmp", 7);
    EXPECT_EQ(shownAt(unknownMode, 0, 0), screenColour(255, 0, 255));

    SDL_Surface *keyed32 = loadImage("t.bmp", 2);
    EXPECT_EQ(shownAt(keyed32, 0, 0), grey);
    EXPECT_EQ(shownAt(keyed32, 2, 1), screenColour(255, 0, 0));

    // Modes that do not match the picture's depth still key its top-left pixel.
    SDL_Surface *mode1On32 = loadImage("t.bmp", 1);
    EXPECT_EQ(shownAt(mode1On32, 0, 0), grey);
    EXPECT_EQ(shownAt(mode1On32, 1, 0), screenColour(255, 0, 0));
    writePalettedBmp("tiny.bmp", 1, 1);
    SDL_Surface *mode2OnTiny = loadImage("tiny.bmp", 2);
    EXPECT_EQ(shownAt(mode2OnTiny, 0, 0), grey);

    for (SDL_Surface *s : {keyed, opaque, unknownMode, keyed32, mode1On32, mode2OnTiny})
        SDL_FreeSurface(s);
}

}  // namespace
