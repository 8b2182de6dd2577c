// Rectangle arithmetic and relative boxes.
#include <gtest/gtest.h>

#include "gui/alphabet.h"
#include "gui/gui_language.h"
#include "tests/gui/gui_test_support.h"

namespace {

TEST(RectTest, OverlapsTellsDisjointContainedAndPartial) {
    Rect a = R(10, 10, 50, 50);
    EXPECT_EQ(a.overlaps(a), 3);
    EXPECT_EQ(a.overlaps(R(11, 10, 60, 50)), 1); // one column right, reaching past
    EXPECT_EQ(a.overlaps(R(10, 51, 50, 60)), 0); // no common row
    EXPECT_EQ(a.overlaps(R(20, 20, 30, 30)), 3);
    EXPECT_EQ(R(20, 20, 30, 30).overlaps(a), 1); // contained in, not containing
    EXPECT_EQ(a.overlaps(R(0, 0, 10, 10)), 1);   // one shared corner pixel
    EXPECT_EQ(Rect::overlaps(5, 9, 1, 4), 0);
    EXPECT_EQ(Rect::overlaps(5, 9, 1, 5), 1);
}

TEST(RectTest, IntersectClipsInPlace) {
    Rect a = R(0, 0, 99, 99);
    EXPECT_TRUE(a.intersect(R(50, -10, 150, 20)));
    EXPECT_EQ(a, R(50, 0, 99, 20));
    Rect b = R(0, 0, 9, 9);
    EXPECT_TRUE(!b.intersect(R(10, 0, 20, 9)) && b.empty());
}

TEST(RectTest, SubtractLeavesOneRectangleOrNothing) {
    struct {
        Rect cut, left;
    } cases[] = {
        {R(-5, -5, 49, 60), R(50, 0, 99, 49)},   // covers the left half
        {R(0, 0, 99, 9), R(0, 10, 99, 49)},      // the top rows
        {R(0, 40, 99, 70), R(0, 0, 99, 39)},     // the bottom rows
        {R(40, 10, 60, 20), R(0, 0, 99, 49)},    // a hole: unchanged
        {R(200, 200, 300, 300), R(0, 0, 99, 49)} // apart: unchanged
    };
    for (auto& c : cases) {
        Rect a = R(0, 0, 99, 49);
        EXPECT_TRUE(a.subtract(c.cut));
        EXPECT_EQ(a, c.left);
    }
    Rect g = R(10, 10, 20, 20);
    EXPECT_FALSE(g.subtract(R(0, 0, 30, 30)));
}

class Parent : public Collection {
public:
    explicit Parent(const BBox& b) : Collection(b, NOT_SELECTABLE, true) {}
    int32_t getLeftMargin() const override { return 3; }
    int32_t getRightMargin() const override { return -4; }
    int32_t getTopMargin() const override { return 12; }
};

TEST(BBoxTest, ChildBoxesAreRelativeToTheParent) {
    Parent p(BBox(At(100, 50), 101, 61)); // (100, 50)-(200, 110)
    RectObj c(BBox(At(5, 6), 10, 10), 0, 1, true, true, false);
    p.add(&c);
    EXPECT_EQ(c.getAbsRect(nullptr), R(105, 56, 114, 65));
    auto rectOf = [&](HRefType h, VRefType v, At a) {
        c.box = BBox(RefPoint(a, h, v), RefPoint(At(0, 0), HREF_WIDTH, VREF_HEIGHT));
        return c.getAbsRect(nullptr).topLeft;
    };
    EXPECT_EQ(rectOf(HREF_LEFT_MARGIN, VREF_TOP_MARGIN, At(1, 1)), At(104, 63));
    EXPECT_EQ(rectOf(HREF_CENTER, VREF_CENTER, At(0, 0)), At(150, 80));
    EXPECT_EQ(rectOf(HREF_RIGHT, VREF_BOTTOM, At(-1, -1)), At(199, 109));
    EXPECT_EQ(rectOf(HREF_RIGHT_MARGIN, VREF_ABS, At(0, 7)), At(196, 7));
    EXPECT_EQ(rectOf(HREF_ABS, VREF_TOP, At(3, 0)), At(3, 50));
    // The stock boxes.
    c.box = BBox(BBOX_FILL_PARENT);
    EXPECT_EQ(c.getAbsRect(nullptr), R(100, 50, 200, 110));
    c.box = BBox(BBOX_BELOW_TOP_MARGIN);
    EXPECT_EQ(c.getAbsRect(nullptr), R(100, 62, 200, 110));
    c.box = BBox(BBOX_INSET_BELOW_TOP_MARGIN);
    EXPECT_EQ(c.getAbsRect(nullptr), R(101, 63, 199, 109));
}

TEST(BBoxTest, MirroredChildrenUnderRightToLeftLanguage) {
    Parent p(BBox(At(0, 0), 100, 20));
    p.mirrorChildren = true;
    RectObj c(BBox(At(5, 0), 10, 5), 0, 1, true, true, false);
    p.add(&c);
    EXPECT_EQ(c.getAbsRect(nullptr), R(5, 0, 14, 4));
    CurrentRightToLeft = true;
    EXPECT_EQ(c.getAbsRect(nullptr), R(85, 0, 94, 4)); // 5 pixels from the right edge
    p.mirrorChildren = false;
    EXPECT_EQ(c.getAbsRect(nullptr), R(5, 0, 14, 4));
    CurrentRightToLeft = false;
}
} // namespace
