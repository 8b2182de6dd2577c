// Arcs rasterised with integer arithmetic: a quadrant of the ring traced once into a span
// table, cut at the end angles by row intercepts from a 16.16 tangent table, and drawn as
// horizontal lines, each quadrant piece mirrored into place.
#include "gui/arc_obj.h"

#include <cmath>

#include "gui/layer.h"
#include "platform/display.h"

namespace {
// Radii beyond this draw nothing; it keeps the tracing arithmetic far from overflow and
// covers every box a 16-bit size can give.
constexpr int64_t MaxRadius = 32767;
// Tick marks run radially from just outside the ring outwards.
constexpr long TickInnerGap = 2;
constexpr long TickOuterGap = 8;
constexpr Color TickColor = 15;
// More ticks than degrees would only overlap.
constexpr unsigned long MaxTicks = 360;
// A row no point of the ellipse reaches stays empty.
constexpr ArcObj::ArcSpan EmptyRow = {320, 0};

// x of the ray at angle degrees (1 to 89) on the row at height y: y / tan(angle), rounded.
int64_t xIntercept(int64_t y, int64_t angle) {
    if (angle == 45) return y;
    if (angle < 45) {
        uint64_t t = ArcObj::tan0_44[angle];
        return static_cast<int64_t>((static_cast<uint64_t>(y) * 65536 + t / 2) / t);
    }
    uint64_t t = ArcObj::tan0_44[90 - angle];
    return static_cast<int64_t>((static_cast<uint64_t>(y) * t + 32768) >> 16);
}

// The point of the ellipse on the ray at a degrees, 0 to 45, truncated toward zero.
void ptOnEllipse_0_45(long rx, long ry, long a, long& x, long& y) {
    double t = a == 45 ? 1.0 : ArcObj::tan0_44[a] / 65536.0;
    double d = std::sqrt(static_cast<double>(ry) * ry + static_cast<double>(rx) * rx * t * t);
    double px = d == 0 ? 0 : static_cast<double>(rx) * ry / d;
    x = static_cast<long>(px);
    y = static_cast<long>(px * t);
}
} // namespace

const uint32_t ArcObj::tan0_44[45] = {
    0,     1144,  2289,  3435,  4583,  5734,  6888,  8047,  9210,  10380, 11556, 12739,
    13930, 15130, 16340, 17560, 18792, 20036, 21294, 22566, 23853, 25157, 26478, 27818,
    29179, 30560, 31964, 33392, 34846, 36327, 37837, 39378, 40951, 42560, 44205, 45889,
    47615, 49385, 51202, 53070, 54991, 56970, 59009, 61113, 63287};

ArcObj::ArcObj(const BBox& b, long t, long start, long end, Color colour, ArcCache* s)
    : RectObj(b, colour, t, true, true, false), spans(s), startAngle(static_cast<int32_t>(start)),
      endAngle(static_cast<int32_t>(end)) {}

ArcObj::~ArcObj() {
    delete[] ownSpans.rows;
    delete[] ticks;
}

void ArcObj::setHeight(long h) {
    if (box.end.vType == VREF_HEIGHT)
        box.end.at.y = static_cast<int32_t>(h - 1);
    else
        box.end.at.y = static_cast<int32_t>(box.start.at.y + h - 1);
    laidOut = false;
    if (cacheMode != 0) cacheMode = 1;
}

void ArcObj::setupTicks(unsigned long n) {
    if (ticks != nullptr || n == 0) return;
    tickCount = static_cast<uint32_t>((n < MaxTicks ? n : MaxTicks) + 1);
}

ArcObj::ArcSpan* ArcObj::spanRows(int32_t rows) {
    if (spans != nullptr && spans->rows != nullptr && spans->count >= rows) return spans->rows;
    if (ownSpans.count < rows) {
        delete[] ownSpans.rows;
        ownSpans.rows = new ArcSpan[rows];
        ownSpans.count = rows;
    }
    return ownSpans.rows;
}

void ArcObj::ctorFinish(const Rect& r) {
    radiusX = (r.right() - r.left()) / 2;
    radiusY = (r.bottom() - r.top()) / 2;
    laidOut = true;
    table = nullptr;
    if (r.empty() || radiusX > MaxRadius || radiusY > MaxRadius) return;
    table = spanRows(radiusY + 1);
    for (int32_t i = 0; i <= radiusY; ++i)
        table[i] = EmptyRow;
    setupEllipse(radiusX, radiusY, false);
    if (thickness > 1) {
        // A ring thicker than the ellipse is wide fills to the centre either way.
        long widest = radiusX > radiusY ? radiusX : radiusY;
        long t = thickness < widest + 1 ? thickness : widest + 1;
        setupEllipse(radiusX - t + 1, radiusY - t + 1, true);
        for (long i = 0; i < t && i <= radiusY; ++i)
            table[i].first = 0;
    }
    if (tickCount != 0) {
        if (ticks == nullptr) ticks = new TickCache[tickCount];
        long cx = (r.left() + r.right()) / 2, cy = (r.top() + r.bottom()) / 2;
        uint32_t sweep = static_cast<uint32_t>(endAngle) - static_cast<uint32_t>(startAngle);
        for (uint32_t i = 0; i < tickCount; ++i) {
            long angle = startAngle + static_cast<long>(i * sweep / (tickCount - 1));
            if (i == 0) ++angle;
            if (i == tickCount - 1) --angle;
            ticks[i].from =
                ptOnEllipse(radiusX + TickInnerGap, radiusY + TickInnerGap, angle, cx, cy);
            ticks[i].to =
                ptOnEllipse(radiusX + TickOuterGap, radiusY + TickOuterGap, angle, cx, cy);
        }
    }
}

// The midpoint ellipse algorithm over the first quadrant from (0, b), decision variables
// in quarter units.
void ArcObj::setupEllipse(long a, long b, bool inner) {
    int64_t A = static_cast<int64_t>(a) * a, B = static_cast<int64_t>(b) * b;
    // Both radii 0 (a one-pixel box, or a ring exactly as thick as a circle is wide): the
    // first region would never end, its decision variable never moving.
    if (A == 0 && B == 0) {
        setupEllipsePoint(0, 0, inner);
        return;
    }
    int64_t dy = 4 * A * (b - 1), dx = 4 * B;
    int64_t d = 2 * B - A - (dy >> 1) - (A >> 1);
    int64_t x = 0, y = b;
    while (d <= dy) {
        setupEllipsePoint(x, y, inner);
        ++x;
        if (d > 0) {
            d -= dy;
            --y;
            dy -= 4 * A;
        }
        d += 2 * B + dx;
        dx += 4 * B;
    }
    d = d - ((dx + dy) >> 1) + (B - A) + ((A >> 1) - (B >> 1));
    for (; y >= 0; --y) {
        setupEllipsePoint(x, y, inner);
        if (d < 1) {
            d += dx;
            ++x;
            dx += 4 * B;
        }
        d += 2 * A - dy;
        dy -= 4 * A;
    }
}

void ArcObj::setupEllipsePoint(long x, long y, bool inner) {
    if (y < 0 || y > radiusY) return;
    ArcSpan& row = table[radiusY - y];
    if (x < row.first) row.first = static_cast<int32_t>(x);
    if (!inner && x > row.second) row.second = static_cast<int32_t>(x);
}

void ArcObj::_draw_(const Rect& absRect, bool, bool, Color, Rect*, bool redraw) {
    if (!laidOut) ctorFinish(absRect);
    if (table != nullptr) {
        long cx = (absRect.left() + absRect.right()) / 2;
        long cy = (absRect.top() + absRect.bottom()) / 2;
        int64_t s = startAngle;
        if (s < 0) s = s % 360 + (s % 360 < 0 ? 360 : 0);
        int64_t e = endAngle;
        if (s > e) e += 360;
        // Past two turns every quadrant is already drawn whole; more turns add nothing.
        if (e - s > 1080) e -= 360 * ((e - s - 721) / 360);
        int64_t q = s / 90 * 90 + 90;
        for (; e > q; q += 90) {
            drawQuadrant(static_cast<long>(s), static_cast<long>(q), cx, cy);
            s = q;
        }
        drawQuadrant(static_cast<long>(s), static_cast<long>(e), cx, cy);
    }
    if (redraw) return;
    for (uint32_t i = 0; ticks != nullptr && i < tickCount; ++i)
        layer->line(ticks[i].from, ticks[i].to, TickColor);
}

void ArcObj::drawQuadrant(long s, long e, long cx, long cy) {
    if (e <= s) return;
    long k = s / 90;
    s -= 90 * k;
    e -= 90 * k;
    k &= 3;
    if (k & 1) {
        long mirroredStart = 90 - e;
        e = 90 - s;
        s = mirroredStart;
    }
    bool clipEnd = e <= 89 && cacheMode != 2;
    bool clipStart = s >= 1 && cacheMode != 2;
    bool leftHalf = k == 1 || k == 2;
    for (int32_t i = 0; i <= radiusY; ++i) {
        int64_t y = radiusY - i;
        int64_t screenY = k >= 2 ? cy + y : cy - y;
        ArcSpan& row = table[i];
        int64_t left, length;
        if (cacheMode == 2) {
            left = row.first;
            length = row.second;
        } else {
            int64_t first = row.first, second = row.second;
            bool inside = true;
            if (clipEnd) {
                int64_t xe = xIntercept(y, e);
                if (xe > second) {
                    if (cacheMode == 0) continue;
                    inside = false;
                } else if (xe <= first) {
                    clipEnd = false;
                } else {
                    first = xe;
                }
            }
            if (inside && clipStart) {
                int64_t xs = xIntercept(y, s);
                if (xs < first) {
                    // Rows further down lie further below the start ray.
                    if (cacheMode == 0) break;
                    inside = false;
                } else if (xs < second) {
                    second = xs;
                }
            }
            left = leftHalf ? cx - second : cx + first;
            length = second - first + 1;
            if (!inside || screenY < 0 || screenY >= ScreenHeight || left >= ScreenWidth) {
                length = 0;
            } else {
                if (left < 0) {
                    length += left;
                    left = 0;
                }
                if (left + length > ScreenWidth) length = ScreenWidth - left;
            }
            if (cacheMode == 1) row = {static_cast<int32_t>(left), static_cast<int32_t>(length)};
        }
        if (length >= 1 && screenY >= minY) layer->hline(left, screenY, length, currentColor);
    }
    if (cacheMode == 1) cacheMode = 2;
}

At ArcObj::ptOnEllipse(long rx, long ry, long angle, long cx, long cy) {
    long a = angle % 360;
    if (a < 0) a += 360;
    long signX = 1, signY = 1;
    switch (a / 90) {
    case 1:
        a = 180 - a;
        signX = -1;
        break;
    case 2:
        a -= 180;
        signX = signY = -1;
        break;
    case 3:
        a = 360 - a;
        signY = -1;
        break;
    default:
        break;
    }
    long x, y;
    if (a <= 45)
        ptOnEllipse_0_45(rx, ry, a, x, y);
    else
        ptOnEllipse_0_45(ry, rx, 90 - a, y, x);
    return At(static_cast<int32_t>(cx + signX * x), static_cast<int32_t>(cy - signY * y));
}
