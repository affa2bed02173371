// seznam.dat and loadImage: sections, slot numbering, skipped lines, messages,
// colour-key modes, and catalogues that overrun the tables.
#include "support/support.h"

namespace {

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;

// A w x h BMP of `bits` per pixel: one colour, or (8 and 32 bits) a corner pixel of
// its own: magenta in a palette of three over green, or blue over red with alpha.
void writeBmp(const std::string &path, int w, int h, int bits = 24)
{
    writeFile(path, "");  // makes the folders
    SDL_Surface *s = bits == 8 ? SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 8, 0, 0, 0, 0)
                               : SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, bits, 0xFF0000, 0x00FF00, 0x0000FF,
                                                      bits == 32 ? 0xFF000000 : 0);
    SDL_Color colours[3] = {{0, 0, 0, 0}, {255, 0, 255, 0}, {0, 255, 0, 0}};
    if (bits == 8)
        SDL_SetColors(s, colours, 0, 3);
    Uint32 body = bits == 8    ? 2
                  : bits == 32 ? SDL_MapRGBA(s->format, 255, 0, 0, 255)
                               : SDL_MapRGB(s->format, 200, 100, 50);
    Uint32 corner = bits == 8 ? 1 : bits == 32 ? SDL_MapRGBA(s->format, 0, 0, 255, 255) : body;
    SDL_FillRect(s, nullptr, body);
    SDL_Rect topLeft = {0, 0, 1, 1};
    SDL_FillRect(s, &topLeft, corner);
    ASSERT_EQ(SDL_SaveBMP(s, path.c_str()), 0);
    SDL_FreeSurface(s);
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
        releaseMediaSlots();
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
    writeFile("s.wav", makeWav(64));
    std::string sounds;
    for (int i = 0; i < 16; i++)
        sounds += i == 1 ? "\n" : "s.wav\n";
    std::string errors = load("catalogue header\n"
                              "a.bmp 1 in the header is ignored\n"
                              "#images\n"
                              "a.bmp 0\n"
                              "\n"  // slot 1 empty
                              "gfx/b.bmp 1\n"
                              " c.bmp 0\n"   // space-led: slot 3 empty
                              "\tc.bmp 0\n"  // tab-led: loads into slot 4
                              "\r\n"         // slot 5 empty
                              "\t\n \t \n"   // slots 6 and 7 empty, quietly
                              "c.bmp\n"      // no mode: loads unkeyed
                              "#sounds\n" +
                              sounds + "s.wav\n#\nc.bmp 0\n");
    EXPECT_EQ(errors, "");
    // Widths by slot; the line after the sound section is not read.
    const int widths[ImageSlotCount] = {10, 0, 20, 0, 30, 0, 0, 0, 30};
    for (int slot = 0; slot < ImageSlotCount; slot++)
        EXPECT_EQ(ImageSlots[slot] ? ImageSlots[slot]->w : 0, widths[slot]) << slot;
    EXPECT_EQ(ImageSlots[8]->flags & SDL_SRCCOLORKEY, 0u);
    EXPECT_EQ(ImageSlots[8], ImageSlots[4]);  // the same picture and mode: loaded once, shared

    // Sounds are numbered from 0 again; slot 16 holds music, not a sample.
    for (int slot = 0; slot < SoundSlotCount; slot++)
        EXPECT_EQ(SoundSlots[slot].chunk != nullptr, slot != 1 && slot < 16) << slot;
    EXPECT_NE(SoundSlots[16].music, nullptr);
}

TEST_F(Catalogue, WithoutSoundsTheSoundSectionIsNotRead)
{
    settings.Sounds = 0;
    writeFile("s.wav", makeWav(64));
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
    writeFile("s.wav", makeWav(64));
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
    // However long the file, the slot number stays at the table's end.
    EXPECT_EQ(nextSlot(ImageSlotCount, ImageSlotCount), ImageSlotCount);
    EXPECT_EQ(nextSlot(SoundSlotCount, SoundSlotCount), SoundSlotCount);
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
    writeBmp("p.bmp", 3, 2, 8);
    writeBmp("t.bmp", 3, 2, 32);
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
    writeBmp("tiny.bmp", 1, 1, 8);
    SDL_Surface *mode2OnTiny = loadImage("tiny.bmp", 2);
    EXPECT_EQ(shownAt(mode2OnTiny, 0, 0), grey);

    for (SDL_Surface *s : {keyed, opaque, unknownMode, keyed32, mode1On32, mode2OnTiny})
        SDL_FreeSurface(s);
}

}  // namespace
