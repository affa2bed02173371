// libFuzzer entry for the media harness. With ZOLTR_MEDIA_DECODERS=1 the
// files are decoded in the fuzzer's own process: the decoders' faults then
// surface as findings (run with -fork and -ignore_crashes), and each one is
// kept to be replayed through the game's guarded loaders.
#include "harness.h"

#include "shell/media_guard.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    startHarness();
    const char *decoders = getenv("ZOLTR_MEDIA_DECODERS");
    decodeMediaInProcess(decoders && strcmp(decoders, "1") == 0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzMedia(data, size);
    return 0;
}
