// Points, rectangles, relative boxes and alignment: how every drawable object is placed
// relative to its parent, and the rectangle arithmetic that clipping and redrawing use.
#pragma once

#include <cstdint>

class GraphicalObj;

struct At {
    int32_t x = 0;
    int32_t y = 0;

    constexpr At() = default;
    constexpr At(int32_t x_, int32_t y_) : x(x_), y(y_) {}
    At move(int32_t dx, int32_t dy) const { return At(x + dx, y + dy); }
    bool operator==(const At& o) const { return x == o.x && y == o.y; }
    bool operator!=(const At& o) const { return !(*this == o); }
};

typedef int32_t Alignment;
enum : Alignment {
    ALIGN_LEFT_TOP = 0,
    ALIGN_HCENTER = 0x01,
    ALIGN_RIGHT = 0x02,
    ALIGN_VCENTER = 0x04,
    ALIGN_BOTTOM = 0x08,
    ALIGN_MIRROR_RTL = 0x10,
};

// Inclusive edges; empty when top > bottom or left > right.
struct Rect {
    At topLeft;
    At bottomRight;

    Rect() = default;
    Rect(const At& tl, const At& br) : topLeft(tl), bottomRight(br) {}
    Rect(int32_t width, int32_t height) : topLeft(0, 0), bottomRight(width - 1, height - 1) {}

    int32_t top() const { return topLeft.y; }
    int32_t left() const { return topLeft.x; }
    int32_t bottom() const { return bottomRight.y; }
    int32_t right() const { return bottomRight.x; }
    int32_t width() const { return right() - left() + 1; }
    int32_t height() const { return bottom() - top() + 1; }
    bool empty() const { return top() > bottom() || left() > right(); }

    bool pointInRect(long x, long y) const {
        return left() <= x && x <= right() && top() <= y && y <= bottom();
    }
    bool operator!=(const Rect& o) const {
        return topLeft != o.topLeft || bottomRight != o.bottomRight;
    }
    bool operator==(const Rect& o) const { return !(*this != o); }

    // 0 disjoint, 3 when [a1, a2] contains [b1, b2], 1 for any other overlap.
    static int overlaps(int32_t a1, int32_t a2, int32_t b1, int32_t b2);
    // 0 disjoint, 3 when this rectangle wholly contains other, 1 otherwise.
    int overlaps(const Rect& other) const;
    // Clips this rectangle to the common area; true when that is not empty.
    bool intersect(const Rect& other);
    // Removes other where the rest is again one rectangle; false when nothing remains.
    bool subtract(const Rect& other);
    Rect shrink(int32_t dl, int32_t dt, int32_t dr, int32_t db) const;
    Rect shrink(int32_t n) const { return shrink(n, n, -n, -n); }
    // The row at which content of that vertical alignment is anchored.
    int32_t vAlign(Alignment a) const;
};

typedef int32_t HRefType;
enum : HRefType {
    HREF_ABS = 0,
    HREF_LEFT = 1,
    HREF_LEFT_MARGIN = 2,
    HREF_CENTER = 3,
    HREF_RIGHT = 4,
    HREF_WIDTH = 5,
    HREF_RIGHT_MARGIN = 6,
};

typedef int32_t VRefType;
enum : VRefType {
    VREF_ABS = 0,
    VREF_TOP = 1,
    VREF_TOP_MARGIN = 2,
    VREF_CENTER = 3,
    VREF_BOTTOM = 4,
    VREF_HEIGHT = 5,
    VREF_LINES = 6,
};

// VREF_LINES for n lines of a font size: 6 + f + 16 * (n - 1).
constexpr VRefType vrefLines(int32_t fontSize, int32_t lines) {
    return VREF_LINES + fontSize + 16 * (lines - 1);
}

struct RefPoint {
    At at;
    HRefType hType = HREF_ABS;
    VRefType vType = VREF_ABS;

    constexpr RefPoint() = default;
    constexpr RefPoint(const At& a, HRefType h, VRefType v) : at(a), hType(h), vType(v) {}
    RefPoint move(int32_t dx, int32_t dy) const { return RefPoint(at.move(dx, dy), hType, vType); }
    // n lines of the font size that vType names, in the current alphabet; 0 below VREF_LINES.
    int32_t multiLineHeight() const;
    At getAbsPointRelativeTo(const GraphicalObj* parent, const Rect* ref) const;
};

typedef int32_t PredefinedBBoxTypes;
enum : PredefinedBBoxTypes {
    BBOX_FULL_SCREEN = 0,
    BBOX_FILL_PARENT = 1,
    BBOX_BELOW_TOP_MARGIN = 2,
    BBOX_INSET_BELOW_TOP_MARGIN = 3,
};

struct BBox {
    RefPoint start;
    RefPoint end;

    constexpr BBox() = default;
    BBox(int32_t width, int32_t height);
    BBox(const At& topLeft, int32_t width, int32_t height);
    constexpr BBox(const RefPoint& s, const RefPoint& e) : start(s), end(e) {}
    explicit BBox(const Rect& r);
    explicit BBox(PredefinedBBoxTypes t);

    Rect getAbsRectRelativeTo(const GraphicalObj* parent, const Rect* ref) const;
    int32_t width() const;
    int32_t height() const;
};

// Constant-initialised, so that static objects anywhere may copy them.
constexpr BBox PredefinedBBoxes[4] = {
    BBox(RefPoint(At(0, 0), HREF_ABS, VREF_ABS), RefPoint(At(319, 239), HREF_WIDTH, VREF_HEIGHT)),
    BBox(RefPoint(At(0, 0), HREF_LEFT, VREF_TOP), RefPoint(At(0, 0), HREF_RIGHT, VREF_BOTTOM)),
    BBox(RefPoint(At(0, 0), HREF_LEFT, VREF_TOP_MARGIN),
         RefPoint(At(0, 0), HREF_RIGHT, VREF_BOTTOM)),
    BBox(RefPoint(At(1, 1), HREF_LEFT, VREF_TOP_MARGIN),
         RefPoint(At(-1, -1), HREF_RIGHT, VREF_BOTTOM)),
};
