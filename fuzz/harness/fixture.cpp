// The harness's stage: headless SDL, a private scratch folder, generated
// sheets and silent samples for the match, and tiny PNG, GIF and WAV files.
#include "harness.h"

#include "gfx/gfx.h"
#include "media/media.h"
#include "shell/shell.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <unistd.h>

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

void startHeadlessSdl()
{
    openHeadlessAudio();  // without audio the sound paths are simply skipped
}

static void removeScratch()
{
    std::error_code ignored;
    std::filesystem::remove_all(scratch, ignored);
}

void startHarness()
{
    // Every time: a test of the same process may have closed the mixer since.
    startHeadlessSdl();
    if (!scratch.empty())
        return;
    char pattern[] = "/tmp/zoltr-harness-XXXXXX";
    if (!mkdtemp(pattern) || chdir(pattern) != 0)
        harnessFailure("no scratch folder", 0);
    scratch = pattern;
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
    startHeadlessSdl();
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

static void put32be(std::string &out, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out += static_cast<char>((v >> shift) & 0xff);
}

static void put16le(std::string &out, unsigned v)
{
    out += static_cast<char>(v & 0xff);
    out += static_cast<char>((v >> 8) & 0xff);
}

static void put32le(std::string &out, uint32_t v)
{
    put16le(out, v & 0xffff);
    put16le(out, v >> 16);
}

static uint32_t crc32(const std::string &bytes)
{
    uint32_t crc = 0xffffffffu;
    for (unsigned char b : bytes) {
        crc ^= b;
        for (int k = 0; k < 8; k++)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

static void pngChunk(std::string &out, const char *type, const std::string &data)
{
    put32be(out, static_cast<uint32_t>(data.size()));
    std::string typed = std::string(type, 4) + data;
    out += typed;
    put32be(out, crc32(typed));
}

// A PNG whose image data is stored uncompressed (one stored deflate block),
// palettised with four colours or 32-bit RGBA; pixel 0,0 is the key colour.
std::string makePng(int width, int height, bool palettised)
{
    std::string raw;
    for (int y = 0; y < height; y++) {
        raw += '\0';  // no filter
        for (int x = 0; x < width; x++) {
            int colour = (x / 4 + y / 4) % 4;
            if (palettised) {
                raw += static_cast<char>(colour);
            } else {
                raw += static_cast<char>(colour * 80);
                raw += static_cast<char>(255 - colour * 60);
                raw += static_cast<char>(40);
                raw += static_cast<char>(255);
            }
        }
    }
    uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    std::string zlib = "\x78\x01";
    zlib += '\x01';  // final stored block
    put16le(zlib, static_cast<unsigned>(raw.size()));
    put16le(zlib, static_cast<unsigned>(~raw.size() & 0xffff));
    zlib += raw;
    put32be(zlib, (b << 16) | a);

    std::string header;
    put32be(header, static_cast<uint32_t>(width));
    put32be(header, static_cast<uint32_t>(height));
    header += '\x08';
    header += palettised ? '\x03' : '\x06';
    header += std::string(3, '\0');

    std::string png = "\x89PNG\r\n\x1a\n";
    pngChunk(png, "IHDR", header);
    if (palettised)
        pngChunk(png, "PLTE", std::string("\xff\x00\xff\x20\x40\x60\xc0\xc0\x20\x10\xe0\x10", 12));
    pngChunk(png, "IDAT", zlib);
    pngChunk(png, "IEND", "");
    return png;
}

// A four-colour GIF whose LZW stream clears the table every two pixels, so
// every code stays 3 bits wide and no compression is needed.
std::string makeGif(int width, int height)
{
    std::string gif = "GIF89a";
    put16le(gif, static_cast<unsigned>(width));
    put16le(gif, static_cast<unsigned>(height));
    gif += '\x81';  // global colour table of 4 entries
    gif += std::string(2, '\0');
    gif += std::string("\x00\x00\x00\xff\x00\x00\x00\xff\x00\x00\x00\xff", 12);
    gif += ',';
    put16le(gif, 0);
    put16le(gif, 0);
    put16le(gif, static_cast<unsigned>(width));
    put16le(gif, static_cast<unsigned>(height));
    gif += '\0';
    gif += '\x02';  // minimum code size

    std::string stream;
    uint32_t bits = 0;
    int count = 0;
    auto emit = [&](unsigned code) {
        bits |= code << count;
        count += 3;
        while (count >= 8) {
            stream += static_cast<char>(bits & 0xff);
            bits >>= 8;
            count -= 8;
        }
    };
    int pixels = width * height;
    for (int i = 0; i < pixels; i++) {
        if (i % 2 == 0)
            emit(4);  // clear
        emit(static_cast<unsigned>((i % width / 3 + i / width / 3) % 4));
    }
    emit(5);  // end of information
    if (count > 0)
        stream += static_cast<char>(bits & 0xff);
    for (size_t at = 0; at < stream.size(); at += 255) {
        std::string block = stream.substr(at, 255);
        gif += static_cast<char>(block.size());
        gif += block;
    }
    gif += '\0';
    gif += ';';
    return gif;
}

// Unsigned 8-bit mono at 22050 Hz, as the game plays.
std::string makeWav(int samples)
{
    std::string wav = "RIFF";
    put32le(wav, static_cast<uint32_t>(36 + samples));
    wav += "WAVEfmt ";
    put32le(wav, 16);
    put16le(wav, 1);
    put16le(wav, 1);
    put32le(wav, 22050);
    put32le(wav, 22050);
    put16le(wav, 1);
    put16le(wav, 8);
    wav += "data";
    put32le(wav, static_cast<uint32_t>(samples));
    for (int i = 0; i < samples; i++)
        wav += static_cast<char>(128 + ((i / 10) % 2 ? 20 : -20));
    return wav;
}
