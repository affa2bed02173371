// libFuzzer entry for the arena harness.
#include "harness.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    startHarness();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzArena(data, size);
    return 0;
}
