// Selection frame layer.
#include "gui/selection_indicator.h"

#include "gui/application_gui.h"

FreeListPool SelectionIndicator::pool(sizeof(SelectionIndicator));

namespace {
Rect ringAround(GraphicalObj* target, long thickness, long gap) {
    return target->getAbsRect(nullptr).shrink(static_cast<int32_t>(-(2 * gap + thickness)));
}
} // namespace

SelectionIndicator::SelectionIndicator(GraphicalObj* target, Color c, long thickness, long g)
    : Layer(target->layer->driver),
      RectObj(BBox(ringAround(target, thickness, g)), c, thickness, true, true, false),
      innerRect(target->getAbsRect(nullptr)), gap(static_cast<int32_t>(g)) {
    inhibitBits = target->layer->inhibitBits;
    hollow = true;
    ancestorHidden = false; // its own visibility root
    onLayer(this, nullptr);
    Layer* over = target->layer;
    // Only a layer on the stack can have something put above it.
    if (over->layerIsActive() || over == &theScreen.baseLayer)
        theScreen.addLayer(this, over, false);
}

SelectionIndicator::~SelectionIndicator() {
    theScreen.removeLayer(this);
}

bool SelectionIndicator::pointInLayer(long x, long y) {
    return layerRect.pointInRect(x, y) && !innerRect.pointInRect(x, y);
}

int SelectionIndicator::overlaps(const Rect& r) {
    int o = layerRect.overlaps(r);
    if (o == 0) return 0;
    int inner = innerRect.overlaps(r);
    if (inner == 3) return 0;
    if (inner == 1) return 1;
    return o;
}

void SelectionIndicator::eraseRect(Rect& r, Color c) {
    // The whole ring, limited to the rectangle asked for.
    Rect* saved = clipRect;
    Rect limit = r;
    if (saved != nullptr) limit.intersect(*saved);
    clipRect = &limit;
    Layer::frameRect(layerRect, c, 2 * gap + thickness);
    clipRect = saved;
}

void SelectionIndicator::_draw_(const Rect&, bool, bool, Color, Rect*, bool) {
    Layer::frameRect(layerRect.shrink(gap), currentColor, thickness);
}
