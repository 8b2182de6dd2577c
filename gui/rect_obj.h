// A frame of a given thickness or, with thickness 0, a filled rectangle in the object's
// current colour.
#pragma once

#include "gui/graphical_obj.h"

class RectObj : public GraphicalObj {
public:
    RectObj(const BBox& box, Color c, long thickness, bool shown, bool enabled, bool selectable);
    ~RectObj() = default;

    void _draw_(const Rect& absRect, bool clip, bool inverted, Color background, Rect* area,
                bool redraw) override;
    UserEvent handleUserEvent(UserEvent e) override;

    long thickness;
    long sides = 15;
};
