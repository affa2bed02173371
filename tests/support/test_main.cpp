// Test entry point: every test runs on SDL's dummy video and audio drivers,
// and leaks inside SDL and the libraries under it are not reported.
#include <gtest/gtest.h>

#include <cstdlib>

extern "C" const char *__lsan_default_options()
{
    return "suppressions=" ZOLTR_SOURCE_DIR "/tests/lsan.supp:print_suppressions=0";
}

extern "C" const char *__ubsan_default_options()
{
    return "print_stacktrace=1:halt_on_error=1";
}

int main(int argc, char **argv)
{
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
