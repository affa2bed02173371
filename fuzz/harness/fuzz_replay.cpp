// A recorded match under fuzzing: whatever the bytes, the reader says what is
// wrong or gives a recording that writes back to the same bytes.
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
    if (recording.checks.size() != recording.inputs.size() / RecordingCheckInterval)
        harnessFailure("a check for every 100 frames", static_cast<double>(recording.checks.size()));
    // Runs are written longest first, so only the file's own encoding reads back unchanged.
    if (encodeRecording(recording) != bytes)
        harnessFailure("a recording read does not write back to its bytes", static_cast<double>(size));
}
