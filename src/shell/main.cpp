// Zoltr Deathmatch: settings, media, intro, one match, exit.
#include "6_shell/shell.h"

#include "2_gfx/gfx.h"
#include "5_match/match.h"

#include <SDL.h>

#include <cstdlib>

int main(int, char **)
{
    loadSettings();
    startSdl();
    loadFonts();
    loadCatalogue();
    runIntro();
    srand(SDL_GetTicks());
    waitForKeyRelease();
    runMatch();
    exit(0);
}
