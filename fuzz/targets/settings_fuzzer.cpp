// libFuzzer entry for the settings harness.
#include "harness.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    startHarness();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzzSettings(data, size);
    return 0;
}
