#include "BarLayout.h"

#include <gtest/gtest.h>

namespace {

using namespace lorvane;

TEST(PlaceBar, FlipsAboveTheCursorAtTheBottomAndStaysInsideTheMonitor)
{
    const RECT monitor{0, 0, 1920, 1080};
    struct Case {
        int x, y;
        TBarAlign align;
        RECT area;
        int left, top;
    } cases[] = {
        {800, 1050, TBarAlign::Left, monitor, 800, 841},  // taskbar: bottom edge on the cursor row
        {800, 100, TBarAlign::Left, monitor, 800, 101},   // one pixel below the cursor
        {1900, 100, TBarAlign::Left, monitor, 1687, 101}, // right edge pushed inside
        {800, 100, TBarAlign::Right, monitor, 567, 101},
        {800, 100, TBarAlign::Center, monitor, 684, 101},
        {10, 100, TBarAlign::Right, monitor, 0, 101}, // left edge pushed inside
        // A monitor left of the primary one, with negative coordinates.
        {-300, 1000, TBarAlign::Left, RECT{-1280, 0, 0, 1024}, -300, 791},
        {-10, 5, TBarAlign::Left, RECT{-1280, 0, 0, 1024}, -233, 6},
        // Taller than the area: the top wins.
        {50, 50, TBarAlign::Left, RECT{0, 0, 800, 150}, 50, 0},
    };
    for (const Case& c : cases) {
        POINT p = PlaceBar(c.x, c.y, 233, 209, c.area, c.align);
        EXPECT_EQ(p.x, c.left) << c.x << "," << c.y;
        EXPECT_EQ(p.y, c.top) << c.x << "," << c.y;
    }
}

TEST(LayoutBar, LabelOnTopBoxAtTheBottomSliderBetween)
{
    const RECT none{};
    TBarLayout l = LayoutBar(233, 209, SIZE{70, 13}, SIZE{30, 13}, 25, none, none, 8);
    ASSERT_TRUE(l.Label && l.Mute);
    EXPECT_EQ(l.Label->left, 116 - 35);
    EXPECT_EQ(l.Label->top, 4);
    EXPECT_EQ(l.Label->right - l.Label->left, 140);
    EXPECT_EQ(l.Label->bottom, 17);
    // Box: w = 30 + 16, h = max(13, 16).
    EXPECT_EQ(l.Mute->left, 116 - 23);
    EXPECT_EQ(l.Mute->top, 209 - 16 - 4);
    EXPECT_EQ(l.Mute->right - l.Mute->left, 92);
    EXPECT_EQ(l.Mute->bottom, 205);
    EXPECT_EQ(l.Bar.left, 116 - 12);
    EXPECT_EQ(l.Bar.top, 21);
    EXPECT_EQ(l.Bar.bottom - l.Bar.top, 189 - 4 - 13 - 8);
    EXPECT_EQ(l.Bar.right - l.Bar.left, 25);
    EXPECT_EQ(l.MinWidth, 8 + 70);
    // A wide box caption decides the minimum width.
    EXPECT_EQ(LayoutBar(233, 209, SIZE{20, 13}, SIZE{60, 13}, 25, none, none, 8).MinWidth, 8 + 84);
}

TEST(LayoutBar, FailedMeasurementsKeepTheBoundsAndTheSliderNeverGoesNegative)
{
    const RECT label{10, 4, 90, 18};
    const RECT box{20, 60, 100, 76};
    TBarLayout l = LayoutBar(120, 80, std::nullopt, std::nullopt, 25, label, box, 8);
    EXPECT_FALSE(l.Label);
    EXPECT_FALSE(l.Mute);
    EXPECT_EQ(l.Bar.top, 22);
    EXPECT_EQ(l.Bar.bottom - l.Bar.top, 60 - 4 - 14 - 8);
    l = LayoutBar(120, 30, SIZE{40, 13}, SIZE{30, 20}, 25, label, box, 8);
    EXPECT_EQ(l.Bar.bottom - l.Bar.top, 0);
}

} // namespace
