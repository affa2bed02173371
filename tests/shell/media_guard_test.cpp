// Damaged media through the game's loaders: files that crash, free twice or
// hang the picture and sound libraries load nothing and say why, and the
// process goes on; whole files still load.
#include "support/support.h"

#include "media/media_guard.h"

#include <fstream>
#include <iterator>
#include <unistd.h>

namespace {

enum Kind { Picture, Sample, Music };

// Overwrites bytes of `file` at `at`.
std::string patched(std::string file, size_t at, const std::string &bytes)
{
    return file.replace(at, bytes.size(), bytes);
}

// A one-row GIF whose screen and picture claim `width` pixels (two bytes, little-endian).
std::string gifClaiming(const std::string &width)
{
    return patched(patched(makeGif(4, 1), 6, width), 30, width);
}

// A kept media fuzzing finding, without its first byte (the loader choice).
std::string finding(const char *name)
{
    std::ifstream in(std::string(ZOLTR_SOURCE_DIR "/fuzz/regressions/media/") + name, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return bytes.empty() ? bytes : bytes.substr(1);
}

}  // namespace

TEST(MediaGuard, DamagedFilesLeaveTheirSlotEmptyWithAReasonAndWholeFilesLoad)
{
    ASSERT_TRUE(openHeadlessAudio());
    TempGameDir dir;
    const std::string wav = makeWav(300);
    const std::string song = makeWav(66150);  // three seconds: still playing when asked
    const std::string gif = makeGif(4, 4);
    struct Case {
        const char *name;
        std::string bytes;
        Kind kind;
        const char *reason;  // null: the file loads
    } cases[] = {
        {"good.gif", gif, Picture, nullptr},
        {"good.png", makePng(8, 8, false), Picture, nullptr},
        {"no_end_chunk.png", makePng(8, 8, false).substr(0, makePng(8, 8, false).size() - 12), Picture, nullptr},
        {"cut_in_header.gif", gif.substr(0, 8), Picture, "failed to read screen descriptor"},
        {"wide.gif", gifClaiming(std::string("\x00\x40", 2)), Picture, "Damaged file: its decoder failed on it"},
        {"large.gif", gifClaiming("\x01\x20"), Picture, "Picture too large: 8193x1"},
        {"extension_cut.gif", gif.substr(0, 25) + "!\xf9\x04\x01", Picture, "Damaged GIF: a block is cut short"},
        {"slow.gif", finding("gif_slow_28250_wide"), Picture, "Damaged file: decoding it did not end"},
        {"fifo", "", Picture, "fifo is not a regular file"},
        {"good.wav", wav, Sample, nullptr},
        {"huge.wav", wav, Sample, "huge.wav is too large"},  // made sparse below
        {"fmt_renamed.wav", patched(wav, 12, "fmu "), Sample, "Missing fmt chunk in WAVE file"},
        {"good_music.wav", song, Music, nullptr},
        {"unknown_length.wav", patched(song, 40, "\xff\xff\xff\xff"), Music, nullptr},
        {"fmt_renamed_music.wav", patched(song, 12, "fmu "), Music, "Missing fmt chunk in WAVE file"},
        {"no_data_music.wav", wav.substr(0, 36) + "LIST\x08\x00\x00\x00INFOabcd", Music,
         "Missing data chunk in WAVE file"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        if (std::string(c.name) == "fifo")
            ASSERT_EQ(mkfifo(c.name, 0600), 0);
        else
            writeFile(c.name, c.bytes);
        if (std::string(c.name) == "huge.wav") {
            ASSERT_EQ(truncate(c.name, MaxMediaFileBytes + 1), 0);
        }
        SDL_SetError("no reason");
        bool loaded = false;
        switch (c.kind) {
        case Picture:
            if (SDL_Surface *image = guardedImageLoad(c.name)) {
                loaded = true;
                SDL_FreeSurface(image);
            }
            break;
        case Sample:
            if (Mix_Chunk *chunk = guardedSampleLoad(c.name)) {
                loaded = Mix_PlayChannelTimed(0, chunk, 0, -1) == 0;
                Mix_HaltChannel(0);
                Mix_FreeChunk(chunk);
            }
            break;
        case Music:
            if (Mix_Music *music = guardedMusicLoad(c.name)) {
                // Paused, the device plays nothing: the answer cannot depend on how
                // long a busy machine stalls this thread while the mixer plays on.
                SDL_PauseAudio(1);
                loaded = Mix_PlayMusic(music, 0) == 0 && Mix_PlayingMusic();
                Mix_HaltMusic();
                SDL_PauseAudio(0);
                Mix_FreeMusic(music);
            }
            break;
        }
        EXPECT_EQ(loaded, c.reason == nullptr) << SDL_GetError();
        if (c.reason) {
            EXPECT_STREQ(SDL_GetError(), c.reason);
        }
    }
}

// A game killed while a picture decodes leaves no decoder behind to finish it.
TEST(MediaGuard, DecoderEndsWithItsGame)
{
    TempGameDir dir;
    writeFile("slow.gif", finding("gif_slow_28250_wide"));
    pid_t game = fork();
    if (game == 0) {
        guardedImageLoad("slow.gif");
        _exit(0);
    }
    std::string children = "/proc/" + std::to_string(game) + "/task/" + std::to_string(game) + "/children";
    pid_t decoder = 0;
    for (int i = 0; i < 200 && decoder == 0; i++) {
        usleep(10000);
        std::ifstream(children) >> decoder;
    }
    ASSERT_GT(decoder, 0);
    kill(game, SIGKILL);
    waitpid(game, nullptr, 0);
    // Dead is gone or a zombie waiting for whoever adopted it.
    auto alive = [decoder] {
        std::ifstream stat("/proc/" + std::to_string(decoder) + "/stat");
        std::string pid, name, state;
        return static_cast<bool>(stat >> pid >> name >> state) && state != "Z";
    };
    for (int i = 0; i < 50 && alive(); i++)
        usleep(10000);
    EXPECT_FALSE(alive());
}
