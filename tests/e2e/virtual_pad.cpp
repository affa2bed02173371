// Preloaded into the game by pad_e2e.sh: a gamepad the game finds as a real
// one. SDL 1.2 has no virtual joystick, but sdl12-compat stands on SDL2, which
// has: the pad is attached there as the game starts its joysticks. Lines
// written to the FIFO named by ZOLTR_PAD_FIFO move it: "axis N VALUE",
// "button N 0|1", "unplug".
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <pthread.h>

namespace {

void *sdl2;
void *pad;
int padIndex = -1;

template <class Function>
Function sdl2Call(const char *name)
{
    return reinterpret_cast<Function>(dlsym(sdl2, name));
}

void *readCommands(void *)
{
    // Read and write: the script's writers come and go without an end of file.
    FILE *commands = fopen(getenv("ZOLTR_PAD_FIFO"), "r+");
    char line[64];
    while (commands && fgets(line, sizeof line, commands)) {
        int part = 0, value = 0;
        if (sscanf(line, "axis %d %d", &part, &value) == 2)
            sdl2Call<int (*)(void *, int, Sint16)>("SDL_JoystickSetVirtualAxis")(pad, part, static_cast<Sint16>(value));
        else if (sscanf(line, "button %d %d", &part, &value) == 2)
            sdl2Call<int (*)(void *, int, Uint8)>("SDL_JoystickSetVirtualButton")(pad, part, static_cast<Uint8>(value));
        else if (strncmp(line, "unplug", 6) == 0)
            sdl2Call<int (*)(int)>("SDL_JoystickDetachVirtual")(padIndex);
    }
    return nullptr;
}

}  // namespace

extern "C" int SDL_InitSubSystem(Uint32 flags)
{
    static auto next = reinterpret_cast<int (*)(Uint32)>(dlsym(RTLD_NEXT, "SDL_InitSubSystem"));
    if ((flags & SDL_INIT_JOYSTICK) && !pad && (sdl2 = dlopen("libSDL2-2.0.so.0", RTLD_NOW | RTLD_NOLOAD))) {
        constexpr Uint32 Sdl2Joystick = 0x200;
        sdl2Call<int (*)(Uint32)>("SDL_InitSubSystem")(Sdl2Joystick);
        padIndex = sdl2Call<int (*)(int, int, int, int)>("SDL_JoystickAttachVirtual")(1, 2, 4, 1);
        pad = sdl2Call<void *(*)(int)>("SDL_JoystickOpen")(padIndex);
        pthread_t reader;
        if (pthread_create(&reader, nullptr, readCommands, nullptr) == 0)
            pthread_detach(reader);
    }
    return next(flags);
}
