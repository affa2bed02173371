// drawText: glyph placement in the two-row font, centring arithmetic, blank
// cells for spaces, Czech letters and bytes without a glyph.
#include "gfx/font_sheet.h"
#include "support/support.h"

namespace {

class Text : public testing::Test {
protected:
    void SetUp() override
    {
        initHeadlessScreen();
        grey = screenColour(128, 128, 128);
        SDL_FillRect(screen, nullptr, grey);
    }
    void TearDown() override { SDL_FreeSurface(font); }
    void useFont(int width, bool keyed)
    {
        SDL_FreeSurface(font);
        font = makeFontSheet(width, 40, keyed);
    }
    Uint32 grey = 0;
    SDL_Surface *font = nullptr;
};

// Space, a line end and a byte above 126 with no glyph (an upper-case Á) draw
// no glyph, black with the plain font; the pen still moves on.
TEST_F(Text, GlyphsAreCutFromTheirCellsOneCellApartAndBlankCellsAreBlackOnlyWithThePlainFont)
{
    useFont(940, true);  // 10x20 glyphs
    drawText(screen, font, 100, 50, "A!~\xEC\xF9 \n\xC1z", 0);
    const int glyphs[] = {'A' - 33, 0, 93, 94, 94 + 14, -1, -1, -1, 'z' - 33};
    for (int i = 0; i < 9; i++) {
        int x = 100 + 10 * i;
        Uint32 colour = glyphs[i] < 0 ? grey : glyphColour(glyphs[i]);
        EXPECT_EQ(pixelAt(screen, x, 50), grey) << i;  // the keyed first column
        EXPECT_EQ(pixelAt(screen, x + 1, 50), colour) << i;
        EXPECT_EQ(pixelAt(screen, x + 9, 69), colour) << i;
    }
    EXPECT_EQ(pixelAt(screen, 101, 49), grey);
    EXPECT_EQ(pixelAt(screen, 101, 70), grey);
    EXPECT_EQ(pixelAt(screen, 190, 50), grey);

    // 950 / 94 leaves a remainder: the cell of '~' (column 93) starts at 939, not 930.
    useFont(950, false);
    drawText(screen, font, 0, 0, "~ \xC1P", 0);
    EXPECT_EQ(pixelAt(screen, 0, 0), keyColour());
    EXPECT_EQ(pixelAt(screen, 9, 0), glyphColour(93));
    for (int x = 10; x < 30; x++)
        EXPECT_EQ(pixelAt(screen, x, 0) | pixelAt(screen, x, 19), 0u) << x;
    EXPECT_EQ(pixelAt(screen, 39, 19), glyphColour('P' - 33));
}

TEST_F(Text, FlagsCentreOnThePoint)
{
    useFont(940, true);
    // Vertically: up by a quarter of the sheet height.
    drawText(screen, font, 200, 100, "B", TextCentreVertically);
    EXPECT_EQ(pixelAt(screen, 201, 90), glyphColour('B' - 33));
    EXPECT_EQ(pixelAt(screen, 201, 89), grey);
    // Horizontally: 1000 * 9 / 188 = 47 pixels left, where half of nine 10-pixel glyphs would be 45.
    useFont(1000, true);
    drawText(screen, font, 300, 400, "KKKKKKKKL", TextCentreHorizontally | TextCentreVertically);
    EXPECT_EQ(pixelAt(screen, 254, 390), glyphColour('K' - 33));
    EXPECT_EQ(pixelAt(screen, 253, 390), grey);
    EXPECT_EQ(pixelAt(screen, 334, 390), glyphColour('L' - 33));
    EXPECT_EQ(pixelAt(screen, 254, 389), grey);
}

TEST_F(Text, EmptyTextMissingFontAndFarPositionsDrawNothing)
{
    useFont(940, false);
    drawText(screen, font, 10, 10, "", 3);
    drawText(screen, nullptr, 10, 10, "abc", 0);
    drawText(screen, font, 10, 10, nullptr, 0);
    // Far off the screen, where 16-bit rectangle positions would wrap onto it.
    drawText(screen, font, 65536 + 10, 10, "abc", 0);
    drawText(screen, font, 10, 65536 + 10, "abc", 0);
    drawText(screen, font, -65536 + 10, 10, "abc", 0);
    for (int y = 0; y < 80; y++)
        for (int x = 0; x < 80; x++)
            ASSERT_EQ(pixelAt(screen, x, y), grey) << x << "," << y;
    // A text that starts off the left edge still shows its later glyphs.
    drawText(screen, font, -20, 200, "abc", 0);
    EXPECT_EQ(pixelAt(screen, 1, 200), glyphColour('c' - 33));
}

}  // namespace
