// Bar graphs: value to segments, segment layout, keys through the screen with live and copy
// editing, dimming, redraw economy, and a reference screen of bars of every direction at
// several values.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "gui/bar_graph.h"
#include "gui/rect_obj.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/screen_compare.h"

namespace {
class BarTest : public PaneTest {
protected:
    Data value{nullptr, nullptr, 0};
    NumericDataRef ref{&value};
    // A bar from 0 to 10 on a 100 x 10 box at (10, 10).
    std::unique_ptr<LinearBarGraph> bar(uint32_t segments, uint8_t gap, bool live = true,
                                        int width = 100) {
        auto b = std::make_unique<LinearBarGraph>(&ref, 0, 10, BBox(At(10, 10), width, 10), 15, 0,
                                                  segments, gap, 15, 12, LEFT_TO_RIGHT, live);
        pane.add(b.get());
        return b;
    }
    // Which of the bar's columns (at its middle row) are filled, as '#' and '.'.
    static std::string columns(int from, int n) {
        std::string s;
        for (int x = from; x < from + n; ++x)
            s += getPixel(x, 15) == 15 ? '.' : '#';
        return s;
    }
};

// Rounding at five per cent of a segment and the cap at the maximum are pinned by the
// reference screen.
TEST_F(BarTest, MinimumInvalidDataAndAnEmptyRange) {
    auto b = bar(10, 2);
    value.setValue(-3);
    EXPECT_EQ(b->getValueInTermsOfSegments(), 0u);
    b->minSegments = 2;
    EXPECT_EQ(b->getValueInTermsOfSegments(), 2u); // below the minimum
    b->validityMode = 1;
    value.setValue(4);
    value.setInvalid();
    EXPECT_EQ(b->getValueInTermsOfSegments(), 0u); // invalid data: an empty bar
    // A bar whose minimum is its maximum divides by nothing; once laid out its range is 1.
    LinearBarGraph flat(&ref, 5, 5, BBox(At(10, 30), 100, 10), 15, 0, 10, 2, 15, 12, LEFT_TO_RIGHT,
                        true);
    value.setValue(5.5);
    EXPECT_EQ(flat.getValueInTermsOfSegments(), 0u);
    pane.add(&flat);
    EXPECT_EQ(flat.getValueInTermsOfSegments(), 5u);
}

TEST_F(BarTest, SegmentsAreLaidOutByPitchOrDrawnContinuously) {
    // The layout by pitch is pinned by the reference screen. 10 segments with gaps do not
    // fit into 15 pixels: one segment per pixel.
    auto narrow = bar(10, 2, true, 15);
    EXPECT_EQ(std::tuple(narrow->gap, narrow->segments), std::tuple(0, 15u));
    value.setValue(6);
    EXPECT_EQ(columns(10, 16), "#########.......");
    pane.remove(narrow.get());
    // A gap wider than half the pitch is cut to it.
    auto wide = bar(5, 30, true, 50);
    EXPECT_EQ(std::tuple(wide->gap, wide->thickness), std::tuple(8, 8));
}

TEST_F(BarTest, LiveBarStepsTheDataWithArrowsAndDial) {
    value.setValue(5);
    auto b = bar(10, 2);
    b->selectability = SELECTABLE;
    pane.focus();
    EXPECT_EQ(key(ENTER), 0u);                   // activates the bar
    EXPECT_EQ(count(R(10, 10, 17, 19), 12), 80); // drawn in the active colour
    keys({UPARROW, DIALCW});
    EXPECT_EQ(value.value, 7.0);
    for (int i = 0; i < 5; ++i)
        key(RIGHTARROW);
    EXPECT_EQ(value.value, 10.0); // stops at the maximum
    EXPECT_EQ(count(R(10, 10, 109, 19), 12), 10 * 80);
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(key(i % 2 ? LEFTARROW : DIALCCW), 0u); // taken, not passed on
    EXPECT_EQ(value.value, 0.0);                         // and at the minimum
    b->minSegments = 2;
    keys({UPARROW, UPARROW, DOWNARROW});
    EXPECT_EQ(value.value, 2.0); // never below the least number of segments
    EXPECT_EQ(key(F1), F1);
    EXPECT_EQ(key(ESC), 0u);
    EXPECT_EQ(b->selectability, SELECTABLE);
    EXPECT_EQ(count(R(10, 10, 17, 19), 0), 80);
    EXPECT_EQ(pane.focusStack.tos(), nullptr); // the closing key left the pane too
}

TEST_F(BarTest, CopyIsCommittedOnCloseYesAndDroppedOnCloseNo) {
    value.setValue(4);
    auto b = bar(10, 2, false);
    b->selectability = SELECTABLE;
    for (UserEvent close : {CLOSENO, CLOSEYES}) {
        pane.focus();
        key(ENTER);
        ASSERT_TRUE(b->editingCopy());
        keys({UPARROW, UPARROW});
        EXPECT_EQ(value.value, 4.0); // the real data is untouched while editing
        EXPECT_EQ(key(ENTER), 0u);
        EXPECT_TRUE(b->editingCopy()); // until the dialog closes
        pane.handleUserEvent(close);   // what a closing plane tells its children
        EXPECT_FALSE(b->editingCopy());
        EXPECT_EQ(value.value, close == CLOSEYES ? 6.0 : 4.0);
        EXPECT_EQ(b->getValueInTermsOfSegments(), close == CLOSEYES ? 6u : 4u);
        // The reference follows the real data again.
        value.setValue(close == CLOSEYES ? 6.5 : 4.5);
        EXPECT_EQ(count(R(10, 10, 109, 19), 0), close == CLOSEYES ? 7 * 80 : 5 * 80);
        value.setValue(4);
    }
}

TEST_F(BarTest, ValueChangeWithinASegmentDrawsNothing) {
    CountingDriver counter;
    value.setValue(3);
    auto b = bar(10, 2);
    pane.driver = &counter;
    value.setValue(3.02);
    EXPECT_EQ(counter.writes, 0);
    value.setValue(4);
    EXPECT_GT(counter.writes, 0);
    pane.driver = DefaultDisplayDriver;
}

// The reference screen: bars of every kind at several values, framed and labelled.
TEST_F(BarTest, ScreenBarsAtSeveralValuesAndActive) {
    std::vector<std::unique_ptr<Data>> data;
    std::vector<std::unique_ptr<NumericDataRef>> refs;
    std::vector<std::unique_ptr<RectObj>> frames;
    std::vector<std::unique_ptr<Label>> labels;
    std::vector<std::unique_ptr<LinearBarGraph>> bars;
    auto place = [&](const Rect& r, double v, double max, uint32_t segs, uint8_t gap, Direction d,
                     Color bar, Color bg) {
        data.emplace_back(new Data(nullptr, nullptr, v));
        refs.emplace_back(new NumericDataRef(data.back().get()));
        frames.emplace_back(new RectObj(BBox(r), 0, 1, true, true, false));
        pane.add(frames.back().get());
        auto* b = new LinearBarGraph(refs.back().get(), 0, max, BBox(r.shrink(1)), 15, bar, segs,
                                     gap, bg, 12, d, true);
        bars.emplace_back(b);
        pane.add(b);
        return b;
    };
    auto label = [&](int x, int y, const char* text) {
        labels.emplace_back(new Label(BBox(At(x, y), 70, 13), text, &NormalFont));
        pane.add(labels.back().get());
    };
    const double values[] = {0, 0.04, 0.05, 3, 7.5, 10, 12};
    const char* names[] = {"0", "0.04", "0.05", "3", "7.5", "10", "12 (over)"};
    for (int i = 0; i < 7; ++i) {
        label(8, 8 + 22 * i, names[i]);
        place(R(80, 8 + 22 * i, 229, 21 + 22 * i), values[i], 10, 10, 2, LEFT_TO_RIGHT, 0, 15);
    }
    label(8, 162, "continuous");
    place(R(80, 162, 229, 175), 4, 10, 0, 0, LEFT_TO_RIGHT, 9, 15);
    label(8, 184, "right to left");
    place(R(80, 184, 229, 197), 6, 10, 20, 1, RIGHT_TO_LEFT, 0, 15);
    label(8, 206, "active");
    LinearBarGraph* active = place(R(80, 206, 229, 219), 5, 10, 10, 2, LEFT_TO_RIGHT, 0, 15);
    place(R(244, 8, 263, 151), 6, 10, 10, 3, BOTTOM_TO_TOP, 12, 15);
    place(R(272, 8, 291, 151), 3, 10, 10, 3, TOP_TO_BOTTOM, 0, 15);
    LinearBarGraph* dimmed = place(R(244, 162, 308, 175), 2, 10, 5, 2, LEFT_TO_RIGHT, 0, 15);
    dimmed->dim(true, true); // disabled, and full
    EXPECT_FALSE(dimmed->enabled);
    active->selectability = SELECTABLE;
    active->activate();
    EXPECT_TRUE(screenMatchesReference("bar_graphs"));
}
} // namespace
