// An arena file under fuzzing, played: the first 4608 bytes are the file, each
// byte after them is one frame of both fighters' controls.
#include "harness.h"

#include "arena/arena.h"
#include "match/match.h"
#include "shell/shell.h"

#include <algorithm>
#include <cstdlib>

void fuzzArena(const uint8_t *data, size_t size)
{
    startHarness();
    installSyntheticMedia();
    static Match match;
    resetMatch(match);
    settings.Image1 = 1;
    settings.Image2 = 2;

    size_t fileBytes = std::min<size_t>(size, ArenaFileSize);
    writeBytes("arena", data, fileBytes);
    bool loaded = startLevel(match, "arena");
    // Walls and items must be there, and at least one attribute value.
    if (loaded != (fileBytes >= 2 * ArenaCells * 2 + 2))
        harnessFailure("arena load result does not follow the file size", static_cast<double>(fileBytes));

    if (loaded) {
        checkMatch(match);
        size_t frames = std::min<size_t>(size - fileBytes, FuzzArenaMaxFrames);
        for (size_t i = 0; i < frames; i++) {
            FighterInput first, second;
            decodeInputs(data[fileBytes + i], first, second);
            playMatchFrame(match, first, second);
            checkMatch(match);
        }
    }
    resetMatch(match);
}
