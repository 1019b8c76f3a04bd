// The marquee of long rows: the step every tenth drawing and the wrap.

#include "porta/base/timers.h"

#include <gtest/gtest.h>

TEST(PortaMarquee, ScrollsTenPixelsEveryTenDrawingsAndWraps)
{
    ScrollState s;
    SDL_Rect r[2];
    int second = -1;
    const int W = 300, M = 200, H = 20;
    // Nine drawings stay at the start.
    for (int i = 0; i < 9; i++) {
        ASSERT_EQ(marquee_step(&s, W, M, H, r, &second), 1);
        EXPECT_EQ(r[0].x, 0);
        EXPECT_EQ(r[0].w, M);
    }
    // The tenth moves 10 pixels.
    ASSERT_EQ(marquee_step(&s, W, M, H, r, &second), 1);
    EXPECT_EQ(s.offset.load(), 10);
    EXPECT_EQ(r[0].x, 10);
    EXPECT_EQ(r[0].w, M);
    EXPECT_EQ(r[0].h, H);

    // o + M == W: still one piece.
    s.offset = 100;
    s.step = 0;
    ASSERT_EQ(marquee_step(&s, W, M, H, r, &second), 1);
    EXPECT_EQ(r[0].x, 100);
    EXPECT_EQ(r[0].w, 200);

    // o < W < o + M: the end, then the start after the gap.
    s.offset = 150;
    s.step = 0;
    ASSERT_EQ(marquee_step(&s, W, M, H, r, &second), 2);
    EXPECT_EQ(r[0].x, 150);
    EXPECT_EQ(r[0].w, 150);
    EXPECT_EQ(r[1].x, 0);
    EXPECT_EQ(r[1].w, 50);
    EXPECT_EQ(second, 150);

    // o >= W: back to the start.
    s.offset = 290;
    s.step = 9;
    ASSERT_EQ(marquee_step(&s, W, M, H, r, &second), 1);
    EXPECT_EQ(s.offset.load(), 0);
    EXPECT_EQ(r[0].x, 0);
    EXPECT_EQ(r[0].w, M);
}
