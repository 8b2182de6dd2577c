// Arcs compared pixel for pixel with committed reference images: whole ellipses, quarter
// and three-quarter arcs at several thicknesses, a gauge with ticks, and a start-up script
// that draws with arc records.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/application_task.h"
#include "core/framework.h"
#include "gui/arc_obj.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/program_runner.h"
#include "tests/support/screen_compare.h"
#include "tests/support/test_application.h"

namespace {
using ArcScreenTest = GuiTest;

// A full-screen pane of arcs, shown once they are all added.
class ArcPane : public TestPane {
public:
    explicit ArcPane(Color background = 15) : TestPane(BBox(R(0, 0, 319, 239)), background) {}
    void arc(const Rect& r, long thickness, long start, long end, Color c,
             unsigned long ticks = 0) {
        arcs.emplace_back(new ArcObj(BBox(r), thickness, start, end, c, nullptr));
        if (ticks != 0) arcs.back()->setupTicks(ticks);
        add(arcs.back().get());
    }
    void show() { theScreen.addLayer(this, nullptr, false); }
    std::vector<std::unique_ptr<ArcObj>> arcs;
};

TEST_F(ArcScreenTest, FullEllipses) {
    ArcPane p;
    p.arc(R(10, 10, 30, 30), 1, 0, 360, 0);       // circle of radius 10
    p.arc(R(40, 14, 48, 22), 1, 0, 360, 0);       // radius 4
    p.arc(R(58, 10, 178, 70), 1, 0, 360, 12);     // wide ellipse
    p.arc(R(188, 10, 228, 110), 1, 0, 360, 9);    // tall ellipse
    p.arc(R(240, 10, 310, 80), 3, 0, 360, 0);     // circle, thickness 3
    p.arc(R(10, 80, 110, 180), 6, 0, 360, 12);    // circle, thickness 6
    p.arc(R(120, 115, 310, 175), 10, 0, 360, 9);  // ellipse, thickness 10
    p.arc(R(130, 185, 230, 235), 36, 0, 360, 7);  // thicker than the half-height: a disc
    p.arc(R(250, 185, 300, 235), 2, -90, 180, 0); // negative start, three quarters
    p.arc(R(10, 190, 50, 230), 1, 0, 360, 0);
    p.arc(R(60, 190, 110, 230), 4, 0, 360, 0);
    p.show();
    EXPECT_TRUE(screenMatchesReference("arcs_full_ellipses"));
}

TEST_F(ArcScreenTest, QuarterAndThreeQuarterArcs) {
    ArcPane p;
    const long thicknesses[3] = {1, 4, 10};
    const Color colours[4] = {0, 12, 9, 7};
    for (int t = 0; t < 3; ++t) {
        int y = 6 + 58 * t;
        long w = thicknesses[t];
        // Four quarters of one ellipse, each in its own colour, meet without gaps.
        for (int q = 0; q < 4; ++q)
            p.arc(R(8, y, 78, y + 50), w, 90 * q, 90 * q + 90, colours[q]);
        p.arc(R(86, y, 156, y + 50), w, 45, 135, 0); // across a quadrant seam
        p.arc(R(164, y, 234, y + 50), w, 225, 315, 12);
        p.arc(R(242, y, 312, y + 50), w, 135, 405, 9); // three quarters
    }
    p.arc(R(8, 180, 78, 234), 2, 45, 315, 0);
    p.arc(R(86, 180, 156, 234), 6, 200, 110, 12); // end below start: across 0 degrees
    p.arc(R(164, 180, 234, 234), 12, 300, 570, 9);
    p.arc(R(242, 180, 312, 234), 4, 350, 10, 0); // two pieces, 350 to 360 and 360 to 370
    p.show();
    EXPECT_TRUE(screenMatchesReference("arcs_quarter_and_three_quarter"));
}

TEST_F(ArcScreenTest, GaugeWithTicks) {
    ArcPane p(1); // ticks are white: the gauges stand on a dark face
    p.arc(R(20, 20, 180, 180), 8, -45, 225, 9, 10);
    p.arc(R(200, 30, 300, 130), 3, 0, 180, 12, 4);
    p.arc(R(200, 160, 300, 220), 1, 30, 150, 15, 6);
    p.arc(R(60, 190, 140, 230), 5, 180, 360, 7, 2);
    p.show();
    EXPECT_TRUE(screenMatchesReference("arcs_with_ticks"));
}

// Builds a start-up script record by record.
std::string record(uint16_t cmd, std::initializer_list<uint16_t> words) {
    std::string r{static_cast<char>(cmd & 0xFF), static_cast<char>(cmd >> 8)};
    uint32_t len = static_cast<uint32_t>(2 * words.size());
    for (int i = 0; i < 4; ++i)
        r += static_cast<char>((len >> (8 * i)) & 0xFF);
    for (uint16_t w : words)
        r += std::string{static_cast<char>(w & 0xFF), static_cast<char>(w >> 8)};
    return r;
}

TEST_F(ArcScreenTest, StartupScriptArcRecords) {
    installTestApplication();
    std::string path = makeTempDir() + "/startupScript";
    const uint16_t v = 10000; // script variable 0: the spinner's start angle
    std::string s =
        record(4, {0, 0, 320, 240, 15}) + record(4, {40, 40, 240, 160, 12}) +
        record(12, {60, 50, 200, 140, 6, 0, 360, 15}) +
        record(12, {90, 70, 140, 100, 2, 30, 300, 9}) +
        // Eight segments of a spinner, 45 degrees apart.
        record(10, {v, 0, 315, 45}) + record(12, {130, 90, 60, 60, 8, v, 30, 0}) + record(11, {}) +
        // Partly off the screen: cut, never wrapped.
        record(12, {280, 200, 100, 100, 4, 90, 270, 9}) +
        // Not 16 bytes: skipped whole, drawing nothing.
        record(12, {0, 0, 320, 240, 50, 0, 360, 0, 0}) + record(12, {0, 0, 320, 240, 50, 0, 360}) +
        // A start angle above one turn is taken modulo 360.
        record(12, {10, 10, 24, 24, 3, 720 + 45, 270, 0}) + record(0, {});
    writeFile(path, s);
    StartupScriptFileName = path.c_str();
    EXPECT_EQ(theApplication->paceStartup(false), 0u);
    EXPECT_TRUE(screenMatchesReference("startup_script_arcs"));
}
} // namespace
