// An elliptical arc of a given thickness between two angles, drawn inside its box with
// integer arithmetic as horizontal spans: one quadrant of the ring is traced once into a
// per-row span table (midpoint ellipse), and each quadrant piece is cut at the end angles
// with a table of tangents. Radial tick marks can be added along it.
#pragma once

#include <cstdint>

#include "gui/rect_obj.h"

class ArcObj : public RectObj {
public:
    // One row of a quadrant: the ring's extent from the centre (first to second), or, once
    // recorded, the clipped screen span (left end, length).
    struct ArcSpan {
        int32_t first;
        int32_t second;
    };
    // A span table, which arcs of one size may share: rows must hold radiusY + 1 rows.
    struct ArcCache {
        ArcSpan* rows;
        int32_t count;
    };
    struct TickCache {
        At from;
        At to;
    };

    ArcObj(const BBox& box, long thickness, long startAngle, long endAngle, Color colour,
           ArcCache* spans);
    ~ArcObj();

    void _draw_(const Rect& absRect, bool clip, bool inverted, Color background, Rect* area,
                bool redraw) override;
    void setHeight(long h);
    // n + 1 ticks, at both ends and n - 1 between; only before the ticks are laid out.
    void setupTicks(unsigned long n);
    // The layout for the drawing rectangle r: radii, span table and ticks.
    void ctorFinish(const Rect& r);
    // The point of the ellipse with radii rx, ry around (cx, cy) on the ray at angle degrees
    // (counter-clockwise from the right, y growing downwards on the screen).
    static At ptOnEllipse(long rx, long ry, long angle, long cx, long cy);

    // tan(i degrees) in 16.16 fixed point, rounded, for i from 0 to 44.
    static const uint32_t tan0_44[45];

    ArcCache* spans;
    TickCache* ticks = nullptr;
    uint32_t tickCount = 0;
    int32_t radiusX = 0;
    int32_t radiusY = 0;
    int32_t startAngle;
    int32_t endAngle;
    bool laidOut = false;
    // 0 computes the spans at every drawing, 1 computes and records the clipped screen
    // spans in the table, 2 draws from the recorded spans.
    uint8_t cacheMode = 0;
    int32_t minY = 0; // screen rows above this one are not drawn

private:
    void setupEllipse(long a, long b, bool inner);
    void setupEllipsePoint(long x, long y, bool inner);
    void drawQuadrant(long s, long e, long cx, long cy);
    // The table the layout fills: the creator's when it is large enough, else one of ours.
    ArcSpan* spanRows(int32_t rows);

    ArcCache ownSpans = {nullptr, 0};
    ArcSpan* table = nullptr; // the rows laid out; null when there is nothing to draw
};
