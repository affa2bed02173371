// A recorded match under fuzzing: whatever the bytes, the reader says what is
// wrong or gives a recording that writes back to the same bytes (or, from an
// older format, one that reads back the same).
#include "harness.h"

#include "match/match.h"

#include <string>

void fuzzReplay(const uint8_t *data, size_t size)
{
    std::string bytes(reinterpret_cast<const char *>(data), size);
    static Recording recording;
    std::string problem = decodeRecording(bytes, recording);
    if (!problem.empty())
        return;
    for (const RecordedPlay *play : {&recording.match, &recording.endScene})
        if (play->checks.size() != play->inputs.size() / RecordingCheckInterval)
            harnessFailure("a check for every 100 frames", static_cast<double>(play->checks.size()));
    if (recording.endScene.inputs.size() > EndSceneFrames)
        harnessFailure("an end scene longer than it can last", static_cast<double>(recording.endScene.inputs.size()));
    // Runs are written longest first, so only the file's own encoding reads
    // back unchanged; an older format is written anew in the current one.
    std::string written = encodeRecording(recording);
    if (bytes[8] == RecordingFormat && written != bytes)
        harnessFailure("a recording read does not write back to its bytes", static_cast<double>(size));
    static Recording again;
    if (!decodeRecording(written, again).empty() || encodeRecording(again) != written)
        harnessFailure("a recording written anew does not read back", static_cast<double>(size));
}
