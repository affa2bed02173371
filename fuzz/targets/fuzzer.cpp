// libFuzzer entry: one program per harness, chosen by ZOLTR_FUZZ_ENTRY
// (fuzzSettings, fuzzCatalogue, fuzzArena, fuzzMedia, fuzzMediaReply or fuzzReplay). With
// ZOLTR_MEDIA_DECODERS=1 the media fuzzer decodes the files in its own
// process: the decoders' faults then surface as findings (run with -fork and
// -ignore_crashes), and each one is kept to be replayed through the game's
// guarded loaders. Through the guard, a decode is stopped after 100 CPU
// milliseconds rather than the game's seconds: slow files are the guard's
// business, and at seconds each the fuzzer would spend its time on them.
#include "harness.h"

#include "media/media_guard.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    startHarness();
    const char *decoders = getenv("ZOLTR_MEDIA_DECODERS");
    decodeMediaInProcess(decoders && strcmp(decoders, "1") == 0);
    limitDecodeCpu(100);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ZOLTR_FUZZ_ENTRY(data, size);
    return 0;
}
