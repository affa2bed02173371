// Zoltr Deathmatch: settings, media, intro, one match, exit.
#include "match/match.h"
#include "shell/shell.h"

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
