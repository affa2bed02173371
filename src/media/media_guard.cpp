// Media guard: decodes a media file in a forked child and rebuilds the result
// from the plain form the child writes into a memory file.
#include "media/media_guard.h"

#include "media/media.h"

#include <SDL_image.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <malloc.h>
#include <map>
#include <poll.h>
#include <string>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <vector>

// Under a sanitizer a fault in the child would run the parent's death hooks
// (a fuzzer's crash report); the child clears them. Null without a sanitizer.
extern "C" void __sanitizer_set_death_callback(void (*)(void)) __attribute__((weak));

namespace {

// A child that neither finishes nor burns CPU (a file that blocks its reader)
// is given up after this long.
constexpr int WallSeconds = 60;

using Decoder = bool (*)(const char *path, int out, std::string &error);

bool inProcess = false;
bool filesAreDecoded = false;
int cpuMillisecondsLimit = 0;
// Set by a decoder that checked a music file to its end and wrote the file
// itself back, for the game to stream: an Ogg Vorbis track takes a sixth of
// the memory its decoded samples would.
bool wroteStreamable = false;

bool writeAll(int fd, const void *data, size_t size)
{
    const char *bytes = static_cast<const char *>(data);
    while (size > 0) {
        ssize_t done = write(fd, bytes, size);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            return false;
        bytes += done;
        size -= static_cast<size_t>(done);
    }
    return true;
}

std::vector<Uint8> readAll(int fd)
{
    struct stat info;
    std::vector<Uint8> bytes;
    if (fstat(fd, &info) != 0 || info.st_size <= 0)
        return bytes;
    bytes.resize(static_cast<size_t>(info.st_size));
    size_t at = 0;
    while (at < bytes.size()) {
        ssize_t done = pread(fd, bytes.data() + at, bytes.size() - at, static_cast<off_t>(at));
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            break;
        at += static_cast<size_t>(done);
    }
    bytes.resize(at);
    return bytes;
}

long millisecondsNow()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000L + now.tv_nsec / 1000000L;
}

// A media file opened the one safe way, or -1 with the reason in `error`.
int openMediaFile(const char *path, std::string &error)
{
    int fd = openRegularFile(path, MaxMediaFileBytes, &error);
    if (fd < 0 && error.empty())
        error = std::string("Couldn't open ") + path;
    return fd;
}

// Stands in for a decoder when files are taken as decoded.
bool copyFile(const char *path, int out, std::string &error)
{
    int fd = openMediaFile(path, error);
    if (fd < 0)
        return false;
    std::vector<Uint8> bytes = readAll(fd);
    close(fd);
    return writeAll(out, bytes.data(), bytes.size());
}

[[noreturn]] void runChild(Decoder decode, const char *path, int cpuSeconds, int out, int errors, int reply,
                           pid_t parent)
{
    // A game that ends takes its decoder with it; one that ended before the
    // request was made is caught by the check of the parent.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent)
        _exit(1);
    // Library complaints go to a memory file the parent passes on only when
    // the child finished; the report of a crash is dropped with the child.
    dup2(errors, STDERR_FILENO);
    rlimit cpu = {static_cast<rlim_t>(cpuSeconds), static_cast<rlim_t>(cpuSeconds + 1)};
    setrlimit(RLIMIT_CPU, &cpu);
    rlimit core = {0, 0};
    setrlimit(RLIMIT_CORE, &core);
    for (int signal : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT, SIGXCPU, SIGPROF, SIGINT, SIGTERM})
        std::signal(signal, SIG_DFL);
    if (cpuMillisecondsLimit > 0) {
        itimerval limit = {{0, 0}, {cpuMillisecondsLimit / 1000, cpuMillisecondsLimit % 1000 * 1000}};
        setitimer(ITIMER_PROF, &limit, nullptr);
    }
    if (__sanitizer_set_death_callback)
        __sanitizer_set_death_callback(nullptr);
    std::string error;
    std::string message = decode(path, out, error) ? (wroteStreamable ? "S" : "K") : "E" + error;
    writeAll(reply, message.data(), message.size());
    _exit(0);
}

// Runs decode in a child; returns the memory file holding what it wrote, or
// -1 with the reason in SDL_GetError(). `streamable` tells whether the child
// wrote back a music file it checked to the end rather than its samples.
int decodeInChild(Decoder decode, const char *path, int cpuSeconds, bool *streamable = nullptr)
{
    wroteStreamable = false;
    if (streamable)
        *streamable = false;
    // Refused files are turned away before a child is made for them; the
    // child opens the file the same way again, so a file swapped meanwhile
    // is caught there.
    std::string refused;
    int fd = openRegularFile(path, MaxMediaFileBytes, &refused);
    if (fd >= 0)
        close(fd);
    if (!refused.empty()) {
        SDL_SetError("%s", refused.c_str());
        return -1;
    }
    int out = memfd_create("zoltr-media", MFD_CLOEXEC);
    if (filesAreDecoded)
        decode = copyFile;
    if ((inProcess || filesAreDecoded) && out >= 0) {
        std::string error;
        if (decode(path, out, error)) {
            if (streamable)
                *streamable = wroteStreamable;
            return out;
        }
        close(out);
        SDL_SetError("%s", error.c_str());
        return -1;
    }
    int errors = memfd_create("zoltr-media-errors", MFD_CLOEXEC);
    int reply[2] = {-1, -1};
    if (out < 0 || errors < 0 || pipe2(reply, O_CLOEXEC) != 0) {
        SDL_SetError("No room to decode %s", path);
        for (int fd : {out, errors, reply[0], reply[1]})
            if (fd >= 0)
                close(fd);
        return -1;
    }
    // With the audio lock held the mixer thread is outside the allocator
    // while the process is copied.
    SDL_LockAudio();
    pid_t parent = getpid();
    pid_t child = fork();
    if (child == 0)
        runChild(decode, path, cpuSeconds, out, errors, reply[1], parent);
    SDL_UnlockAudio();
    close(reply[1]);

    std::string message;
    bool late = false;
    long deadline = millisecondsNow() + WallSeconds * 1000L;
    while (child > 0) {
        pollfd wait = {reply[0], POLLIN, 0};
        long left = deadline - millisecondsNow();
        int ready = left > 0 ? poll(&wait, 1, static_cast<int>(left)) : 0;
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0) {
            late = true;
            kill(child, SIGKILL);
            break;
        }
        char piece[512];
        ssize_t got = read(reply[0], piece, sizeof piece);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        if (message.size() < 4096)
            message.append(piece, static_cast<size_t>(got));
    }
    close(reply[0]);
    int status = 0;
    while (child > 0 && waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    bool finished = child > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0 && !message.empty();
    if (finished) {
        std::vector<Uint8> said = readAll(errors);
        if (!said.empty())
            fwrite(said.data(), 1, said.size(), stderr);
    }
    close(errors);

    if (!finished || (message[0] != 'K' && message[0] != 'S')) {
        close(out);
        if (child < 0)
            SDL_SetError("No room to decode %s", path);
        else if (late || (WIFSIGNALED(status) &&
                          (WTERMSIG(status) == SIGXCPU || WTERMSIG(status) == SIGPROF || WTERMSIG(status) == SIGKILL)))
            SDL_SetError("Damaged file: decoding it did not end");
        else if (!finished)
            SDL_SetError("Damaged file: its decoder failed on it");
        else
            SDL_SetError("%s", message.c_str() + 1);
        return -1;
    }
    if (streamable)
        *streamable = message[0] == 'S';
    return out;
}

// --- pictures ---

// What the child writes: this record, the palette, then the rows of pixels.
struct PictureHeader {
    Sint32 width, height;
    Sint32 bitsPerPixel, bytesPerPixel;
    Uint32 masks[4];
    Uint32 flags;  // SDL_SRCCOLORKEY and SDL_SRCALPHA as the loader left them
    Uint32 colourKey;
    Uint32 alpha;
    Sint32 colours;  // palette entries that follow
};

bool pictureFits(long width, long height)
{
    return width >= 0 && height >= 0 && width <= MaxPictureSide && height <= MaxPictureSide &&
           width * height <= MaxPicturePixels;
}

// The GIF decoder reads on forever past the end of a file cut inside an
// extension block; such a file is refused before it is decoded. Blocks are
// walked up to the first picture, which is all the decoder reads.
bool gifExtensionsEnd(const std::vector<Uint8> &file)
{
    if (file.size() < 13 || memcmp(file.data(), "GIF8", 4) != 0)
        return true;
    size_t at = 13;
    if (file[10] & 0x80)
        at += 3u << ((file[10] & 7) + 1);
    while (at < file.size() && file[at] != ',' && file[at] != ';') {
        if (file[at++] != '!')
            continue;  // the decoder skips stray bytes
        if (++at > file.size())
            return false;
        for (;;) {
            if (at >= file.size())
                return false;
            size_t length = file[at++];
            if (length == 0)
                break;
            at += length;
        }
    }
    return true;
}

bool decodePicture(const char *path, int out, std::string &error)
{
    int fd = openMediaFile(path, error);
    if (fd < 0)
        return false;
    std::vector<Uint8> file = readAll(fd);
    close(fd);
    if (!gifExtensionsEnd(file)) {
        error = "Damaged GIF: a block is cut short";
        return false;
    }
    if (file.empty()) {
        error = "Unsupported image format";  // what the library says of a file with no bytes to test
        return false;
    }
    // The picture library guesses a few formats by the name's ending, as its own file loader does.
    const char *dot = strrchr(path, '.');
    std::string ending = dot ? dot + 1 : "";
    SDL_RWops *stream = SDL_RWFromConstMem(file.data(), static_cast<int>(file.size()));
    SDL_Surface *image = stream ? IMG_LoadTyped_RW(stream, 1, dot ? ending.data() : nullptr) : nullptr;
    if (!image) {
        error = SDL_GetError();
        return false;
    }
    if (!pictureFits(image->w, image->h)) {
        error = "Picture too large: " + std::to_string(image->w) + "x" + std::to_string(image->h);
        return false;
    }
    const SDL_PixelFormat *f = image->format;
    PictureHeader header = {image->w,
                            image->h,
                            f->BitsPerPixel,
                            f->BytesPerPixel,
                            {f->Rmask, f->Gmask, f->Bmask, f->Amask},
                            image->flags & (SDL_SRCCOLORKEY | SDL_SRCALPHA),
                            f->colorkey,
                            f->alpha,
                            f->palette ? f->palette->ncolors : 0};
    if (header.colours > 256) {
        error = "Damaged picture: a palette of " + std::to_string(header.colours) + " colours";
        return false;
    }
    bool written = writeAll(out, &header, sizeof header) &&
                   (header.colours == 0 ||
                    writeAll(out, f->palette->colors, sizeof(SDL_Color) * static_cast<size_t>(header.colours)));
    SDL_LockSurface(image);
    size_t row = static_cast<size_t>(image->w) * f->BytesPerPixel;
    for (int y = 0; written && y < image->h; y++)
        written = writeAll(out, static_cast<const Uint8 *>(image->pixels) + y * image->pitch, row);
    SDL_UnlockSurface(image);
    if (!written)
        error = "No room to decode the picture";
    return written;
}

SDL_Surface *rebuildPicture(const std::vector<Uint8> &bytes)
{
    PictureHeader header;
    if (bytes.size() < sizeof header) {
        SDL_SetError("Damaged picture");
        return nullptr;
    }
    memcpy(&header, bytes.data(), sizeof header);
    int depth = header.bytesPerPixel;
    size_t paletteBytes = sizeof(SDL_Color) * static_cast<size_t>(header.colours);
    if (!pictureFits(header.width, header.height) || depth < 1 || depth > 4 || header.bitsPerPixel > 8 * depth ||
        header.bitsPerPixel <= 8 * (depth - 1) || header.colours < 0 || header.colours > 256 ||
        (header.colours > 0) != (depth == 1) ||
        bytes.size() != sizeof header + paletteBytes + static_cast<size_t>(header.width) * header.height * depth) {
        SDL_SetError("Damaged picture");
        return nullptr;
    }
    SDL_Surface *image = SDL_CreateRGBSurface(SDL_SWSURFACE, header.width, header.height, header.bitsPerPixel,
                                              header.masks[0], header.masks[1], header.masks[2], header.masks[3]);
    if (!image)
        return nullptr;
    const Uint8 *at = bytes.data() + sizeof header;
    if (header.colours > 0) {
        // Indices past the file's own colours draw black rather than reading
        // past the palette.
        SDL_Color palette[256] = {};
        memcpy(palette, at, paletteBytes);
        SDL_SetColors(image, palette, 0, 256);
        at += paletteBytes;
    }
    SDL_LockSurface(image);
    size_t row = static_cast<size_t>(header.width) * depth;
    // A picture without width has no pixels to copy into.
    for (int y = 0; row > 0 && y < header.height; y++, at += row)
        memcpy(static_cast<Uint8 *>(image->pixels) + y * image->pitch, at, row);
    SDL_UnlockSurface(image);
    if (header.flags & SDL_SRCCOLORKEY)
        SDL_SetColorKey(image, SDL_SRCCOLORKEY, header.colourKey);
    SDL_SetAlpha(image, header.flags & SDL_SRCALPHA, static_cast<Uint8>(header.alpha));
    return image;
}

// --- sounds ---

constexpr size_t WavHeaderSize = 44;

void put16(std::string &out, unsigned v)
{
    out += static_cast<char>(v & 0xff);
    out += static_cast<char>((v >> 8) & 0xff);
}

void put32(std::string &out, Uint32 v)
{
    put16(out, v & 0xffff);
    put16(out, v >> 16);
}

// The header of a plain PCM WAV in the mixer's own format, or "" when the
// mixer is closed or its format has no plain WAV form.
std::string wavHeader(Uint32 dataBytes)
{
    int frequency = 0;
    Uint16 format = 0;
    int channels = 0;
    if (!Mix_QuerySpec(&frequency, &format, &channels) || (format != AUDIO_U8 && format != AUDIO_S16LSB))
        return "";
    unsigned bytesPerSample = format == AUDIO_U8 ? 1 : 2;
    std::string wav = "RIFF";
    put32(wav, dataBytes + 36);
    wav += "WAVEfmt ";
    put32(wav, 16);
    put16(wav, 1);
    put16(wav, static_cast<unsigned>(channels));
    put32(wav, static_cast<Uint32>(frequency));
    put32(wav, static_cast<Uint32>(frequency) * channels * bytesPerSample);
    put16(wav, channels * bytesPerSample);
    put16(wav, 8 * bytesPerSample);
    wav += "data";
    put32(wav, dataBytes);
    return wav;
}

// A WAV whose data chunk claims more than the file holds (0xFFFFFFFF is the
// usual mark of a recording of unknown length) has the claim cut to what is
// there, so that its sound plays instead of nothing.
void fitWavDataToFile(std::vector<Uint8> &file)
{
    auto at32 = [&file](size_t at) {
        return file[at] | file[at + 1] << 8 | file[at + 2] << 16 | static_cast<Uint32>(file[at + 3]) << 24;
    };
    if (file.size() < 12 || memcmp(file.data(), "RIFF", 4) != 0 || memcmp(file.data() + 8, "WAVE", 4) != 0)
        return;
    for (size_t at = 12; at + 8 <= file.size();) {
        Uint32 length = at32(at + 4);
        size_t left = file.size() - at - 8;
        if (memcmp(file.data() + at, "data", 4) == 0) {
            if (length > left) {
                for (int i = 0; i < 4; i++)
                    file[at + 4 + i] = static_cast<Uint8>(left >> (8 * i));
            }
            return;
        }
        if (length >= left)
            return;
        at += 8 + length + (length & 1);
    }
}

// The sample is decoded by the mixer's own loader, already in the mixer's
// format; the child writes it back as a plain WAV.
bool decodeSound(const char *path, int out, std::string &error)
{
    int fd = openMediaFile(path, error);
    if (fd < 0)
        return false;
    std::vector<Uint8> file = readAll(fd);
    close(fd);
    if (file.empty()) {
        error = std::string("Couldn't read ") + path;
        return false;
    }
    fitWavDataToFile(file);
    SDL_RWops *stream = SDL_RWFromConstMem(file.data(), static_cast<int>(file.size()));
    Mix_Chunk *chunk = stream ? Mix_LoadWAV_RW(stream, 1) : nullptr;
    if (!chunk) {
        error = SDL_GetError();
        return false;
    }
    if (chunk->alen > MaxSoundBytes) {
        error = "Sound too long";
        return false;
    }
    std::string header = wavHeader(chunk->alen);
    if (header.empty()) {
        error = "The mixer's format has no WAV form";
        return false;
    }
    if (!writeAll(out, header.data(), header.size()) || !writeAll(out, chunk->abuf, chunk->alen)) {
        error = "No room to decode the sound";
        return false;
    }
    return true;
}

// An Ogg Vorbis track is decoded here to its end, all of it, with the
// mixer's own decoder, then written back as it was read: the game streams
// exactly those bytes, which that decoder has been through once without harm.
// Any other music is written back decoded, as a sample is.
bool decodeMusic(const char *path, int out, std::string &error)
{
    int fd = openMediaFile(path, error);
    if (fd < 0)
        return false;
    std::vector<Uint8> file = readAll(fd);
    close(fd);
    if (file.size() < 4 || memcmp(file.data(), "OggS", 4) != 0)
        return decodeSound(path, out, error);
    SDL_RWops *stream = SDL_RWFromConstMem(file.data(), static_cast<int>(file.size()));
    Mix_Chunk *chunk = stream ? Mix_LoadWAV_RW(stream, 1) : nullptr;
    if (!chunk) {
        error = SDL_GetError();
        return false;
    }
    bool fits = chunk->alen <= MaxSoundBytes;
    // A child ends without freeing: the audio lock it would take is held by
    // the thread that forked it, which it does not have.
    if (inProcess)
        Mix_FreeChunk(chunk);
    if (!fits) {
        error = "Sound too long";
        return false;
    }
    if (!writeAll(out, file.data(), file.size())) {
        error = "No room to decode the sound";
        return false;
    }
    wroteStreamable = true;
    return true;
}

// True when a WAV of `size` bytes starting with `header` is exactly the WAV
// the child was to write.
bool isOurWav(const Uint8 *header, size_t size)
{
    if (size < WavHeaderSize || size > WavHeaderSize + MaxSoundBytes)
        return false;
    std::string expected = wavHeader(static_cast<Uint32>(size - WavHeaderSize));
    return expected.size() == WavHeaderSize && memcmp(expected.data(), header, WavHeaderSize) == 0;
}

bool isOurWav(const std::vector<Uint8> &bytes)
{
    return isOurWav(bytes.data(), bytes.size());
}

bool isOurWav(int fd)
{
    struct stat info;
    Uint8 header[WavHeaderSize];
    return fstat(fd, &info) == 0 && pread(fd, header, sizeof header, 0) == static_cast<ssize_t>(sizeof header) &&
           isOurWav(header, static_cast<size_t>(info.st_size));
}

// --- what was decoded before ---

// The same file is often named more than once (the font twice, one picture
// in several slots); it is decoded once, and a file that hangs its decoder
// costs its time limit once. Files are told apart by their whole content.
struct Decoded {
    bool ok;
    std::string error;         // SDL_GetError() text when not ok
    std::vector<Uint8> bytes;  // what the child wrote
};
constexpr size_t CacheBytes = 16 << 20;
std::map<std::string, Decoded> decodedBefore;
size_t decodedBeforeBytes = 0;

// Small regular files only; others are decoded every time.
bool contentOf(const char *path, char kind, std::string &key)
{
    int fd = openRegularFile(path, static_cast<long>(CacheBytes / 4));
    if (fd < 0)
        return false;
    std::vector<Uint8> bytes = readAll(fd);
    close(fd);
    key.assign(1, kind);
    key.append(bytes.begin(), bytes.end());
    return true;
}

// Decodes in a child, or recalls the last decode of the same content.
bool decodeOnce(Decoder decode, char kind, const char *path, int cpuSeconds, std::vector<Uint8> &bytes)
{
    std::string key;
    bool keyed = !inProcess && !filesAreDecoded && contentOf(path, kind, key);
    auto known = keyed ? decodedBefore.find(key) : decodedBefore.end();
    if (known == decodedBefore.end()) {
        Decoded result = {false, "", {}};
        int fd = decodeInChild(decode, path, cpuSeconds);
        result.ok = fd >= 0;
        if (result.ok) {
            result.bytes = readAll(fd);
            close(fd);
        } else {
            result.error = SDL_GetError();
        }
        if (!keyed)
            return (bytes = std::move(result.bytes), result.ok);
        if (decodedBeforeBytes + key.size() + result.bytes.size() > CacheBytes) {
            decodedBefore.clear();
            decodedBeforeBytes = 0;
        }
        decodedBeforeBytes += key.size() + result.bytes.size();
        known = decodedBefore.emplace(std::move(key), std::move(result)).first;
    }
    if (!known->second.ok)
        SDL_SetError("%s", known->second.error.c_str());
    bytes = known->second.bytes;
    return known->second.ok;
}

}  // namespace

void forgetDecodedMedia()
{
    decodedBefore.clear();
    decodedBeforeBytes = 0;
    malloc_trim(0);  // the pages go back to the system, not to a later allocation
}

void decodeMediaInProcess(bool decodeHere)
{
    inProcess = decodeHere;
}

void takeFilesAsDecoded(bool asDecoded)
{
    filesAreDecoded = asDecoded;
}

void limitDecodeCpu(int milliseconds)
{
    cpuMillisecondsLimit = milliseconds;
}

SDL_Surface *guardedImageLoad(const char *path)
{
    std::vector<Uint8> bytes;
    return decodeOnce(decodePicture, 'p', path, PictureCpuSeconds, bytes) ? rebuildPicture(bytes) : nullptr;
}

Mix_Chunk *guardedSampleLoad(const char *path)
{
    std::vector<Uint8> bytes;
    if (!decodeOnce(decodeSound, 's', path, SoundCpuSeconds, bytes))
        return nullptr;
    if (!isOurWav(bytes)) {
        SDL_SetError("Damaged sound");
        return nullptr;
    }
    return Mix_LoadWAV_RW(SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size())), 1);
}

// The music streams from the child's memory file during play, so the mixer
// thread only ever reads a WAV we wrote or an Ogg Vorbis file its child
// decoded to the end.
Mix_Music *guardedMusicLoad(const char *path)
{
    bool ogg = false;
    int fd = decodeInChild(decodeMusic, path, SoundCpuSeconds, &ogg);
    if (fd < 0)
        return nullptr;
    // The child's writes left the shared file offset at the end.
    FILE *file = (ogg || isOurWav(fd)) && lseek(fd, 0, SEEK_SET) == 0 ? fdopen(fd, "rb") : nullptr;
    if (!file) {
        close(fd);
        SDL_SetError("Damaged sound");
        return nullptr;
    }
    return Mix_LoadMUSType_RW(SDL_RWFromFP(file, 1), ogg ? MUS_OGG : MUS_WAV, 1);
}
