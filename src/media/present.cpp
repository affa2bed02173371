// Showing the finished screen. On a plain X11 window the rows of the 16-bit
// screen that changed are converted straight into an image shared with the X
// server, which one XShmPutImage shows; SDL's present converts the screen into
// a texture, clears its window surface, copies the texture onto it and only
// then puts it. Anything else (full screen, another video driver, no MIT-SHM,
// any X error) and ZOLTR_SDL_PRESENT=1 in the environment leave it to SDL_Flip.
#include "media/media.h"

#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <cstdlib>
#include <cstring>
#include <vector>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// --- per video mode: made at the first present on a new screen ---
struct SharedImage {
    SDL_Surface *madeFor;  // the screen and window it was made for; nullptr: nothing tried yet
    Window madeForWindow;
    bool usable;  // false: SDL presents
    Display *display;
    Window window;
    GC gc;
    XImage *image;
    XShmSegmentInfo segment;
    std::vector<Uint32> colours;    // every 16-bit pixel as the window shows it
    std::vector<Uint16> converted;  // the screen as the image holds it; empty: nothing yet
    bool arithmetic;                // colours are what widen() computes, eight pixels at a time
};
SharedImage shared;

int xErrors;

int noteXError(Display *, XErrorEvent *)
{
    xErrors++;
    return 0;
}

// Runs `request` with X errors counted rather than fatal, waiting for the
// server's answer; true when it raised none.
template <typename Request>
bool withoutXErrors(Display *display, Request request)
{
    xErrors = 0;
    XErrorHandler previous = XSetErrorHandler(noteXError);
    bool done = request();
    XSync(display, False);
    XSetErrorHandler(previous);
    return done && xErrors == 0;
}

// SDL widens 5 and 6 bits to 8 as these multiplications do; checked against
// SDL's own colours before use. A 5-bit channel goes up by 9 bits, the 6-bit
// one by 6, then the high half of the product is kept.
constexpr Uint16 FiveBitScale = 1053;
constexpr Uint16 SixBitScale = 4139;

Uint32 widen(Uint16 pixel)
{
    Uint32 red = ((pixel >> 11) << 9) * Uint32{FiveBitScale} >> 16;
    Uint32 green = (((pixel >> 5) & 63) << 6) * Uint32{SixBitScale} >> 16;
    Uint32 blue = ((pixel & 31) << 9) * Uint32{FiveBitScale} >> 16;
    return red << 16 | green << 8 | blue;
}

bool widenMatches(const XImage *image)
{
    const SDL_PixelFormat *format = screen->format;
    if (format->Rmask != 0xf800 || format->Gmask != 0x07e0 || format->Bmask != 0x001f || image->red_mask != 0xff0000 ||
        image->green_mask != 0xff00 || image->blue_mask != 0xff)
        return false;
    for (int value = 0; value < 65536; value++)
        if ((shared.colours[value] & 0xffffff) != widen(static_cast<Uint16>(value)))
            return false;
    return true;
}

// The window's pixel for every 16-bit value, converted by SDL itself, so that
// both presents show the very same colours.
bool learnColours(const XImage *image)
{
    const SDL_PixelFormat *format = screen->format;
    SDL_Surface *all =
        SDL_CreateRGBSurface(SDL_SWSURFACE, 256, 256, 16, format->Rmask, format->Gmask, format->Bmask, 0);
    SDL_Surface *shown =
        SDL_CreateRGBSurface(SDL_SWSURFACE, 256, 256, 32, static_cast<Uint32>(image->red_mask),
                             static_cast<Uint32>(image->green_mask), static_cast<Uint32>(image->blue_mask), 0);
    bool learned = all && shown && SDL_LockSurface(all) == 0;
    if (learned) {
        for (int value = 0; value < 65536; value++) {
            Uint16 pixel = static_cast<Uint16>(value);
            memcpy(static_cast<Uint8 *>(all->pixels) + (value >> 8) * all->pitch + 2 * (value & 255), &pixel, 2);
        }
        SDL_UnlockSurface(all);
        learned = SDL_BlitSurface(all, nullptr, shown, nullptr) == 0 && SDL_LockSurface(shown) == 0;
    }
    if (learned) {
        shared.colours.resize(65536);
        for (int row = 0; row < 256; row++)
            memcpy(&shared.colours[row * 256], static_cast<Uint8 *>(shown->pixels) + row * shown->pitch, 256 * 4);
        SDL_UnlockSurface(shown);
    }
    SDL_FreeSurface(all);
    SDL_FreeSurface(shown);
    return learned;
}

void dropSharedImage()
{
    if (shared.image) {
        XShmDetach(shared.display, &shared.segment);
        shared.image->data = nullptr;  // shared memory, not Xlib's
        XDestroyImage(shared.image);
        shmdt(shared.segment.shmaddr);
    }
    if (shared.gc)
        XFreeGC(shared.display, shared.gc);
    shared.image = nullptr;
    shared.gc = nullptr;
    shared.usable = false;
    shared.colours = {};
    shared.converted = {};
}

bool makeSharedImage()
{
    const char *forced = getenv("ZOLTR_SDL_PRESENT");
    if ((forced && strcmp(forced, "1") == 0) || (screen->flags & SDL_FULLSCREEN) || screen->format->BytesPerPixel != 2)
        return false;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWMInfo(&info) != 1 || info.subsystem != SDL_SYSWM_X11 || !info.info.x11.display)
        return false;
    shared.display = info.info.x11.display;
    shared.window = info.info.x11.window;
    XWindowAttributes window;
    if (!XShmQueryExtension(shared.display) || !XGetWindowAttributes(shared.display, shared.window, &window) ||
        window.width != screen->w || window.height != screen->h)
        return false;
    XImage *image =
        XShmCreateImage(shared.display, window.visual, static_cast<unsigned>(window.depth), ZPixmap, nullptr,
                        &shared.segment, static_cast<unsigned>(screen->w), static_cast<unsigned>(screen->h));
    if (!image)
        return false;
    if (image->bits_per_pixel != 32 || image->byte_order != LSBFirst || !learnColours(image)) {
        XDestroyImage(image);
        return false;
    }
    shared.arithmetic = widenMatches(image);
    shared.segment.shmid =
        shmget(IPC_PRIVATE, static_cast<size_t>(image->bytes_per_line) * image->height, IPC_CREAT | 0600);
    if (shared.segment.shmid < 0) {
        XDestroyImage(image);
        return false;
    }
    void *memory = shmat(shared.segment.shmid, nullptr, 0);
    shmctl(shared.segment.shmid, IPC_RMID, nullptr);  // gone once both sides let go
    if (memory == reinterpret_cast<void *>(-1)) {
        XDestroyImage(image);
        return false;
    }
    shared.segment.shmaddr = image->data = static_cast<char *>(memory);
    shared.segment.readOnly = False;
    shared.image = image;
    // A display on another machine refuses the memory with an X error.
    if (!withoutXErrors(shared.display, [] { return XShmAttach(shared.display, &shared.segment) != 0; })) {
        shared.image->data = nullptr;
        XDestroyImage(shared.image);
        shared.image = nullptr;
        shmdt(memory);
        return false;
    }
    shared.gc = XCreateGC(shared.display, shared.window, 0, nullptr);
    return shared.gc != nullptr;
}

// One row of the screen into the image; returns how many pixels it left to the table.
int widenRow(const Uint16 *from, Uint32 *to, int width)
{
    int x = 0;
#if defined(__SSE2__)
    if (!shared.arithmetic)
        return 0;
    const __m128i five = _mm_set1_epi16(static_cast<short>(FiveBitScale));
    const __m128i six = _mm_set1_epi16(static_cast<short>(SixBitScale));
    const __m128i low5 = _mm_set1_epi16(31), low6 = _mm_set1_epi16(63);
    for (; x + 8 <= width; x += 8) {
        __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i *>(from + x));
        __m128i red = _mm_mulhi_epu16(_mm_slli_epi16(_mm_srli_epi16(pixels, 11), 9), five);
        __m128i green = _mm_mulhi_epu16(_mm_slli_epi16(_mm_and_si128(_mm_srli_epi16(pixels, 5), low6), 6), six);
        __m128i blue = _mm_mulhi_epu16(_mm_slli_epi16(_mm_and_si128(pixels, low5), 9), five);
        __m128i greenBlue = _mm_or_si128(_mm_slli_epi16(green, 8), blue);
        _mm_storeu_si128(reinterpret_cast<__m128i *>(to + x), _mm_unpacklo_epi16(greenBlue, red));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(to + x + 4), _mm_unpackhi_epi16(greenBlue, red));
    }
#endif
    return x;
}

bool putSharedImage()
{
    if (SDL_LockSurface(screen) != 0)
        return false;
    // Most rows of a frame are those of the frame before: only the others
    // are converted. The whole image is put, so an exposed window heals.
    bool whole = shared.converted.empty();
    if (whole)
        shared.converted.resize(static_cast<size_t>(screen->w) * screen->h);
    const Uint32 *colours = shared.colours.data();
    size_t rowBytes = static_cast<size_t>(screen->w) * 2;
    for (int y = 0; y < screen->h; y++) {
        const Uint16 *from =
            reinterpret_cast<const Uint16 *>(static_cast<const Uint8 *>(screen->pixels) + y * screen->pitch);
        Uint16 *before = &shared.converted[static_cast<size_t>(y) * screen->w];
        if (!whole && memcmp(before, from, rowBytes) == 0)
            continue;
        memcpy(before, from, rowBytes);
        Uint32 *to = reinterpret_cast<Uint32 *>(shared.image->data + y * shared.image->bytes_per_line);
        for (int x = widenRow(from, to, screen->w); x < screen->w; x++)
            to[x] = colours[from[x]];
    }
    SDL_UnlockSurface(screen);
    // Waiting for the server also keeps the next frame's conversion off the
    // memory it may still be reading.
    return withoutXErrors(shared.display, [] {
        return XShmPutImage(shared.display, shared.window, shared.gc, shared.image, 0, 0, 0, 0,
                            static_cast<unsigned>(screen->w), static_cast<unsigned>(screen->h), False) != 0;
    });
}

}  // namespace

// The X window SDL shows the screen in, or 0.
Window sdlWindow()
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWMInfo(&info) != 1 || info.subsystem != SDL_SYSWM_X11)
        return 0;
    return info.info.x11.window;
}

bool presentScreen()
{
    if (!screen)
        return false;
    Window window = sdlWindow();
    if (shared.madeFor != screen || shared.madeForWindow != window) {
        releasePresent();
        shared.madeFor = screen;
        shared.madeForWindow = window;
        shared.usable = window != 0 && makeSharedImage();
        if (!shared.usable)
            dropSharedImage();
    }
    if (shared.usable && putSharedImage())
        return true;
    if (shared.usable)
        dropSharedImage();  // an X error: SDL presents from now on
    SDL_Flip(screen);
    return false;
}

void releasePresent()
{
    dropSharedImage();
    shared.madeFor = nullptr;
}
