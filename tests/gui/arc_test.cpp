// Arcs through their pixels: cut at their end angles, and boxes and angles at their
// extremes. Ticks are pinned by the gauge reference screen. Whole rings and arcs
// cut at the screen's edges are pinned by the reference screens (arc_screen_test.cpp).
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <utility>
#include <vector>

#include "gui/arc_obj.h"
#include "tests/gui/gui_test_support.h"

namespace {
typedef std::set<std::pair<int, int>> Pixels;

// The pixels of colour c on the screen.
Pixels screenPixels(Color c = 0) {
    Pixels p;
    for (int y = 0; y < ScreenHeight; ++y)
        for (int x = 0; x < ScreenWidth; ++x)
            if (getPixel(x, y) == c) p.insert({x, y});
    return p;
}

// What the arc draws on a white screen.
Pixels drawn(ArcObj& arc, const Rect& r, bool redraw = false) {
    blankFrameBuffer();
    arc.onLayer(&theScreen.baseLayer, nullptr);
    arc._draw_(r, false, false, 15, nullptr, redraw);
    return screenPixels();
}

Pixels arcPixels(const Rect& r, long thickness, long start, long end) {
    ArcObj arc(BBox(r), thickness, start, end, 0, nullptr);
    return drawn(arc, r);
}

At onCircle(double radius, double degrees, int cx, int cy) {
    double a = degrees * M_PI / 180;
    return At(static_cast<int32_t>(std::lround(cx + radius * std::cos(a))),
              static_cast<int32_t>(std::lround(cy - radius * std::sin(a))));
}

using ArcTest = GuiTest;

// Each arc keeps to its angles, and inside them the middle of the ring is drawn throughout.
TEST_F(ArcTest, ArcsAreCutAtTheirEndAngles) {
    struct Case {
        long start, end;
        double from, to; // the angles covered
    } cases[] = {{0, 90, 0, 90},       {30, 60, 30, 60},    {100, 170, 100, 170},
                 {200, 340, 200, 340}, {350, 10, 350, 370}, {-30, 30, 330, 390},
                 {270, 450, 270, 450}, {45, 315, 45, 315},  {120, 121, 120, 121},
                 {10, 10, 0, 0},       {-90, 270, 0, 0}};
    const int cx = 160, cy = 120, radius = 60;
    const double slack = 1.5; // a pixel at this radius
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.start << ".." << c.end);
        Pixels p =
            arcPixels(R(cx - radius, cy - radius, cx + radius, cy + radius), 3, c.start, c.end);
        EXPECT_EQ(p.empty(), c.to == c.from);
        for (auto [x, y] : p) {
            double a = std::atan2(cy - y, x - cx) * 180 / M_PI;
            while (a < c.from - slack)
                a += 360;
            EXPECT_LE(a, c.to + slack) << x << "," << y;
        }
        for (double a = c.from + slack; a <= c.to - slack; a += 0.5) {
            At m = onCircle(radius - 1, a, cx, cy);
            EXPECT_TRUE(p.count({m.x, m.y})) << "misses " << a;
        }
    }
}

TEST_F(ArcTest, ExtremeBoxesAndAnglesDrawWhatTheyCanAndEnd) {
    EXPECT_TRUE(arcPixels(R(100, 100, 99, 140), 1, 0, 360).empty()); // no width
    EXPECT_TRUE(arcPixels(R(100, 100, 140, 90), 1, 0, 360).empty());
    EXPECT_EQ(arcPixels(R(50, 50, 50, 50), 1, 0, 360), Pixels({{50, 50}}));
    EXPECT_EQ(arcPixels(R(50, 50, 52, 52), 2, 0, 360),
              Pixels({{51, 50}, {50, 51}, {51, 51}, {52, 51}, {51, 52}}));
    // As thick as the radius: the inner ellipse of radius 1 leaves the centre; thicker, a disc.
    EXPECT_FALSE(arcPixels(R(140, 100, 180, 140), 20, 0, 360).count({160, 120}));
    Pixels disc = arcPixels(R(100, 60, 220, 180), 1000000, 0, 360);
    EXPECT_EQ(disc, arcPixels(R(100, 60, 220, 180), 61, 0, 360));
    EXPECT_TRUE(disc.count({160, 120}));
    EXPECT_EQ(arcPixels(R(100, 60, 220, 180), 1, 30, 30 + 2000000000L),
              arcPixels(R(100, 60, 220, 180), 1, 0, 360));
    // The largest radius still draws; one more draws nothing rather than overflow.
    EXPECT_FALSE(
        arcPixels(R(160 - 32767, 120 - 32767, 160 + 32767, 120 + 32767), 40000, 0, 360).empty());
    EXPECT_TRUE(
        arcPixels(R(160 - 32768, 120 - 32768, 160 + 32768, 120 + 32768), 40000, 0, 360).empty());
}
} // namespace
