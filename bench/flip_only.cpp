// The floor of the real-window measurement: the game's window, opened from the
// same settings.ini the same way, flipped at the game's frame rate with the
// game's own pacing, and nothing drawn. Ends when the window is asked to close.
#include "match/match.h"
#include "shell/shell.h"

int main(int, char **)
{
    loadSettings();
    startSdl();
    SDL_Event event;
    for (;;) {
        SDL_Flip(screen);
        while (SDL_PollEvent(&event) > 0)
            if (event.type == SDL_QUIT)
                return 0;
        paceFrame();
    }
}
