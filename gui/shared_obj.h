// One graphical object shown on behalf of several owners: each owner holds a reference
// that asks for a look (hidden, normal, inverted, blinking, dimmed), and the object takes
// the strongest look any owner asks for.
#pragma once

#include <cstdint>

#include "gui/graphical_obj.h"

class SharedObj {
public:
    explicit SharedObj(GraphicalObj* o) : obj(o) {}
    // One reference moves from one look to another (0 = none).
    void change(GraphicalObjOperability from, GraphicalObjOperability to);

    uint8_t counts[5] = {};
    GraphicalObjOperability level = OPERABILITY_HIDDEN;
    GraphicalObj* obj;

private:
    void undo(GraphicalObjOperability l);
    void apply(GraphicalObjOperability l);
};

class SharedObjRef : public GraphicalObj {
public:
    SharedObjRef(const BBox& box, SharedObj* shared, bool shown, bool followsAncestors);
    ~SharedObjRef() = default;

    void _draw_(const Rect& absRect, bool clip, bool inverted, Color background, Rect* area,
                bool redraw) override;
    void shown(bool on) override;
    void ancestorShown(bool on) override;
    void dim(bool dim, bool redraw) override;
    void blinking(bool on) override;
    bool visible() const override;
    bool _erase_(const Rect&, Color) override { return false; }

    // Reports the look this reference asks for now to the shared object.
    void update();
    GraphicalObjOperability wanted() const;

    SharedObj* shared;
    GraphicalObjOperability requested = OPERABILITY_HIDDEN;
    bool followsAncestors;
};
