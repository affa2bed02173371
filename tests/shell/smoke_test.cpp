#include "support/support.h"
#include "shell/shell.h"

#include <gtest/gtest.h>

TEST(Smoke, HeadlessScreenOpens)
{
    initHeadlessScreen();
    EXPECT_EQ(screen->w, 640);
    EXPECT_EQ(screen->h, 480);
}
