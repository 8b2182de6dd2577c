// Arcs through their pixels: rings closed and within their radii, cut at their end angles,
// clipped at the screen's edges without wrapping, ticks on their rays, and the recorded
// spans of the cache modes.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <utility>
#include <vector>

#include "gui/arc_obj.h"
#include "tests/gui/gui_test_support.h"

namespace {
typedef std::set<std::pair<int, int>> Pixels;

class ArcTest : public GuiTest {
protected:
    static void drawOn(ArcObj& arc, const Rect& r, bool redraw = false) {
        arc.onLayer(&theScreen.baseLayer, nullptr);
        arc._draw_(r, false, false, 15, nullptr, redraw);
    }
    // The pixels of the arc on a white screen.
    static Pixels arcPixels(const Rect& r, long thickness, long start, long end) {
        blankFrameBuffer();
        ArcObj arc(BBox(r), thickness, start, end, 0, nullptr);
        drawOn(arc, r);
        return screenPixels(0);
    }
    static Pixels screenPixels(Color c) {
        Pixels p;
        for (int y = 0; y < ScreenHeight; ++y)
            for (int x = 0; x < ScreenWidth; ++x)
                if (getPixel(x, y) == c) p.insert({x, y});
        return p;
    }
    static Pixels shifted(const Pixels& p, int dx, int dy) {
        Pixels out;
        for (auto [x, y] : p)
            if (x + dx >= 0 && x + dx < ScreenWidth && y + dy >= 0 && y + dy < ScreenHeight)
                out.insert({x + dx, y + dy});
        return out;
    }
    // How many pixels of p are 8-connected to its first one.
    static size_t reachable(const Pixels& p) {
        if (p.empty()) return 0;
        Pixels seen{*p.begin()};
        std::vector<std::pair<int, int>> todo{*p.begin()};
        while (!todo.empty()) {
            auto [x, y] = todo.back();
            todo.pop_back();
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    if (p.count({x + dx, y + dy}) && seen.insert({x + dx, y + dy}).second)
                        todo.push_back({x + dx, y + dy});
        }
        return seen.size();
    }
    // Polar angle of a pixel around (cx, cy) in degrees, 0 to 360, y up.
    static double angleOf(int x, int y, int cx, int cy) {
        double a = std::atan2(cy - y, x - cx) * 180 / M_PI;
        return a < 0 ? a + 360 : a;
    }
};

TEST_F(ArcTest, TangentTableIsRoundedSixteenDotSixteen) {
    for (int i = 0; i < 45; ++i)
        EXPECT_EQ(ArcObj::tan0_44[i], std::lround(std::tan(i * M_PI / 180) * 65536)) << i;
}

// Whole circles: every pixel lies on the ring, the ring is one closed curve (every pixel
// has two neighbours or more, all connected), thick rings have no hole at any angle, and
// the four quadrant pieces mirror each other exactly.
TEST_F(ArcTest, FullCirclesAreClosedRingsWithinTheirRadii) {
    struct Case {
        int radius;
        long thickness;
    } cases[] = {{4, 1}, {10, 1}, {20, 1}, {20, 5}, {50, 12}, {60, 2}, {100, 1}};
    const int cx = 160, cy = 120;
    for (const Case& c : cases) {
        Pixels p = arcPixels(R(cx - c.radius, cy - c.radius, cx + c.radius, cy + c.radius),
                             c.thickness, 0, 360);
        for (auto [x, y] : p) {
            double d = std::hypot(x - cx, y - cy);
            EXPECT_LE(d, c.radius + 0.5) << c.radius << " at " << x << "," << y;
            EXPECT_GE(d, c.radius - c.thickness + 0.5) << c.radius << " at " << x << "," << y;
            EXPECT_TRUE(p.count({2 * cx - x, y}) && p.count({x, 2 * cy - y}));
            int neighbours = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    neighbours += (dx != 0 || dy != 0) && p.count({x + dx, y + dy});
            EXPECT_GE(neighbours, 2) << c.radius << " has an open end at " << x << "," << y;
        }
        EXPECT_EQ(reachable(p), p.size()) << c.radius;
        if (c.thickness == 1) continue;
        double mid = c.radius - (c.thickness - 1) / 2.0;
        for (int a = 0; a < 360; ++a) {
            int x = static_cast<int>(std::lround(cx + mid * std::cos(a * M_PI / 180)));
            int y = static_cast<int>(std::lround(cy - mid * std::sin(a * M_PI / 180)));
            EXPECT_TRUE(p.count({x, y})) << "hole at " << a << " degrees, radius " << c.radius;
        }
    }
}

TEST_F(ArcTest, ThickRingsFillTheirTopRowsFromTheCentreLine) {
    Pixels p = arcPixels(R(140, 100, 180, 140), 5, 0, 360); // radius 20 around (160, 120)
    for (int y : {100, 101, 102, 103, 104, 136, 137, 138, 139, 140}) {
        int x = 160;
        while (p.count({x + 1, y}))
            ++x;
        EXPECT_GT(x, 160) << y;
        EXPECT_TRUE(p.count({320 - x, y}) && !p.count({x + 1, y}) && !p.count({320 - x - 1, y}));
        for (int i = 320 - x; i <= x; ++i)
            EXPECT_TRUE(p.count({i, y})) << i << "," << y;
    }
    EXPECT_FALSE(p.count({160, 105}));
    EXPECT_FALSE(p.count({160, 135}));
}

// Each arc keeps to its angles, and inside them the middle of the ring is drawn throughout.
TEST_F(ArcTest, ArcsAreCutAtTheirEndAngles) {
    struct Case {
        long start, end;
        double from, to; // the angles covered, degrees
    } cases[] = {{0, 90, 0, 90},       {30, 60, 30, 60},    {100, 170, 100, 170},
                 {200, 340, 200, 340}, {350, 10, 350, 370}, {-30, 30, 330, 390},
                 {270, 450, 270, 450}, {45, 315, 45, 315},  {120, 121, 120, 121},
                 {10, 10, 0, 0}};
    const int cx = 160, cy = 120, radius = 60;
    for (const Case& c : cases) {
        Pixels p =
            arcPixels(R(cx - radius, cy - radius, cx + radius, cy + radius), 3, c.start, c.end);
        const double slack = 1.5; // a pixel at this radius
        for (auto [x, y] : p) {
            double a = angleOf(x, y, cx, cy);
            if (a < c.from - slack) a += 360;
            EXPECT_TRUE(a >= c.from - slack && a <= c.to + slack)
                << c.start << ".." << c.end << " drew " << x << "," << y << " at " << a;
        }
        for (double a = c.from + slack; a <= c.to - slack; a += 0.5) {
            int x = static_cast<int>(std::lround(cx + (radius - 1) * std::cos(a * M_PI / 180)));
            int y = static_cast<int>(std::lround(cy - (radius - 1) * std::sin(a * M_PI / 180)));
            EXPECT_TRUE(p.count({x, y})) << c.start << ".." << c.end << " misses " << a;
        }
        if (c.to == c.from) {
            EXPECT_TRUE(p.empty());
        }
    }
}

TEST_F(ArcTest, AnArcAcrossZeroIsSymmetricAboutTheHorizontal) {
    Pixels p = arcPixels(R(140, 100, 180, 140), 1, 350, 10);
    ASSERT_FALSE(p.empty());
    for (auto [x, y] : p)
        EXPECT_TRUE(p.count({x, 240 - y})) << x << "," << y;
}

// Parts beyond the screen's edges are cut off, never wrapped onto the other side.
TEST_F(ArcTest, ArcsAreClippedAtTheScreenEdges) {
    const Rect onScreen = R(100, 80, 180, 160);
    Pixels whole = arcPixels(onScreen, 4, 0, 360);
    struct Case {
        int dx, dy;
    } cases[] = {{-140, 0}, {179, 0}, {0, -120}, {0, 119}, {-150, -130}, {-400, 0}, {0, 300}};
    for (const Case& c : cases) {
        Rect moved(onScreen.topLeft.move(c.dx, c.dy), onScreen.bottomRight.move(c.dx, c.dy));
        EXPECT_EQ(arcPixels(moved, 4, 0, 360), shifted(whole, c.dx, c.dy)) << c.dx << "," << c.dy;
    }
}

TEST_F(ArcTest, PointsOnTheEllipseLieOnTheirRay) {
    const long rx = 40, ry = 20, cx = 100, cy = 100;
    for (long a : {0L, 10L, 30L, 45L, 60L, 90L, 120L, 200L, 270L, 300L, 359L, 360L, -60L, 725L}) {
        double r = a * M_PI / 180;
        double d = rx * ry / std::hypot(ry * std::cos(r), rx * std::sin(r));
        At p = ArcObj::ptOnEllipse(rx, ry, a, cx, cy);
        EXPECT_NEAR(p.x, cx + d * std::cos(r), 1.0) << a;
        EXPECT_NEAR(p.y, cy - d * std::sin(r), 1.0) << a;
    }
}

TEST_F(ArcTest, TicksRunRadiallyOutsideTheRingAndOnlyOnDrawing) {
    const Rect r = R(110, 70, 210, 170); // radius 50 around (160, 120)
    ArcObj arc(BBox(r), 3, 0, 180, 0, nullptr);
    arc.setupTicks(4);
    arc.setupTicks(9); // before the layout a later call wins
    theScreen.baseLayer.fillRect(0, 0, 320, 240, 1);
    drawOn(arc, r, true);
    EXPECT_EQ(screenPixels(15).size(), 0u);
    ASSERT_EQ(arc.tickCount, 10u);
    arc.setupTicks(2); // laid out: no change
    drawOn(arc, r);
    ASSERT_EQ(arc.tickCount, 10u);
    for (uint32_t i = 0; i < arc.tickCount; ++i) {
        double a = i == 0 ? 1 : i == 9 ? 179 : 20.0 * i;
        double c = std::cos(a * M_PI / 180), s = std::sin(a * M_PI / 180);
        EXPECT_NEAR(arc.ticks[i].from.x, 160 + 52 * c, 1.0) << i;
        EXPECT_NEAR(arc.ticks[i].from.y, 120 - 52 * s, 1.0) << i;
        EXPECT_NEAR(arc.ticks[i].to.x, 160 + 58 * c, 1.0) << i;
        EXPECT_NEAR(arc.ticks[i].to.y, 120 - 58 * s, 1.0) << i;
        EXPECT_EQ(getPixel(arc.ticks[i].from.x, arc.ticks[i].from.y), 15);
        EXPECT_EQ(getPixel(arc.ticks[i].to.x, arc.ticks[i].to.y), 15);
    }
}

TEST_F(ArcTest, RecordedSpansAreDrawnAgainUntilTheHeightChanges) {
    const Rect r = R(100, 60, 220, 180);
    Pixels quarter = arcPixels(r, 6, 10, 80);
    blankFrameBuffer();
    ArcObj arc(BBox(r), 6, 10, 80, 0, nullptr);
    arc.cacheMode = 1;
    drawOn(arc, r);
    EXPECT_EQ(arc.cacheMode, 2);
    EXPECT_EQ(screenPixels(0), quarter);
    // From the record: the angles are no longer consulted.
    arc.startAngle = 40;
    blankFrameBuffer();
    drawOn(arc, r);
    EXPECT_EQ(screenPixels(0), quarter);
    arc.setHeight(121);
    EXPECT_EQ(arc.cacheMode, 1);
    EXPECT_FALSE(arc.laidOut);
    blankFrameBuffer();
    drawOn(arc, r);
    EXPECT_EQ(screenPixels(0), arcPixels(r, 6, 40, 80));
}

TEST_F(ArcTest, RowsAboveMinYAreNotDrawn) {
    const Rect r = R(100, 60, 220, 180);
    Pixels whole = arcPixels(r, 3, 0, 360);
    blankFrameBuffer();
    ArcObj arc(BBox(r), 3, 0, 360, 0, nullptr);
    arc.minY = 100;
    drawOn(arc, r);
    Pixels expected;
    for (auto p : whole)
        if (p.second >= 100) expected.insert(p);
    EXPECT_EQ(screenPixels(0), expected);
}

// A table large enough is used as given; a smaller one is left alone.
TEST_F(ArcTest, SharedSpanTablesAreUsedOnlyWhenLargeEnough) {
    const Rect r = R(100, 60, 180, 140); // radius 40: 41 rows
    Pixels own = arcPixels(r, 2, 0, 360);
    ArcObj::ArcSpan rows[41] = {};
    ArcObj::ArcSpan small[3] = {};
    ArcObj::ArcCache shared = {rows, 41}, tooSmall = {small, 3};
    for (ArcObj::ArcCache* cache : {&shared, &tooSmall}) {
        blankFrameBuffer();
        ArcObj a(BBox(r), 2, 0, 360, 0, cache), b(BBox(r), 2, 0, 360, 0, cache);
        drawOn(a, r);
        drawOn(b, r);
        EXPECT_EQ(screenPixels(0), own);
    }
    // The centre row of the quadrant: the ring from the inner radius to the outer.
    EXPECT_EQ(rows[40].first, 39);
    EXPECT_EQ(rows[40].second, 40);
    EXPECT_EQ(small[0].first, 0);
    EXPECT_EQ(small[0].second, 0);
}

TEST_F(ArcTest, DegenerateArcsDrawNothingOrStayBounded) {
    EXPECT_TRUE(arcPixels(R(100, 100, 99, 140), 1, 0, 360).empty()); // no width
    EXPECT_TRUE(arcPixels(R(100, 100, 140, 90), 1, 0, 360).empty());
    EXPECT_EQ(arcPixels(R(100, 60, 220, 180), 1, 30, 30 + 2000000000L),
              arcPixels(R(100, 60, 220, 180), 1, 0, 360));
    // A one-pixel box is one pixel; a ring as thick as the circle is wide, a disc.
    EXPECT_EQ(arcPixels(R(50, 50, 50, 50), 1, 0, 360), Pixels({{50, 50}}));
    EXPECT_EQ(arcPixels(R(50, 50, 51, 51), 1, 0, 360), Pixels({{50, 50}}));
    EXPECT_EQ(arcPixels(R(50, 50, 52, 52), 2, 0, 360),
              Pixels({{51, 50}, {50, 51}, {51, 51}, {52, 51}, {51, 52}}));
    // A ring thicker than the ellipse is a filled ellipse.
    Pixels disc = arcPixels(R(100, 60, 220, 180), 1000000, 0, 360);
    EXPECT_EQ(disc, arcPixels(R(100, 60, 220, 180), 61, 0, 360));
    EXPECT_TRUE(disc.count({160, 120}));
    // A box far larger than the screen draws only what falls on it.
    EXPECT_NO_FATAL_FAILURE(arcPixels(R(-30000, -30000, 30000, 30000), 40000, 0, 360));
}
} // namespace
