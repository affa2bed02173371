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
