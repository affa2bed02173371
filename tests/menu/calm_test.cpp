// After a match the menu ignores input for a moment, also when the tick
// counter wraps meanwhile (after 49 days) or already stands near its end.
#include "menu/menu.h"

#include <gtest/gtest.h>

TEST(MenuCalm, LastsHalfASecondAcrossTheTickWrap)
{
    const Uint32 end = 0xffffffffu;
    const struct {
        Uint32 until, now;
        bool calm;
    } cases[] = {{1500, 1000, true},     {1500, 1500, false}, {1500, 1600, false},    {end - 100, end - 300, true},
                 {200, end - 200, true}, {200, 300, false},   {end - 100, 50, false}, {0, 3000000000u, false}};
    for (const auto &c : cases) {
        Menu menu{};
        menu.calmUntil = c.until;
        EXPECT_EQ(menuIsCalm(menu, c.now), c.calm) << c.until << " " << c.now;
    }
}
