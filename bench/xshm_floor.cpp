// The floor of the real-window measurement: the cheapest way this platform
// has to show a changing frame. A 640x480 window and one image in shared
// memory with the X server; each frame one row of it changes and the whole
// image is put on the window with XShmPutImage. The only wait is the one that
// keeps the next frame's write off memory the server may still be reading:
// the put asks for a completion event, and the next frame is written once it
// has come (usually long before, during the pacing's sleep). Paced by the
// game's rule. Counts its presents like the game (present_counter.h). Ends on
// SIGTERM or when the window is closed.
//
// With --sound it also plays a music file as the game plays its music, and
// nothing more: SDL with audio alone, the game's mixer format and buffer, the
// music started once. That is the floor of a game that has a sound, whatever
// its drawing costs.
//
//   zoltr_xshm_floor [--sound MUSICFILE] [FPS]
#include "present_counter.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

constexpr int Width = 640;
constexpr int Height = 480;

unsigned long milliseconds()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<unsigned long>(now.tv_sec) * 1000 + static_cast<unsigned long>(now.tv_nsec) / 1000000;
}

// The game's pacing: wait for the deadline, and count the next one from the
// moment of entry, not from the end of the wait.
void pace(unsigned long &nextFrame, int fps)
{
    unsigned long now = milliseconds();
    if (now < nextFrame) {
        timespec wait = {0, static_cast<long>(nextFrame - now) * 1000000};
        nanosleep(&wait, nullptr);
    }
    nextFrame = now + 1000 / fps;
}

// The game's own opening of its sound: SDL's audio only, the mixer at its
// format, the music played once. False (with the reason told) when any step fails.
bool startMusic(const char *path, Mix_Music **music)
{
    setenv("SDL_NO_SIGNAL_HANDLERS", "1", 1);  // SIGTERM still ends the floor
    if (SDL_Init(SDL_INIT_AUDIO) < 0 || Mix_OpenAudio(22050, AUDIO_U8, 1, 1024) < 0) {
        fprintf(stderr, "xshm_floor: no sound: %s\n", SDL_GetError());
        return false;
    }
    *music = Mix_LoadMUS(path);
    if (!*music || Mix_PlayMusic(*music, 0) < 0) {
        fprintf(stderr, "xshm_floor: cannot play %s: %s\n", path, Mix_GetError());
        return false;
    }
    Mix_VolumeMusic(MIX_MAX_VOLUME);
    return true;
}

void stopMusic(Mix_Music *music)
{
    if (!music)
        return;
    Mix_HaltMusic();
    Mix_FreeMusic(music);
    Mix_CloseAudio();
    SDL_Quit();
}

}  // namespace

int main(int argc, char **argv)
{
    Mix_Music *music = nullptr;
    if (argc > 2 && strcmp(argv[1], "--sound") == 0) {
        if (!startMusic(argv[2], &music))
            return 1;
        argc -= 2;
        argv += 2;
    }
    int fps = argc > 1 ? atoi(argv[1]) : 50;
    if (fps <= 0)
        fps = 50;
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        fprintf(stderr, "xshm_floor: cannot open the display\n");
        return 1;
    }
    if (!XShmQueryExtension(display)) {
        fprintf(stderr, "xshm_floor: the display has no MIT-SHM\n");
        return 1;
    }
    int screenNumber = DefaultScreen(display);
    Visual *visual = DefaultVisual(display, screenNumber);
    int depth = DefaultDepth(display, screenNumber);
    Window window = XCreateSimpleWindow(display, RootWindow(display, screenNumber), 0, 0, Width, Height, 0, 0, 0);
    XStoreName(display, window, "Zoltr Deatmatch floor");
    Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, window, &deleteWindow, 1);
    XMapWindow(display, window);
    GC gc = XCreateGC(display, window, 0, nullptr);

    XShmSegmentInfo segment = {};
    XImage *image =
        XShmCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, nullptr, &segment, Width, Height);
    if (!image) {
        fprintf(stderr, "xshm_floor: cannot make a shared image\n");
        return 1;
    }
    segment.shmid = shmget(IPC_PRIVATE, static_cast<size_t>(image->bytes_per_line) * Height, IPC_CREAT | 0600);
    segment.shmaddr = image->data = static_cast<char *>(shmat(segment.shmid, nullptr, 0));
    segment.readOnly = False;
    if (segment.shmid < 0 || image->data == reinterpret_cast<char *>(-1) || !XShmAttach(display, &segment)) {
        fprintf(stderr, "xshm_floor: cannot share memory with the X server\n");
        return 1;
    }
    XSync(display, False);
    shmctl(segment.shmid, IPC_RMID, nullptr);  // gone once both sides detach

    int completion = XShmGetEventBase(display) + ShmCompletion;
    bool imageBusy = false;
    unsigned long nextFrame = 0;
    for (unsigned frame = 0;; frame++) {
        // A row sweeps down the picture, a new shade each time round.
        char *row = image->data + static_cast<size_t>(frame % Height) * image->bytes_per_line;
        memset(row, static_cast<int>(frame / Height), static_cast<size_t>(image->bytes_per_line));
        XShmPutImage(display, window, gc, image, 0, 0, 0, 0, Width, Height, True);
        imageBusy = true;
        countPresent();
        pace(nextFrame, fps);
        while (imageBusy || XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == completion)
                imageBusy = false;
            if (event.type == ClientMessage && static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow) {
                XShmDetach(display, &segment);
                image->data = nullptr;  // shared memory, not the heap
                XDestroyImage(image);
                shmdt(segment.shmaddr);
                XCloseDisplay(display);
                stopMusic(music);
                return 0;
            }
        }
    }
}
