// Rectangles of the drawing toolkit.

#include "porta/ui/draw.h"

#include <gtest/gtest.h>

TEST(PortaRect, SetRectKeepsSizeForNegative)
{
    SDL_Rect r = {1, 2, 30, 40};
    set_rect(&r, 5, 6, -1, -1);
    EXPECT_EQ(r.x, 5);
    EXPECT_EQ(r.y, 6);
    EXPECT_EQ(r.w, 30);
    EXPECT_EQ(r.h, 40);
    set_rect(&r, 0, 0, 0, 7);
    EXPECT_EQ(r.w, 0);
    EXPECT_EQ(r.h, 7);
    set_point(&r, -3, 9);
    EXPECT_EQ(r.x, -3);
    EXPECT_EQ(r.w, 0);
}
