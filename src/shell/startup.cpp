// Start-up: SDL, the window, audio, fonts, the sliding intro and the wait for a key.
// Every picture of the intro may be missing; an empty slot is simply not drawn.
#include "shell/shell.h"

#include "gfx/gfx.h"
#include "match/match.h"
#include "media/media.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <unistd.h>

static const char Caption[] = "Zoltr Deatmatch - Becherovka ulevy zaludku, Zoltr vas zbavy nudy";

void fatalSdlError()
{
    fprintf(stderr, "Problem: %s\n", SDL_GetError());
    exit(1);
}

// The mixer thread must be stopped before the process unloads its libraries:
// sdl12-compat unloads SDL2 in its library destructor, and a mixer callback
// still running then jumps through an emptied function pointer.
void stopSdl()
{
    int frequency;
    Uint16 format;
    int channels;
    while (Mix_QuerySpec(&frequency, &format, &channels))
        Mix_CloseAudio();
    releasePresent();
    SDL_Quit();
}

// The screen is a plain 640x480 picture: SDL's software renderer puts it on the
// window through shared memory for a third of the CPU time its OpenGL
// renderer takes where OpenGL runs in software, and a fifth of the memory.
// Both variables are needed: with the renderer alone, SDL would still show its
// window surface through OpenGL. Whatever the user's environment says wins.
void prepareSdlStart()
{
    setenv("SDL_RENDER_DRIVER", "software", 0);
    setenv("SDL_FRAMEBUFFER_ACCELERATION", "0", 0);
    // SDL would catch SIGINT and SIGTERM from SDL_Init until endPromptlyWhenAsked
    // gives them back; a request to stop in between (the window may already
    // show) would be lost. Without its handlers they stop the program throughout.
    setenv("SDL_NO_SIGNAL_HANDLERS", "1", 1);
}

// The game takes keys, never text: the table of compose sequences that Xlib
// builds for typing accented letters (a megabyte for a UTF-8 locale) is left
// empty. Whatever the user's environment says wins.
static void leaveComposeOut()
{
    setenv("XCOMPOSEFILE", "/dev/null", 0);
}

// Off-screen drivers show nothing; SDL falls back to one when there is no
// display at all. They are used only when asked for by name (the tests do).
void requireDisplay(const char *program)
{
    char driver[32] = "";
    SDL_VideoDriverName(driver, sizeof driver);
    const char *asked = getenv("SDL_VIDEODRIVER");
    bool offScreen = strcmp(driver, "offscreen") == 0 || strcmp(driver, "dummy") == 0;
    if (offScreen && !(asked && strcmp(asked, driver) == 0)) {
        SDL_SetError("there is no display to show %s on", program);
        fatalSdlError();
    }
}

// Xlib ends the process through exit() when the display goes away, and the
// shutdown registered with atexit would then wait on the dead connection
// forever. The game ends at once instead.
static int displayLost(void *)
{
    static const char message[] = "Problem: the connection to the display was lost\n";
    if (write(STDERR_FILENO, message, sizeof message - 1) < 0) {
        // nothing more to tell anyone
    }
    _exit(1);
}

// SDL turns SIGINT and SIGTERM into quit events, which the game ignores as
// it ignores the window's close button; the system's request to stop is
// honoured at once instead. Xlib comes with SDL's X11 driver, so it is looked
// up rather than linked.
void endPromptlyWhenAsked()
{
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
    if (void *xlib = dlopen("libX11.so.6", RTLD_LAZY | RTLD_NOLOAD)) {
        using Handler = int (*)(void *);
        auto setHandler = reinterpret_cast<Handler (*)(Handler)>(dlsym(xlib, "XSetIOErrorHandler"));
        if (setHandler)
            setHandler(displayLost);
        dlclose(xlib);
    }
}

void startSdl()
{
    prepareSdlStart();
    leaveComposeOut();  // the game only: the menu's name rows take text
    if (SDL_Init(SDL_INIT_AUDIO | SDL_INIT_VIDEO) < 0)
        fatalSdlError();
    atexit(stopSdl);
    requireDisplay("the game");
    // Before the window opens: a display lost while it opens ends the game too.
    endPromptlyWhenAsked();
    // The caption goes first so that the window opens with it.
    SDL_WM_SetCaption(Caption, nullptr);
    Uint32 flags = SDL_HWSURFACE | SDL_DOUBLEBUF;
    if (settings.Windowed == 0)
        flags |= SDL_FULLSCREEN;
    screen = SDL_SetVideoMode(ScreenWidth, ScreenHeight, 16, flags);
    if (!screen)
        fatalSdlError();
    coverDisplay();
    // Without an audio device the game simply plays in silence.
    if (Mix_OpenAudio(22050, AUDIO_U8, 1, 1024) < 0)
        settings.Sounds = 0;
    SDL_ShowCursor(SDL_DISABLE);
}

// Copies `part` of an image to (x, y) on the screen; an empty slot draws nothing.
static void blitPart(SDL_Surface *image, SDL_Rect part, int x, int y)
{
    if (!image)
        return;
    SDL_Rect target = {static_cast<Sint16>(x), static_cast<Sint16>(y), 0, 0};
    SDL_BlitSurface(image, &part, screen, &target);
}

static SDL_Rect wholeOf(SDL_Surface *image)
{
    SDL_Rect all = {0, 0, 0, 0};
    if (image) {
        all.w = static_cast<Uint16>(image->w);
        all.h = static_cast<Uint16>(image->h);
    }
    return all;
}

// The counter c runs 400 -> 0 (pictures slide in), then 0 -> 400 (they slide out
// while the title glides in from the upper left).
void drawIntroFrame(int c, bool ascending)
{
    if (!screen)
        return;
    SDL_FillRect(screen, nullptr, 0);

    SDL_Surface *top = slotImage(ImageSlot::IntroTop);
    if (top)
        blitPart(top, wholeOf(top), 320 - top->w / 2, 10 - c);

    SDL_Surface *left = slotImage(ImageSlot::IntroLeft);
    if (left)
        blitPart(left, wholeOf(left), 320 - left->w / 2 - 2 * c, 190);

    SDL_Surface *title = slotImage(ImageSlot::IntroTitle);
    if (title && ascending) {
        // The title picture holds the Czech half on top and the English half below.
        int half = title->h / 2;
        SDL_Rect part = {0, static_cast<Sint16>(settings.Language == 1 ? half : 0), static_cast<Uint16>(title->w),
                         static_cast<Uint16>(half)};
        blitPart(title, part, 320 - title->w / 2 - (400 - c), 200 - half / 4 - (400 - c));
    }

    const char *text = settings.Language == 0 ? "Uv\xE1"
                                                "d\xED "
                                              : "Present ";
    drawText(screen, fontPlain, 320 + c, 180, text, TextCentreVertically | TextCentreHorizontally);
}

void runIntro()
{
    SDL_Event event;
    memset(&event, 0, sizeof event);
    int c = 400;
    bool ascending = false;
    for (;;) {
        // One event per frame: a key release waiting behind others ends the intro later.
        SDL_PollEvent(&event);
        if (event.type == SDL_KEYUP || event.type == SDL_JOYBUTTONUP)
            return;
        c += ascending ? 1 : -1;
        if (c == 0) {
            SDL_Delay(1000);
            ascending = true;
        }
        drawIntroFrame(c, ascending);
        presentScreen();
        SDL_Delay(10);
        if (c == 400)
            return;
    }
}

// A pad's button counts as a key: the one on the sofa need not reach the keyboard.
void waitForKeyRelease()
{
    SDL_Event event;
    memset(&event, 0, sizeof event);
    do {
        if (!SDL_WaitEvent(&event)) {
            // The event queue failed; try again rather than spin.
            SDL_Delay(10);
            event.type = SDL_NOEVENT;
        }
        // The still picture is shown again where the window was covered.
        if (event.type == SDL_VIDEOEXPOSE)
            presentScreen();
    } while (event.type != SDL_KEYUP && event.type != SDL_JOYBUTTONUP);
}
