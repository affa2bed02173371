// The present through X shared memory, in a real window (skipped without an
// X display): the window shows what SDL_Flip would show, pixel for pixel.
// The support header (and GoogleTest) before Xlib, whose macro None would break it.
#include "support/support.h"

#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

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

}  // namespace

TEST(Present, SharedMemoryShowsWhatSdlShowsAndFullScreenIsLeftToSdl)
{
    const char *display = getenv("DISPLAY");
    if (!display || !*display)
        GTEST_SKIP() << "no X display";
    setenv("SDL_VIDEODRIVER", "x11", 1);
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    screen = SDL_SetVideoMode(640, 480, 16, SDL_SWSURFACE);
    ASSERT_NE(screen, nullptr) << SDL_GetError();

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

    screen = SDL_SetVideoMode(640, 480, 16, SDL_SWSURFACE | SDL_FULLSCREEN);
    ASSERT_NE(screen, nullptr) << SDL_GetError();
    EXPECT_FALSE(presentWith(false));

    // SDL stays open until the process ends: closing X11 here unloads
    // libraries whose own allocations would then show as leaks without a name.
    releasePresent();
    unsetenv("ZOLTR_SDL_PRESENT");
}
