// Zoltr Deathmatch: settings, media, intro, one match, exit.
#include "shell/shell.h"

#include "gfx/gfx.h"
#include "match/match.h"

#include <SDL.h>

#include <cstdlib>

int main(int, char **)
{
    loadSettings();
    startSdl();
    loadFonts();
    loadCatalogue();
    runIntro();
    unsigned seed = SDL_GetTicks();
    waitForKeyRelease();
    runMatch(seed);
    exit(0);
}
