// Bar graphs: value to segments, key stepping, the editing copy, and the linear bar's
// layout and drawing.
#include "gui/bar_graph.h"

#include "gui/layer.h"

BarGraph::BarGraph(DataRef* ref, double minV, double maxV, const BBox& b, Color objectBackground,
                   Color barColor, uint32_t segs, Color barBg, Direction dir, bool live)
    : GraphicalObj(b, true, true, false), NotifiableWithDataRef(ref), minValue(minV),
      range(maxV - minV), barBackground(barBg), lowRange(minV), lowRange2(minV),
      lowRangeColor(barColor), lowRangeColor2(barColor), segments(segs), direction(dir),
      editsLive(live) {
    backgroundColor = objectBackground;
    normalColor = currentColor = barColor;
    if (dataRef != nullptr) dataRef->registerInterest(this);
}

BarGraph::~BarGraph() {
    if (dataRef == nullptr) return;
    edit.end(dataRef);
    dataRef->deregisterInterest();
}

void BarGraph::setLowRange(double low, Color lowColor, double low2, Color lowColor2) {
    lowRange = low;
    lowRangeColor = lowColor;
    lowRange2 = low2;
    lowRangeColor2 = lowColor2;
}

double BarGraph::convertSegmentsToValue(uint32_t n) const {
    if (segments == 0) return minValue;
    if (n > segments) n = segments;
    return minValue + n * range / segments;
}

void BarGraph::setValueInTermsOfSegments(uint32_t n) {
    if (dataRef != nullptr) dataRef->setValue(convertSegmentsToValue(n), true);
}

uint32_t BarGraph::getValueInTermsOfSegments() {
    if (dataRef == nullptr || (validityMode == 1 && !dataRef->isValid())) return 0;
    uint32_t result = 0;
    // Written so that a value that is not a number counts as the minimum and an empty
    // range as no segments, instead of an undefined conversion.
    if (range > 0) {
        double v = dataRef->getValue() - minValue;
        if (!(v > 0)) v = 0;
        if (v > range) v = range;
        uint32_t n = static_cast<uint32_t>(segments * v / range * 100);
        // A segment shows once the value reaches 5 per cent of its worth.
        result = (n + 95) / 100;
    }
    return result == 0 ? minSegments : result;
}

void BarGraph::notify(NotificationEvent event, Data*) {
    if (event == DataChangedEvent) redraw(true);
}

void BarGraph::focus() {
    if (!editsLive) edit.begin(dataRef);
    if (action != nullptr) action->onFocus(this, dataRef);
    GraphicalObj::focus();
}

void BarGraph::step(bool up) {
    double delta = range / (segments != 0 ? segments : 1);
    double v = dataRef->getValue();
    if (up) {
        v += delta;
        if (v >= minValue + range) v = minValue + range;
    } else {
        v -= delta;
        // The floor is the least number of segments, when one is set, so that stepping down
        // never shows fewer.
        double floor = minSegments != 0 ? convertSegmentsToValue(minSegments) : minValue;
        if (v <= floor) v = floor;
    }
    dataRef->setValue(v, true);
}

UserEvent BarGraph::handleUserEvent(UserEvent e) {
    if (dataRef == nullptr) return e;
    switch (e) {
    case LEFTARROW:
    case DOWNARROW:
    case DIALCCW:
        step(false);
        return 0;
    case RIGHTARROW:
    case UPARROW:
    case DIALCW:
        step(true);
        return 0;
    case ENTER:
    case ESC:
    case CLICK:
        if (action != nullptr) action->onClosingKey(this, e);
        defocus(e);
        return 0;
    case CLOSEYES:
    case CLOSENO:
        if (edit.active()) {
            double v = edit.end(dataRef);
            if (e == CLOSEYES) dataRef->setValue(v, true);
        } else {
            dataRef->setValue(dataRef->getValue(), true);
        }
        return 0;
    default:
        return e;
    }
}

LinearBarGraph::LinearBarGraph(DataRef* ref, double minV, double maxV, const BBox& b,
                               Color objectBackground, Color barColor, uint32_t segs, uint8_t g,
                               Color barBg, Color active, Direction dir, bool live)
    : BarGraph(ref, minV, maxV, b, objectBackground, barColor, segs, barBg, dir, live), gap(g),
      activeColor(active) {}

void LinearBarGraph::layout(const Rect& r) {
    bool across = direction == LEFT_TO_RIGHT || direction == RIGHT_TO_LEFT;
    long extent = across ? r.width() : r.height();
    if (extent < 0) extent = 0;
    if (gap != 0) {
        if (segments == 0 || 2 * static_cast<long>(segments) - 1 > extent) {
            gap = 0;
        } else {
            uint32_t pitch = static_cast<uint32_t>(gap + extent) / segments;
            if (gap > pitch / 2) gap = static_cast<uint8_t>(pitch / 2);
            thickness = static_cast<uint16_t>(pitch - gap);
        }
    }
    if (gap == 0) {
        thickness = 1;
        segments = static_cast<uint32_t>(extent);
    }
    if (range == 0) range = 1.0;
}

void LinearBarGraph::fillSpan(const Rect& r, long from, long depth, Color c) {
    long to = from + depth - 1;
    Rect s = r;
    switch (direction) {
    case LEFT_TO_RIGHT:
        s.topLeft.x = r.left() + from;
        s.bottomRight.x = r.left() + to;
        break;
    case RIGHT_TO_LEFT:
        s.bottomRight.x = r.right() - from;
        s.topLeft.x = r.right() - to;
        break;
    case BOTTOM_TO_TOP:
        s.bottomRight.y = r.bottom() - from;
        s.topLeft.y = r.bottom() - to;
        break;
    default:
        s.topLeft.y = r.top() + from;
        s.bottomRight.y = r.top() + to;
        break;
    }
    layer->fillRect(s, c);
}

void LinearBarGraph::_draw_(const Rect& r, bool, bool inv, Color, Rect*, bool redraw) {
    if (thickness == 0) layout(r);
    uint32_t n = getValueInTermsOfSegments();
    if (redraw && n == lastDrawn) return;
    Color fill = inv != inverted ? activeColor : currentColor;
    bool savedInversion = layer->setInversion(false);
    // A disabled bar shows full, in its dim colour.
    if (!enabled && !showValueWhenDisabled) n = segments;
    if (n > segments) n = segments;
    lastDrawn = n;
    layer->fillRect(r, barBackground);
    if (gap == 0) {
        if (n != 0) fillSpan(r, 0, n, fill);
    } else {
        for (uint32_t i = 0; i < n; ++i)
            fillSpan(r, static_cast<long>(i) * (gap + thickness), thickness, fill);
    }
    layer->setInversion(savedInversion);
}

UserEvent LinearBarGraph::activate() {
    if (activationDisabled) return 0;
    GraphicalObj::activate();
    lastDrawn = DrawAlways;
    _setColor_(activeColor, true);
    return 0;
}

void LinearBarGraph::defocus(UserEvent e) {
    lastDrawn = DrawAlways;
    // Redrawn at once: a bar left in its active colour would look still active.
    _setColor_(normalColor, true);
    GraphicalObj::defocus(e);
    selectability = SELECTABLE;
}

void LinearBarGraph::dim(bool d, bool redraw) {
    if (enabled != d) return;
    enabled = !d;
    // Drawn even when the dim colour is the bar's own: a disabled bar shows full.
    lastDrawn = DrawAlways;
    GraphicalObj::dim(d, false);
    if (redraw) draw(nullptr, true);
}
