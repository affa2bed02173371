// The harness's stage: headless SDL, a private scratch folder, generated
// sheets and silent samples for the match, and tiny PNG, GIF and WAV files.
#include "harness.h"

#include "gfx/gfx.h"
#include "media/media.h"
#include "shell/shell.h"

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <unistd.h>
#include <zlib.h>

static std::string scratch;

void startHeadlessVideo()
{
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    if (!SDL_WasInit(SDL_INIT_VIDEO)) {
        if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_AUDIO) < 0)
            harnessFailure("SDL_Init failed", 0);
        atexit(stopSdl);  // as the game does: no mixer thread outlives the libraries
    }
    if (!screen)
        screen = SDL_SetVideoMode(640, 480, 16, SDL_HWSURFACE | SDL_DOUBLEBUF);
    if (!screen)
        harnessFailure("no video mode", 0);
}

bool openHeadlessAudio()
{
    startHeadlessVideo();
    int frequency, channels;
    Uint16 format;
    return Mix_QuerySpec(&frequency, &format, &channels) || Mix_OpenAudio(22050, AUDIO_U8, 1, 1024) == 0;
}

static pid_t scratchOwner;

// Only by the process that made it: a forked child (a death test) that exits
// must not take its parent's folder away.
static void removeScratch()
{
    std::error_code ignored;
    if (getpid() == scratchOwner)
        std::filesystem::remove_all(scratch, ignored);
}

// Scratch folders are named after their process; those of processes that
// ended without their exit handlers (an abort, a kill) are swept here.
static void sweepDeadScratches()
{
    std::error_code ignored;
    for (const auto &entry : std::filesystem::directory_iterator("/tmp", ignored)) {
        std::string name = entry.path().filename().string();
        long pid = 0;
        char rest = 0;
        if (sscanf(name.c_str(), "zoltr-harness-%ld%c", &pid, &rest) == 2 && rest == '-' && pid > 0 &&
            kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
            std::filesystem::remove_all(entry.path(), ignored);
    }
}

void startHarness()
{
    // Every time: a test of the same process may have closed the mixer since.
    openHeadlessAudio();  // without audio the sound paths are simply skipped
    if (!scratch.empty())
        return;
    sweepDeadScratches();
    std::string pattern = "/tmp/zoltr-harness-" + std::to_string(getpid()) + "-XXXXXX";
    if (!mkdtemp(pattern.data()) || chdir(pattern.c_str()) != 0)
        harnessFailure("no scratch folder", 0);
    scratch = pattern;
    scratchOwner = getpid();
    atexit(removeScratch);
}

void writeBytes(const std::string &path, const void *data, size_t size)
{
    std::filesystem::path p(path);
    if (p.has_parent_path())
        std::filesystem::create_directories(p.parent_path());
    FILE *file = fopen(path.c_str(), "wb");
    if (!file || (size > 0 && fwrite(data, 1, size, file) != size))
        harnessFailure("cannot write a scratch file", static_cast<double>(size));
    fclose(file);
}

void writeFile(const std::string &path, const std::string &bytes)
{
    writeBytes(path, bytes.data(), bytes.size());
}

// A sheet in the screen's format with a pattern, so that blits copy real pixels;
// keyed sheets are run-length encoded as the catalogue's are.
static SDL_Surface *makeSheet(int width, int height, bool keyed)
{
    SDL_PixelFormat *f = screen->format;
    SDL_Surface *sheet = SDL_CreateRGBSurface(SDL_SWSURFACE, width, height, 16, f->Rmask, f->Gmask, f->Bmask, 0);
    if (!sheet)
        harnessFailure("no sheet surface", width);
    SDL_FillRect(sheet, nullptr, 0);
    for (int y = 0; y < height; y += 5)
        for (int x = (y / 5) % 2 * 5; x < width; x += 10) {
            SDL_Rect r = {static_cast<Sint16>(x), static_cast<Sint16>(y), 5, 5};
            SDL_FillRect(sheet, &r, SDL_MapRGB(f, static_cast<Uint8>(x), static_cast<Uint8>(y), 200));
        }
    if (keyed)
        SDL_SetColorKey(sheet, SDL_SRCCOLORKEY | SDL_RLEACCEL, 0);
    return sheet;
}

static Uint8 silence[256];

void installSyntheticMedia()
{
    openHeadlessAudio();
    struct SheetSize {
        int slot, width, height;
        bool keyed;
    };
    // Wall tiles, item tiles, fighters, weapons, explosion, HUD strip, health bar.
    const SheetSize sheets[] = {{0, 160, 160, false}, {1, 160, 120, true}, {3, 160, 160, true}, {4, 160, 120, true},
                                {5, 480, 60, true},   {15, 640, 30, true}, {16, 80, 20, false}};
    for (const SheetSize &s : sheets)
        if (!ImageSlots[s.slot])
            ImageSlots[s.slot] = makeSheet(s.width, s.height, s.keyed);
    if (!fontPlain)
        fontPlain = makeSheet(940, 40, false);
    if (!fontKeyed)
        fontKeyed = makeSheet(940, 40, true);

    memset(silence, 0x80, sizeof silence);
    for (int slot = 0; slot < SoundSlotCount; slot++)
        if (slot != MusicSlot && !SoundSlots[slot].chunk)
            SoundSlots[slot].chunk = Mix_QuickLoad_RAW(silence, sizeof silence);
}

void releaseMediaSlots()
{
    // The mixer thread must not be left playing a sample that is about to go.
    // A closed mixer plays nothing, and halting it would read its freed channels.
    int frequency;
    Uint16 format;
    int channels;
    if (Mix_QuerySpec(&frequency, &format, &channels)) {
        Mix_HaltChannel(-1);
        Mix_HaltMusic();
    }
    for (SDL_Surface *&image : ImageSlots) {
        SDL_FreeSurface(image);
        image = nullptr;
    }
    for (SoundSlot &sound : SoundSlots) {
        if (sound.chunk)
            Mix_FreeChunk(sound.chunk);
        if (sound.music)
            Mix_FreeMusic(sound.music);
        sound = {};
    }
}

// --- tiny media files ---

// Host order (little-endian) for GIF and WAV; PNG wants big-endian.
template <class Value>
static void put(std::string &out, Value value)
{
    out.append(reinterpret_cast<const char *>(&value), sizeof value);
}

static void pngChunk(std::string &out, const char *type, const std::string &data)
{
    put(out, htonl(static_cast<uint32_t>(data.size())));
    std::string typed = std::string(type, 4) + data;
    out += typed;
    put(out, htonl(static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef *>(typed.data()), typed.size()))));
}

// Palettised with four colours or 32-bit RGBA; pixel 0,0 is the key colour.
std::string makePng(int width, int height, bool palettised)
{
    std::string raw;
    for (int y = 0; y < height; y++) {
        raw += '\0';  // no filter
        for (int x = 0; x < width; x++) {
            char colour = static_cast<char>((x / 4 + y / 4) % 4);
            if (palettised)
                raw += colour;
            else
                raw += {static_cast<char>(colour * 80), static_cast<char>(255 - colour * 60), 40, '\xff'};
        }
    }
    uLongf size = compressBound(raw.size());
    std::string packed(size, '\0');
    compress(reinterpret_cast<Bytef *>(packed.data()), &size, reinterpret_cast<const Bytef *>(raw.data()), raw.size());
    packed.resize(size);

    std::string header;
    put(header, htonl(static_cast<uint32_t>(width)));
    put(header, htonl(static_cast<uint32_t>(height)));
    header += {'\x08', palettised ? '\x03' : '\x06', 0, 0, 0};
    std::string png = "\x89PNG\r\n\x1a\n";
    pngChunk(png, "IHDR", header);
    if (palettised)
        pngChunk(png, "PLTE", std::string("\xff\x00\xff\x20\x40\x60\xc0\xc0\x20\x10\xe0\x10", 12));
    pngChunk(png, "IDAT", packed);
    pngChunk(png, "IEND", "");
    return png;
}

// A four-colour GIF whose LZW stream clears the table every two pixels, so
// every code stays 3 bits wide and no compression is needed.
std::string makeGif(int width, int height)
{
    std::string gif = "GIF89a";
    put(gif, static_cast<uint16_t>(width));
    put(gif, static_cast<uint16_t>(height));
    // Four colours (black, red, green, blue), then the image at 0,0.
    gif += std::string("\x81\0\0\0\0\0\xff\0\0\0\xff\0\0\0\xff,\0\0\0\0", 20);
    put(gif, static_cast<uint16_t>(width));
    put(gif, static_cast<uint16_t>(height));
    gif += std::string("\0\x02", 2);  // no local colours; minimum code size

    std::string stream;
    uint32_t bits = 0;
    int count = 0;
    auto emit = [&](unsigned code) {
        bits |= code << count;
        for (count += 3; count >= 8; count -= 8, bits >>= 8)
            stream += static_cast<char>(bits & 0xff);
    };
    for (int i = 0; i < width * height; i++) {
        if (i % 2 == 0)
            emit(4);  // clear
        emit(static_cast<unsigned>((i % width / 3 + i / width / 3) % 4));
    }
    emit(5);  // end of information
    if (count > 0)
        stream += static_cast<char>(bits & 0xff);
    for (size_t at = 0; at < stream.size(); at += 255) {
        std::string block = stream.substr(at, 255);
        gif += static_cast<char>(block.size()) + block;
    }
    return gif + std::string("\0;", 2);
}

// Unsigned 8-bit mono at 22050 Hz, as the game plays.
std::string makeWav(int samples)
{
    const uint32_t length = static_cast<uint32_t>(samples);
    struct {
        char riff[4];
        uint32_t size;
        char waveFmt[8];
        uint32_t fmtSize;
        uint16_t format, channels;
        uint32_t rate, byteRate;
        uint16_t align, bits;
        char data[4];
        uint32_t dataSize;
    } header = {
        {'R', 'I', 'F', 'F'}, 36 + length, {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '}, 16, 1, 1, 22050, 22050, 1, 8,
        {'d', 'a', 't', 'a'}, length};
    static_assert(sizeof header == 44);
    std::string wav(reinterpret_cast<const char *>(&header), sizeof header);
    for (int i = 0; i < samples; i++)
        wav += static_cast<char>(128 + ((i / 10) % 2 ? 20 : -20));
    return wav;
}
