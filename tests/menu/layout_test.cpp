// The menu's layout with the narrowest and the widest font the loader lets
// through: every row, long names and a long message draw without a fault.
#include "gfx/gfx.h"
#include "menu/menu.h"
#include "support/support.h"

TEST(MenuLayout, NarrowestAndWidestFontsDrawEveryRow)
{
    initHeadlessScreen();
    Menu menu{};
    strcpy(menu.setup.Name1, "abcdefghijklmnopqrstuvwxyz012");
    strcpy(menu.setup.Name2, "Ann");
    menu.setup.Image1 = menu.setup.Image2 = 1;
    menu.skins = 1;
    menu.message = "a message far too long for one line of text, wrapped at the spaces between its words";
    for (int width : {94, 8192 - 8192 % 94}) {
        SCOPED_TRACE(width);
        SDL_Surface *font = makeSolidSurface(width, 40, 255, 255, 255);
        fontKeyed = font;
        for (int row = 0; row < RowCount; row++) {
            menu.row = row;
            SDL_FillRect(screen, nullptr, 0);
            drawMenu(menu);
        }
        // The typed name's end shows even when one glyph fills the space for it.
        menu.row = RowName1;
        SDL_FillRect(screen, nullptr, 0);
        drawMenu(menu);
        EXPECT_EQ(pixelAt(screen, 495, 55), screenColour(255, 255, 255));
        fontKeyed = nullptr;
        SDL_FreeSurface(font);
    }
}

// A players sheet as large as the loader allows shows each fighter within its
// row, as a picture made once.
TEST(MenuLayout, FighterOfAHugeSheetStaysInItsRow)
{
    initHeadlessScreen();
    SDL_Surface *sheet = makeSolidSurface(8192, 2048, 200, 40, 40);
    ImageSlots[static_cast<int>(ImageSlot::Fighters)] = sheet;
    Menu menu{};
    menu.setup.Image1 = menu.setup.Image2 = 1;
    menu.skins = 1;
    menu.row = RowPlay;
    makeFighterPictures(menu);
    ImageSlots[static_cast<int>(ImageSlot::Fighters)] = nullptr;
    SDL_FreeSurface(sheet);
    SDL_FillRect(screen, nullptr, 0);
    drawMenu(menu);
    // Fighter 1's row is 40 pixels high from y 62, the picture centred on x 560.
    EXPECT_EQ(pixelAt(screen, 545, 64), screenColour(200, 40, 40));
    EXPECT_EQ(pixelAt(screen, 530, 81), screenColour(0, 0, 0));
    EXPECT_EQ(pixelAt(screen, 560, 101), screenColour(0, 0, 0));
    freeFighterPictures(menu);
}
