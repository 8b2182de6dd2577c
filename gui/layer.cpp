// Layer clipping, inversion, dark mode, focus dispatch and the drawing primitives.
#include "gui/layer.h"

#include <cstdlib>

#include "gui/application_gui.h"
#include "gui/graphical_obj.h"
#include "gui/selection_indicator.h"

Layer::Layer(DisplayDriver* d) : driver(d), layerRect(ScreenWidth, ScreenHeight) {}

Layer::~Layer() {
    // A layer that goes away while on the stack must not leave the stack pointing at it.
    if (layerIsActive()) theScreen.removeLayer(this);
}

void Layer::determineLayerRect() {
    GraphicalObj* obj = layerObj();
    if (obj == nullptr) return;
    Rect r = obj->getAbsRect(nullptr);
    int style = layerFrameStyle();
    if (style == 2)
        r = r.shrink(0, 0, 3, 3);
    else if (style == 3)
        r = r.shrink(-4);
    else if (style > 3)
        r = r.shrink(-(style - 3));
    layerRect = r;
}

void Layer::determineLayerClippingInfo() {
    clipInfo = 0;
    firstClipper = nullptr;
    for (Layer* l = above; l != nullptr && clipInfo != 3; l = l->above) {
        clipInfo |= l->overlaps(layerRect);
        if (clipInfo != 0 && firstClipper == nullptr) firstClipper = l;
    }
}

void Layer::onScreen(bool draw, Rect* area) {
    if (area == nullptr) clipDisableStack = 0;
    pushClip(clipInfo != 0);
    if (draw && clipInfo != 3) drawLayer(area);
    if (area != nullptr) popClip();
}

void Layer::drawLayer(Rect* area) {
    GraphicalObj* obj = layerObj();
    if (obj != nullptr) obj->genericDraw(DRAW, &layerRect, true, false, 15, area);
}

UserEvent Layer::dispatchUserEvent(UserEvent e) {
    for (GraphicalObjStackNode* n = focusStack.top; n != nullptr; n = n->next) {
        if (e == 0 || (e & EventStopBit) != 0) break;
        e = n->obj->handleUserEvent(e);
    }
    return e;
}

bool Layer::pointInLayer(long x, long y) {
    return layerRect.pointInRect(x, y);
}

int Layer::overlaps(const Rect& r) {
    return layerRect.overlaps(r);
}

void Layer::eraseRect(Rect& r, Color c) {
    fillRect(r, c);
}

void Layer::inhibitDrawing(bool on) {
    inhibitBits = on ? inhibitBits * 2 + 1 : inhibitBits >> 1;
    if (selectionIndicator != nullptr) selectionIndicator->inhibitBits = inhibitBits;
}

bool Layer::isNotDarkMode(bool note) {
    if (note) redrawRequired = inhibitBits != 0;
    return inhibitBits == 0;
}

void Layer::pushClip(bool enable) {
    clipDisableStack = clipDisableStack * 2 + (enable ? 0 : 1);
    clippingEnabled = enable;
}

void Layer::popClip() {
    clipDisableStack >>= 1;
    clippingEnabled = (clipDisableStack & 1) == 0;
}

bool Layer::clip(long x, long y) {
    if (clipRect != nullptr && !clipRect->pointInRect(x, y)) return true;
    if (!clippingEnabled) return false;
    for (Layer* l = firstClipper; l != nullptr; l = l->above)
        if (l->pointInLayer(x, y)) return true;
    return false;
}

int Layer::clip(const Rect& r) {
    if (clipInfo != 1) return clipInfo;
    int result = 0;
    for (Layer* l = firstClipper; l != nullptr && result != 3; l = l->above)
        result |= l->overlaps(r);
    return result;
}

bool Layer::setInversion(bool on) {
    bool was = inverted;
    inverted = on;
    return was;
}

void Layer::setPixel(long x, long y, Color c) {
    if (clip(x, y)) return;
    driver->setPixel(x, y, inverted ? invertColor(c) : c);
}

Color Layer::getPixel(long x, long y) {
    return driver->getPixel(x, y);
}

bool Layer::clipSpan(long y, long& x0, long& x1) const {
    if (x0 < 0) x0 = 0;
    if (x1 > ScreenWidth - 1) x1 = ScreenWidth - 1;
    if (clipRect != nullptr) {
        if (y < clipRect->top() || y > clipRect->bottom()) return false;
        if (x0 < clipRect->left()) x0 = clipRect->left();
        if (x1 > clipRect->right()) x1 = clipRect->right();
    }
    return x0 <= x1;
}

// Rows and columns are cut to the screen and clipRect once; only pixels that a higher
// layer may hide are tested one by one.
void Layer::hline(long x, long y, long length, Color c) {
    if (length <= 0 || y < 0 || y >= ScreenHeight) return;
    long x0 = x, x1 = x + length - 1;
    if (!clipSpan(y, x0, x1)) return;
    if (inverted) c = invertColor(c);
    bool test = needsPixelClip();
    for (long i = x0; i <= x1; ++i) {
        if (test && clip(i, y)) continue;
        driver->setPixel(i, y, c);
    }
}

void Layer::vline(long x, long y, long length, Color c) {
    if (length <= 0 || x < 0 || x >= ScreenWidth) return;
    if (clipRect != nullptr && (x < clipRect->left() || x > clipRect->right())) return;
    long y0 = y < 0 ? 0 : y, y1 = y + length - 1;
    if (y1 > ScreenHeight - 1) y1 = ScreenHeight - 1;
    if (clipRect != nullptr) {
        if (y0 < clipRect->top()) y0 = clipRect->top();
        if (y1 > clipRect->bottom()) y1 = clipRect->bottom();
    }
    if (inverted) c = invertColor(c);
    bool test = needsPixelClip();
    for (long j = y0; j <= y1; ++j) {
        if (test && clip(x, j)) continue;
        driver->setPixel(x, j, c);
    }
}

void Layer::fillRect(long x, long y, long width, long height, Color c) {
    long y0 = y < 0 ? 0 : y, y1 = y + height - 1;
    if (y1 > ScreenHeight - 1) y1 = ScreenHeight - 1;
    for (long j = y0; j <= y1; ++j)
        hline(x, j, width, c);
}

void Layer::fillRect(const Rect& r, Color c) {
    fillRect(r.left(), r.top(), r.width(), r.height(), c);
}

void Layer::frameRect(long x, long y, long width, long height, Color c, long thickness,
                      long sides) {
    long vy = y, vlen = height;
    if (sides & 8) {
        vy += thickness;
        vlen -= thickness;
    }
    if (sides & 2) vlen -= thickness;
    for (long i = 0; i < thickness; ++i) {
        if (sides & 8) hline(x, y + i, width, c);
        if (sides & 4) vline(x + i, vy, vlen, c);
        if (sides & 2) hline(x, y + height - 1 - i, width, c);
        if (sides & 1) vline(x + width - 1 - i, vy, vlen, c);
    }
}

void Layer::frameRect(const Rect& r, Color c, long thickness, long sides) {
    frameRect(r.left(), r.top(), r.width(), r.height(), c, thickness, sides);
}

void Layer::line(const At& a, const At& b, Color c) {
    if (a.x == b.x) {
        vline(a.x, a.y < b.y ? a.y : b.y, labs(static_cast<long>(b.y) - a.y) + 1, c);
        return;
    }
    if (a.y == b.y) {
        hline(a.x < b.x ? a.x : b.x, a.y, labs(static_cast<long>(b.x) - a.x) + 1, c);
        return;
    }
    long adx = labs(static_cast<long>(b.x) - a.x), ady = labs(static_cast<long>(b.y) - a.y);
    if (adx <= ady) {
        // Steep: walk y downwards from the lower end point.
        const At& s = a.y > b.y ? a : b;
        const At& e = a.y > b.y ? b : a;
        long x = s.x, y = s.y, stepX = e.x > s.x ? 1 : -1;
        long d = 2 * adx - ady;
        setPixel(x, y, c);
        while (y > e.y) {
            if (d > 0) {
                d += 2 * (adx - ady);
                x += stepX;
            } else {
                d += 2 * adx;
            }
            --y;
            setPixel(x, y, c);
        }
    } else {
        const At& s = a.x < b.x ? a : b;
        const At& e = a.x < b.x ? b : a;
        long x = s.x, y = s.y, stepY = e.y > s.y ? 1 : -1;
        long d = 2 * ady - adx;
        setPixel(x, y, c);
        while (x < e.x) {
            if (d > 0) {
                d += 2 * (ady - adx);
                y += stepY;
            } else {
                d += 2 * ady;
            }
            ++x;
            setPixel(x, y, c);
        }
    }
}
