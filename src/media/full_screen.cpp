// A full-screen window over the whole display, also where no window manager
// makes it so.
#include "media/media.h"

#include <SDL_syswm.h>

// SDL asks the window manager to make the window full screen and scales the
// picture for the whole display. Without a window manager nobody answers: the
// window stays 640x480 and shows only the scaled picture's top-left part.
// The window is then given the display's size itself.
void coverDisplay()
{
    // A new mode may come with a new window at the old screen's address.
    releasePresent();
    if (!screen || !(screen->flags & SDL_FULLSCREEN))
        return;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWMInfo(&info) != 1 || info.subsystem != SDL_SYSWM_X11 || !info.info.x11.display)
        return;
    Display *display = info.info.x11.display;
    Window window = info.info.x11.window;
    XWindowAttributes shown, whole;
    if (!XGetWindowAttributes(display, window, &shown) || !XGetWindowAttributes(display, shown.root, &whole) ||
        (shown.x == 0 && shown.y == 0 && shown.width == whole.width && shown.height == whole.height))
        return;
    XMoveResizeWindow(display, window, 0, 0, static_cast<unsigned>(whole.width), static_cast<unsigned>(whole.height));
    XRaiseWindow(display, window);
    XSync(display, False);
}
