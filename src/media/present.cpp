// Showing the finished screen. On a plain X11 window the parts of the 16-bit
// screen that changed are converted straight into an image shared with the X
// server, and only those parts are put on the window (XShmPutImage); SDL's
// present converts the whole screen into a texture, clears its window
// surface, copies the texture onto it and puts all of it. Anything else (full
// screen, another video driver, no MIT-SHM, any X error) and
// ZOLTR_SDL_PRESENT=1 in the environment leave it to SDL_Flip.
#include "media/media.h"

#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <poll.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <cstdlib>
#include <cstring>
#include <vector>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Last: Xlib's own header for its extensions (the lock, the send without a
// read) makes min and max macros.
#include <X11/Xlibint.h>
#undef min
#undef max

namespace {

// --- per video mode: made at the first present on a new screen ---
struct SharedImage {
    SDL_Surface *madeFor;  // the screen it was made for; nullptr: nothing tried yet
    bool usable;           // false: SDL presents
    Display *display;
    Window window;
    GC gc;
    XImage *image;
    XShmSegmentInfo segment;
    std::vector<Uint32> colours;    // every 16-bit pixel as the window shows it; let go when arithmetic
    std::vector<Uint16> converted;  // the screen as the image holds it; empty: nothing yet
    bool arithmetic;                // colours are what widen() computes, eight pixels at a time
    int shmOpcode;                  // MIT-SHM's requests, whose errors are the present's
    int completionEvent;            // the event that says a put is done
    unsigned long lastPut;          // the request number of the last put; 0: none since the image was made
    bool wholeNext;                 // the window was uncovered: put all of the image next time
    XErrorHandler handlerBefore;    // the handler X errors that are not the present's go on to
    bool handlerSet;
};
SharedImage shared;

constexpr int MaxRectangles = 64;

struct Rectangle {
    int x, y, w, h;
};

// --- until the next present: the areas the drawing says it changed ---
struct ChangedAreas {
    bool noted;    // a note came since the last present
    bool tooMany;  // more than fit: compare all of the screen
    int count;
    Rectangle areas[MaxRectangles];
};
ChangedAreas changes;
unsigned unnotedPresents;  // process lifetime

int xErrors;

int noteXError(Display *, XErrorEvent *)
{
    xErrors++;
    return 0;
}

// While the image is in use its puts are not waited for, so their errors come
// in later, with whatever else the game asks of X: they are counted, the rest
// go where they went before.
int notePresentXError(Display *display, XErrorEvent *error)
{
    if (display == shared.display && error->request_code == shared.shmOpcode) {
        xErrors++;
        return 0;
    }
    return shared.handlerBefore ? shared.handlerBefore(display, error) : 0;
}

// SDL reports an uncovered window as an event the game may not look at; the
// present notes it on its way into the queue and keeps it there.
int noteExposure(const SDL_Event *event)
{
    if (event->type == SDL_VIDEOEXPOSE)
        shared.wholeNext = true;
    return 1;
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
    if (shared.handlerSet) {
        XSetErrorHandler(shared.handlerBefore);
        SDL_SetEventFilter(nullptr);
        shared.handlerSet = false;
    }
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
    shared.lastPut = 0;
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
    int firstEvent = 0, firstError = 0;
    if (!XQueryExtension(shared.display, "MIT-SHM", &shared.shmOpcode, &firstEvent, &firstError) ||
        !XShmQueryExtension(shared.display) || !XGetWindowAttributes(shared.display, shared.window, &window) ||
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
    if (shared.arithmetic)
        shared.colours = {};
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
    if (!shared.gc)
        return false;
    shared.completionEvent = XShmGetEventBase(shared.display) + ShmCompletion;
    xErrors = 0;
    shared.handlerBefore = XSetErrorHandler(notePresentXError);
    SDL_SetEventFilter(noteExposure);
    shared.handlerSet = true;
    return true;
}

// The server reads the image while it puts it: the next frame may write into
// it only once the last put is done. Its completion event (read by whoever
// reads events, SDL as a rule) tells; it has mostly come in during the frame's
// wait. When it has not, the present waits for that event itself rather than
// making a round trip (a request and its reply) to the server; only after a
// second without it does it ask the server, which also finds a lost display.
void waitForLastPut()
{
    Display *display = shared.display;
    for (int tries = 0; tries < 10; tries++) {
        if (shared.lastPut == 0 || XLastKnownRequestProcessed(display) >= shared.lastPut)
            return;
        XEventsQueued(display, QueuedAfterReading);
        if (XLastKnownRequestProcessed(display) >= shared.lastPut)
            return;
        pollfd connection = {ConnectionNumber(display), POLLIN, 0};
        poll(&connection, 1, 100);
    }
    XSync(display, False);
}

// One row of the screen into the image, eight pixels at a time; returns how
// many pixels it looked at (the rest are converted one by one). Unless told
// to convert all, it leaves alone the groups of eight that the image already
// shows (`shown`, the copy of what it holds): the image lives in memory the
// X server reads from its own core, and every store into it costs far more
// than the comparison that spares it.
int widenRow(const Uint16 *from, Uint16 *shown, Uint32 *to, int width, bool all)
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
        __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i *>(shown + x));
        if (!all && _mm_movemask_epi8(_mm_cmpeq_epi16(pixels, before)) == 0xffff)
            continue;
        _mm_storeu_si128(reinterpret_cast<__m128i *>(shown + x), pixels);
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

// The screen is compared with the image in cells of CellWidth pixels by the
// rows of a band; a band's changed cells, next to each other, make one
// rectangle, and a rectangle under one of the same width grows it.
constexpr int CellWidth = 32;
constexpr int BandHeight = 16;
constexpr int MaxCells = 32;  // cells across; a wider screen is put whole

// Sends what Xlib holds to the server. XFlush would also read whatever the
// server has sent, a second read of the connection in every frame: the frame
// reads it once, when it looks for events.
void sendRequests(Display *display)
{
    LockDisplay(display);
    _XSend(display, nullptr, 0);
    UnlockDisplay(display);
}

// Puts the rectangles on the window and asks for word when the last is done.
bool putRectangles(const Rectangle *rectangles, int count)
{
    for (int i = 0; i < count; i++) {
        const Rectangle &r = rectangles[i];
        if (i == count - 1)
            shared.lastPut = NextRequest(shared.display);
        XShmPutImage(shared.display, shared.window, shared.gc, shared.image, r.x, r.y, r.x, r.y,
                     static_cast<unsigned>(r.w), static_cast<unsigned>(r.h), i == count - 1);
    }
    sendRequests(shared.display);
    return xErrors == 0;
}

const Uint16 *screenRow(int y)
{
    return reinterpret_cast<const Uint16 *>(static_cast<const Uint8 *>(screen->pixels) + y * screen->pitch);
}

// Pixels x0 to x0 + width - 1 of row y into the image and the copy of what it
// shows: all of them, or those that differ from the copy.
void convertSpan(int y, int x0, int width, bool all)
{
    const Uint16 *row = screenRow(y) + x0;
    Uint16 *shown = &shared.converted[static_cast<size_t>(y) * screen->w + x0];
    Uint32 *image = reinterpret_cast<Uint32 *>(shared.image->data + y * shared.image->bytes_per_line) + x0;
    for (int x = widenRow(row, shown, image, width, all); x < width; x++) {
        if (!all && shown[x] == row[x])
            continue;
        shown[x] = row[x];
        image[x] = shared.arithmetic ? widen(row[x]) : shared.colours[row[x]];
    }
}

// Converts the cells of row y that changed and returns them as bits.
Uint32 convertChangedCells(int y, bool whole)
{
    const Uint16 *row = screenRow(y);
    const Uint16 *before = &shared.converted[static_cast<size_t>(y) * screen->w];
    if (!whole && memcmp(before, row, static_cast<size_t>(screen->w) * 2) == 0)
        return 0;
    Uint32 changed = 0;
    for (int cell = 0, x0 = 0; x0 < screen->w; cell++, x0 += CellWidth) {
        int width = screen->w - x0 < CellWidth ? screen->w - x0 : CellWidth;
        if (!whole && memcmp(before + x0, row + x0, static_cast<size_t>(width) * 2) == 0)
            continue;
        changed |= 1u << cell;
        convertSpan(y, x0, width, true);
    }
    return changed;
}

// The drawing said what changed: only that is converted and put.
bool putNotedAreas()
{
    waitForLastPut();
    if (SDL_LockSurface(screen) != 0)
        return false;
    for (int i = 0; i < changes.count; i++) {
        const Rectangle &area = changes.areas[i];
        for (int y = area.y; y < area.y + area.h; y++)
            convertSpan(y, area.x, area.w, false);
    }
    SDL_UnlockSurface(screen);
    if (shared.wholeNext) {
        shared.wholeNext = false;
        Rectangle all = {0, 0, screen->w, screen->h};
        return putRectangles(&all, 1);
    }
    return changes.count == 0 || putRectangles(changes.areas, changes.count);
}

bool putSharedImage()
{
    if (xErrors > 0)
        return false;
    if (changes.noted && !changes.tooMany && !shared.converted.empty() &&
        (screen->w + CellWidth - 1) / CellWidth <= MaxCells)
        return putNotedAreas();
    waitForLastPut();
    if (SDL_LockSurface(screen) != 0)
        return false;
    bool whole = shared.converted.empty() || (screen->w + CellWidth - 1) / CellWidth > MaxCells;
    if (whole)
        shared.converted.resize(static_cast<size_t>(screen->w) * screen->h);
    Rectangle rectangles[MaxRectangles];
    int count = 0;
    for (int top = 0; top < screen->h; top += BandHeight) {
        int bottom = top + BandHeight < screen->h ? top + BandHeight : screen->h;
        Uint32 cells = 0;
        int first = -1, last = -1;
        for (int y = top; y < bottom; y++) {
            Uint32 changed = convertChangedCells(y, whole);
            if (changed && first < 0)
                first = y;
            if (changed)
                last = y;
            cells |= changed;
        }
        for (int cell = 0; cells >> cell; cell++) {
            if (!(cells >> cell & 1))
                continue;
            int run = cell;
            while (cells >> (run + 1) & 1)
                run++;
            int x = cell * CellWidth;
            int w = ((run + 1) * CellWidth < screen->w ? (run + 1) * CellWidth : screen->w) - x;
            cell = run;
            bool grown = false;
            for (int i = 0; i < count && !grown && first == top; i++) {
                Rectangle &above = rectangles[i];
                if (above.x == x && above.w == w && above.y + above.h == top) {
                    above.h = last + 1 - above.y;
                    grown = true;
                }
            }
            if (!grown && count < MaxRectangles)
                rectangles[count++] = {x, first, w, last + 1 - first};
            else if (!grown)
                whole = true;
        }
    }
    SDL_UnlockSurface(screen);
    if (whole || shared.wholeNext) {
        shared.wholeNext = false;
        Rectangle all = {0, 0, screen->w, screen->h};
        return putRectangles(&all, 1);
    }
    return count == 0 || putRectangles(rectangles, count);
}

// SDL reads the events at least this often (ms), whatever the display's
// connection says: what it does beside reading them (the screen saver, a
// change of focus it settles after a moment) waits no longer than this.
Uint32 sdlReadInterval = 100;
Uint32 lastSdlRead;

bool padsOpen()
{
    return SDL_WasInit(SDL_INIT_JOYSTICK) && SDL_NumJoysticks() > 0;
}

// The completion events of the present's own puts at the head of the queue:
// read, they have told waitForLastPut what it needs, and SDL has no use for
// them. Only what is already queued is looked at: nothing is read.
void dropQueuedCompletions()
{
    XEvent head;
    while (QLength(shared.display) > 0 && XPeekEvent(shared.display, &head) && head.type == shared.completionEvent)
        XNextEvent(shared.display, &head);
}

}  // namespace

bool eventsMayBeWaiting()
{
    Uint32 now = SDL_GetTicks();
    SDL_Event queued;
    if (!shared.usable || shared.madeFor != screen || now - lastSdlRead >= sdlReadInterval || padsOpen() ||
        SDL_PeepEvents(&queued, 1, SDL_PEEKEVENT, SDL_ALLEVENTS) > 0) {
        lastSdlRead = now;
        return true;
    }
    dropQueuedCompletions();
    if (QLength(shared.display) == 0) {
        XEventsQueued(shared.display, QueuedAfterReading);
        dropQueuedCompletions();
    }
    if (XEventsQueued(shared.display, QueuedAlready) == 0)
        return false;
    lastSdlRead = now;
    return true;
}

void setSdlReadInterval(Uint32 milliseconds)
{
    sdlReadInterval = milliseconds;
}

bool presentScreen()
{
    if (!screen)
        return false;
    // The window is SDL's until the next video mode (coverDisplay lets go
    // then): its display and id are taken once.
    if (shared.madeFor != screen) {
        releasePresent();
        shared.madeFor = screen;
        shared.usable = makeSharedImage();
        if (!shared.usable)
            dropSharedImage();
    }
    bool own = shared.usable && putSharedImage();
    if (shared.usable && !own)
        dropSharedImage();  // an X error: SDL presents from now on
    if (!own)
        SDL_Flip(screen);
    if (!changes.noted)
        unnotedPresents++;
    changes = {};
    return own;
}

void noteChangedAreas(const SDL_Rect *areas, int count)
{
    changes.noted = true;
    for (int i = 0; i < count && !changes.tooMany; i++) {
        // Only the part on the screen counts.
        int x0 = areas[i].x < 0 ? 0 : areas[i].x, y0 = areas[i].y < 0 ? 0 : areas[i].y;
        int x1 = areas[i].x + areas[i].w, y1 = areas[i].y + areas[i].h;
        x1 = screen && x1 > screen->w ? screen->w : x1;
        y1 = screen && y1 > screen->h ? screen->h : y1;
        if (x0 >= x1 || y0 >= y1)
            continue;
        if (changes.count == MaxRectangles)
            changes.tooMany = true;
        else
            changes.areas[changes.count++] = {x0, y0, x1 - x0, y1 - y0};
    }
    changes.tooMany = changes.tooMany || count < 0;
}

unsigned presentsWithoutNote()
{
    return unnotedPresents;
}

void releasePresent()
{
    dropSharedImage();
    shared.madeFor = nullptr;
}
