// The selection frame: a hollow layer of its own, a ring around the selected object, so
// that it stays on top of the object and the object's layer keeps drawing inside it.
// Instances come from a free list that never returns memory, so selecting does not reach
// the heap once warmed up.
#pragma once

#include <cstddef>

#include "core/free_list_pool.h"
#include "gui/layer.h"
#include "gui/rect_obj.h"

class SelectionIndicator : public Layer, public RectObj {
public:
    SelectionIndicator(GraphicalObj* target, Color c, long thickness, long gap);
    ~SelectionIndicator() override;

    bool pointInLayer(long x, long y) override;
    int overlaps(const Rect& r) override;
    void eraseRect(Rect& r, Color c) override;
    GraphicalObj* layerObj() override { return this; }
    void _draw_(const Rect& absRect, bool clip, bool inverted, Color background, Rect* area,
                bool redraw) override;

    static void* operator new(size_t n) { return pool.take(n); }
    static void operator delete(void* p, size_t n) { pool.give(p, n); }
    static FreeListPool pool;

    Rect innerRect;
    int32_t gap;
};
