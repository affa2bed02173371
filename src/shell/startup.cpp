// Start-up: SDL, the window, audio, fonts, the sliding intro and the wait for a key.
#include "shell/shell.h"

#include <cstdio>
#include <cstdlib>

SDL_Surface *screen;
SDL_Surface *fontPlain;
SDL_Surface *fontKeyed;

void fatalSdlError()
{
    fprintf(stderr, "Problem: %s\n", SDL_GetError());
    exit(1);
}

void startSdl()
{
    // TODO(shell)
}

void loadFonts()
{
    // TODO(shell)
}

void runIntro()
{
    // TODO(shell)
}

void waitForKeyRelease()
{
    // TODO(shell)
}
