// The present through X shared memory, in a real window (skipped without an
// X display): the window shows what SDL_Flip would show, pixel for pixel.
// The support header (and GoogleTest) before Xlib, whose macro None would break it.
#include "support/support.h"

#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>

namespace {

// Every 16-bit value in the top 128 rows, a gradient below.
void paint(bool black)
{
    SDL_LockSurface(screen);
    for (int y = 0; y < screen->h; y++)
        for (int x = 0; x < screen->w; x++) {
            Uint16 pixel = black ? 0 : static_cast<Uint16>(y < 128 ? y * 512 + x : x * 37 + y * 1111);
            memcpy(static_cast<Uint8 *>(screen->pixels) + y * screen->pitch + 2 * x, &pixel, 2);
        }
    SDL_UnlockSurface(screen);
}

std::vector<unsigned long> windowPixels()
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    std::vector<unsigned long> pixels;
    if (SDL_GetWMInfo(&info) != 1)
        return pixels;
    Display *display = info.info.x11.display;
    XSync(display, False);
    XImage *image = XGetImage(display, info.info.x11.window, 0, 0, 640, 480, AllPlanes, ZPixmap);
    if (!image)
        return pixels;
    for (int y = 0; y < 480; y++)
        for (int x = 0; x < 640; x++)
            pixels.push_back(XGetPixel(image, x, y) & 0xffffff);
    XDestroyImage(image);
    return pixels;
}

// A filled box on the screen.
void fill(int x, int y, int w, int h, Uint16 value)
{
    SDL_Rect box = {static_cast<Sint16>(x), static_cast<Sint16>(y), static_cast<Uint16>(w), static_cast<Uint16>(h)};
    SDL_FillRect(screen, &box, value);
}

SDL_SysWMinfo sdlWindowInfo()
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWMInfo(&info) != 1)
        info.info.x11.display = nullptr;
    return info;
}

// The game's own present, or SDL's when asked for by the environment.
bool presentWith(bool sdl)
{
    releasePresent();
    if (sdl)
        setenv("ZOLTR_SDL_PRESENT", "1", 1);
    else
        unsetenv("ZOLTR_SDL_PRESENT");
    return presentScreen();
}

// A 640x480 16-bit screen in a window of SDL's X11 driver; false without a display.
bool openWindowScreen()
{
    const char *display = getenv("DISPLAY");
    if (!display || !*display)
        return false;
    setenv("SDL_VIDEODRIVER", "x11", 1);
    EXPECT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    screen = SDL_SetVideoMode(640, 480, 16, SDL_SWSURFACE);
    EXPECT_NE(screen, nullptr) << SDL_GetError();
    return screen != nullptr;
}

}  // namespace

TEST(Present, SharedMemoryShowsWhatSdlShowsAndFullScreenIsLeftToSdl)
{
    if (!openWindowScreen())
        GTEST_SKIP() << "no X display";

    paint(false);
    EXPECT_FALSE(presentWith(true));
    std::vector<unsigned long> bySdl = windowPixels();
    paint(true);
    EXPECT_TRUE(presentWith(false));
    EXPECT_EQ(windowPixels(), std::vector<unsigned long>(640 * 480, 0));
    paint(false);
    EXPECT_TRUE(presentScreen());
    std::vector<unsigned long> byGame = windowPixels();
    ASSERT_EQ(byGame.size(), bySdl.size());
    int differing = 0;
    for (size_t i = 0; i < byGame.size(); i++)
        differing += byGame[i] != bySdl[i];
    EXPECT_EQ(differing, 0);

    // A new mode, as the game sets it: full screen is SDL's, and back in a
    // window the present takes the window again.
    screen = SDL_SetVideoMode(640, 480, 16, SDL_SWSURFACE | SDL_FULLSCREEN);
    ASSERT_NE(screen, nullptr) << SDL_GetError();
    coverDisplay();
    EXPECT_FALSE(presentScreen());
    screen = SDL_SetVideoMode(640, 480, 16, SDL_SWSURFACE);
    ASSERT_NE(screen, nullptr) << SDL_GetError();
    coverDisplay();
    paint(true);
    EXPECT_TRUE(presentScreen());
    EXPECT_EQ(windowPixels(), std::vector<unsigned long>(640 * 480, 0));

    releasePresent();
    unsetenv("ZOLTR_SDL_PRESENT");
}

TEST(Present, PutsOnlyWhatChangedAndAllOfAnUncoveredWindow)
{
    if (!openWindowScreen())
        GTEST_SKIP() << "no X display";
    SDL_SysWMinfo info = sdlWindowInfo();
    Display *x = info.info.x11.display;
    Window window = info.info.x11.window;
    ASSERT_NE(x, nullptr);

    // Frames that change a few boxes each, in many places at once: the
    // window ends as SDL shows the last picture.
    paint(false);
    EXPECT_TRUE(presentWith(false));
    srand(2026);
    for (int frame = 0; frame < 40; frame++) {
        for (int box = rand() % 4; box > 0; box--)
            fill(rand() % 660 - 10, rand() % 500 - 10, 1 + rand() % 70, 1 + rand() % 40, static_cast<Uint16>(rand()));
        EXPECT_TRUE(presentScreen());
    }
    // Frames drawn as lists: only the cells they changed are converted and put.
    for (int frame = 0; frame < 40; frame++) {
        beginFrameList();
        for (int box = 0; box < 3; box++)
            fillBox({static_cast<Sint16>(rand() % 660 - 10), static_cast<Sint16>(rand() % 500 - 10),
                     static_cast<Uint16>(1 + rand() % 70), static_cast<Uint16>(1 + rand() % 40)},
                    static_cast<Uint16>(rand()));
        finishFrameList();
        EXPECT_TRUE(presentScreen());
    }
    std::vector<unsigned long> byGame = windowPixels();
    EXPECT_FALSE(presentWith(true));
    EXPECT_TRUE(byGame == windowPixels());

    // The window is marked behind the present's back: a small change puts
    // only its part of the image...
    EXPECT_TRUE(presentWith(false));
    GC gc = XCreateGC(x, window, 0, nullptr);
    XSetForeground(x, gc, 0x123456);
    XFillRectangle(x, window, gc, 0, 0, 640, 480);
    XFreeGC(x, gc);
    fill(300, 200, 4, 4, 0);
    EXPECT_TRUE(presentScreen());
    std::vector<unsigned long> shown = windowPixels();
    EXPECT_EQ(shown[201 * 640 + 301], 0u);
    EXPECT_EQ(shown[10 * 640 + 10], 0x123456u);
    EXPECT_EQ(shown[470 * 640 + 630], 0x123456u);

    // ...and once part of the window was covered, all of it.
    XSetWindowAttributes above = {};
    above.override_redirect = True;
    Window cover = XCreateWindow(x, DefaultRootWindow(x), 0, 0, 20, 20, 0, CopyFromParent, InputOutput, CopyFromParent,
                                 CWOverrideRedirect, &above);
    XMapRaised(x, cover);
    XSync(x, False);
    XDestroyWindow(x, cover);
    XSync(x, False);
    for (int tries = 0; tries < 100 && shown[470 * 640 + 630] == 0x123456u; tries++) {
        SDL_Delay(10);
        SDL_PumpEvents();
        EXPECT_TRUE(presentScreen());
        shown = windowPixels();
    }
    EXPECT_NE(shown[470 * 640 + 630], 0x123456u);
    EXPECT_EQ(shown[201 * 640 + 301], 0u);

    // SDL stays open until the process ends: closing X11 here unloads
    // libraries whose own allocations would then show as leaks without a name.
    releasePresent();
    unsetenv("ZOLTR_SDL_PRESENT");
}

TEST(Present, SdlReadsEventsOnlyWhenTheDisplaySentSome)
{
    if (!openWindowScreen())
        GTEST_SKIP() << "no X display";
    Display *x = sdlWindowInfo().info.x11.display;
    Window window = sdlWindowInfo().info.x11.window;
    ASSERT_NE(x, nullptr);
    paint(false);
    ASSERT_TRUE(presentWith(false));
    // What the frame does when told events may wait: SDL reads them all.
    auto sdlReads = [] {
        int exposures = 0;
        SDL_Event event;
        while (SDL_PollEvent(&event) > 0)
            exposures += event.type == SDL_VIDEOEXPOSE;
        return exposures;
    };
    // Whether an event waits on the connection, unread by Xlib.
    auto arrives = [x] {
        pollfd connection = {ConnectionNumber(x), POLLIN, 0};
        return poll(&connection, 1, 10000) == 1;
    };

    // A put's completion is the present's own: nothing for SDL. SDL's own
    // reading waits long enough here for a loaded machine, and a stray event
    // of the window's mapping gets a few tries.
    setSdlReadInterval(60000);
    bool quiet = false;
    for (int tries = 0; tries < 5 && !quiet; tries++) {
        eventsMayBeWaiting();
        sdlReads();
        fill(10, 10, 4, 4, static_cast<Uint16>(tries + 1));
        EXPECT_TRUE(presentScreen());
        quiet = (QLength(x) > 0 || arrives()) && !eventsMayBeWaiting();
    }
    EXPECT_TRUE(quiet);
    XSync(x, False);  // the last put is known done: the next present need not read
    int queued = QLength(x);
    // An event that came in on the connection, unread by anyone, is told and
    // reaches SDL. It is asked for on a connection of its own: flushing SDL's
    // would read what has come in already.
    Display *other = XOpenDisplay(DisplayString(x));
    ASSERT_NE(other, nullptr);
    XClearArea(other, window, 0, 0, 8, 8, True);
    XCloseDisplay(other);
    EXPECT_TRUE(arrives());
    // A present only sends its put: what came in is left for the frame's one read.
    fill(10, 10, 4, 4, 7);
    EXPECT_TRUE(presentScreen());
    EXPECT_EQ(QLength(x), queued);
    EXPECT_TRUE(eventsMayBeWaiting());
    EXPECT_GE(sdlReads(), 1);
    // So is one SDL holds already...
    SDL_Event user = {};
    user.type = SDL_USEREVENT;
    SDL_PushEvent(&user);
    EXPECT_TRUE(eventsMayBeWaiting());
    sdlReads();
    // ...and, a tenth of a second on, SDL reads anyway.
    setSdlReadInterval(100);
    SDL_Delay(110);
    EXPECT_TRUE(eventsMayBeWaiting());
    releasePresent();
}
