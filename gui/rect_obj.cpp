// Frames and filled rectangles.
#include "gui/rect_obj.h"

#include "gui/layer.h"

RectObj::RectObj(const BBox& b, Color c, long t, bool shownArg, bool enabledArg, bool selectableArg)
    : GraphicalObj(b, shownArg, enabledArg, selectableArg), thickness(t) {
    normalColor = c;
    currentColor = c;
}

void RectObj::_draw_(const Rect& absRect, bool, bool, Color, Rect*, bool) {
    if (thickness > 0)
        layer->frameRect(absRect, currentColor, thickness, sides);
    else
        layer->fillRect(absRect, currentColor);
}

UserEvent RectObj::handleUserEvent(UserEvent e) {
    if (selectability == ACTIVE && e == ESC) defocus(e);
    return 0;
}
