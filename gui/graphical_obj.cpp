// Graphical object defaults, the generic draw, show/hide, enabling, colours and blinking.
#include "gui/graphical_obj.h"

#include "gui/application_gui.h"
#include "gui/blink_list.h"
#include "gui/collection.h"
#include "gui/layer.h"
#include "gui/selection_indicator.h"
#include "platform/platform.h"

Color GraphicalObj::selectionColor = 0;

GraphicalObj::GraphicalObj(const BBox& b, bool shownArg, bool enabledArg, bool selectableArg)
    : box(b), hidden(!shownArg), enabled(enabledArg),
      selectability(selectableArg ? SELECTABLE : NOT_SELECTABLE) {}

const GraphicalObj* GraphicalObj::parentObj() const {
    return parent;
}

Rect GraphicalObj::getAbsRect(const Rect* ref) const {
    return box.getAbsRectRelativeTo(parent, ref);
}

void GraphicalObj::onLayer(Layer* l, Rect* clip) {
    layer = l;
    ownClipRect = clip;
}

void GraphicalObj::focus() {
    if (layer != nullptr && layer->layerIsActive()) layer->focusStack.push(this);
}

void GraphicalObj::defocus(UserEvent e) {
    if (layer == nullptr) return;
    layer->focusStack.pop();
    if (GraphicalObj* top = layer->focusStack.tos()) top->refocus(e);
}

void GraphicalObj::_enable_(bool enable, Selectability s) {
    enabled = enable;
    if (s == SELECTABLE_IF_ENABLED)
        selectability = enable ? SELECTABLE : NOT_SELECTABLE;
    else if (s != SELECTABILITY_UNCHANGED)
        selectability = s;
}

void GraphicalObj::select() {
    selectability = SELECTED;
    if (layer == nullptr) return;
    delete static_cast<SelectionIndicator*>(layer->selectionIndicator);
    layer->selectionIndicator = nullptr;
    layer->selectionIndicator = new SelectionIndicator(this, selectionColor, 2, 1);
}

void GraphicalObj::deselect() {
    selectability = SELECTABLE;
    if (layer == nullptr) return;
    delete static_cast<SelectionIndicator*>(layer->selectionIndicator);
    layer->selectionIndicator = nullptr;
}

UserEvent GraphicalObj::activate() {
    deselect();
    selectability = ACTIVE;
    focus();
    return 0;
}

Color GraphicalObj::getSelectionBkgndColor(Color c) {
    if (layer != nullptr) return layer->invertColor(c);
    return c == DimColor ? c : c ^ 15;
}

bool GraphicalObj::visible() const {
    return !hidden && !ancestorHidden && layer != nullptr && layer->layerIsActive();
}

void GraphicalObj::redraw(bool clip) {
    genericDraw(REDRAW, nullptr, clip, false, 15, nullptr);
}

void GraphicalObj::blinking(bool on) {
    if (on) {
        if (blinkState != NOT_BLINKING) return;
        if (hidden)
            blinkState = BLINK_PENDING;
        else
            blinkList.add(this);
        return;
    }
    if (blinkState == BLINK_PENDING) {
        blinkState = NOT_BLINKING;
    } else if (blinkState == BLINKING) {
        blinkList.remove(this);
        blinkState = NOT_BLINKING;
        if (hidden) blinkStage(true);
    }
}

void GraphicalObj::dim(bool d, bool redraw) {
    _setColor_(d ? DimColor : normalColor, redraw);
    dimmed = d;
}

bool GraphicalObj::selectable() const {
    return selectability >= SELECTABLE && enabled && visible();
}

void GraphicalObj::apply(const GraphicalProperties& p) {
    box = p.box;
    secondColor = p.secondColor;
    normalColor = p.normalColor;
}

void GraphicalObj::genericDraw(DrawOperationBeta op, const Rect* ref, bool clip,
                               bool parentInverted, Color background, Rect* area) {
    if (!visible()) return;
    realTimeDriverHook();
    if (!layer->isNotDarkMode(true)) return;
    Rect absRect = getAbsRect(ref);
    Rect areaCopy;
    if (area != nullptr) {
        areaCopy = *area;
        if (!areaCopy.intersect(absRect)) return;
        area = &areaCopy;
    }
    if (clip) {
        int c = layer->clip(absRect);
        if (c == 3) return;
        if (c == 0) clip = false;
    }
    layer->pushClip(clip);
    if (ref == nullptr) background = getParentBackground(parentInverted);
    Color colour = backgroundColor != ParentBackground ? backgroundColor : background;
    if (inverted || (backgroundColor != ParentBackground && parentInverted))
        colour = getSelectionBkgndColor(colour);

    bool doErase;
    switch (op) {
    case DRAW_CHILD:
        doErase = colour != background;
        break;
    case REDRAW:
        doErase = _erase_(absRect, colour);
        break;
    default: // DRAW and ERASE
        doErase = true;
        break;
    }
    Rect* savedClipRect = layer->clipRect;
    if (ownClipRect != nullptr) layer->clipRect = ownClipRect;
    bool savedInversion = layer->setInversion(false);
    if (doErase) {
        Rect e = area != nullptr ? *area : absRect;
        layer->eraseRect(e, op == ERASE ? background : colour);
    }
    if (op != ERASE) {
        bool inv = parentInverted != inverted;
        layer->setInversion(inv);
        _draw_(absRect, clip, inv, colour, area, op == REDRAW);
    }
    layer->setInversion(savedInversion);
    layer->popClip();
    layer->clipRect = savedClipRect;
}

void GraphicalObj::invert(bool on) {
    inverted = on;
    draw(nullptr, true);
}

void GraphicalObj::show(bool showIt, bool force) {
    if (!showIt) {
        hide();
        return;
    }
    if (blinkState == BLINK_PENDING) blinkList.add(this);
    bool wasVisible = visible();
    shown(true);
    // An object that was already on screen is drawn again only when forced.
    if (visible() && (force || !wasVisible)) draw(nullptr, true);
}

void GraphicalObj::hide() {
    if (blinkState == BLINKING) {
        blinkList.remove(this);
        blinkState = BLINK_PENDING;
    }
    erase(nullptr);
    shown(false);
}

void GraphicalObj::enable(Selectability s) {
    if (enabled && s == SELECTABILITY_UNCHANGED) return;
    _enable_(true, s);
    if (visible()) draw(nullptr, true);
}

void GraphicalObj::disable(Selectability s) {
    if (!enabled) return;
    _enable_(false, s);
    if (visible()) draw(nullptr, true);
}

void GraphicalObj::setColor(Color c, bool redraw) {
    normalColor = c;
    if (!dimmed) _setColor_(c, redraw);
}

void GraphicalObj::_setColor_(Color c, bool redraw) {
    if (c == currentColor) return;
    currentColor = c;
    if (redraw) draw(nullptr, true);
}

void GraphicalObj::toggleColor(bool redraw) {
    if (backgroundColor >= NoColor) return;
    Color bg = backgroundColor;
    backgroundColor = normalColor;
    setColor(bg, redraw);
}

Color GraphicalObj::getParentBackground(bool& inv) const {
    inv = false;
    Color c = ParentBackground;
    for (const GraphicalObj* p = parent; p != nullptr; p = p->parent) {
        if (p->inverted) inv = !inv;
        if (c == ParentBackground && p->backgroundColor != ParentBackground) c = p->backgroundColor;
    }
    if (c == ParentBackground) c = 15;
    if (inv) c = layer != nullptr ? layer->invertColor(c) : (c == DimColor ? c : c ^ 15);
    return c;
}

void GraphicalObj::eraseInterior(const Rect& r, Color c) {
    if (layer != nullptr) layer->fillRect(r.shrink(1), c);
}

bool GraphicalObj::onActiveLayer() const {
    return layer != nullptr && layer->layerIsActive();
}

At GraphicalObj::nextTo(GraphicalObj* anchor, BBox* b, long dx, long dy, bool centre) {
    Rect a = anchor->getAbsRect(nullptr);
    long w = b->width(), h = b->height();
    long x = a.left() + dx, y = a.bottom() + dy;
    if (centre) {
        x = (a.left() + a.right()) / 2 - w / 2;
        if (x < 0) x = 0;
    }
    if (x + w > ScreenWidth) x = ScreenWidth - 1 - w;
    if (y + h > ScreenHeight) y = a.top() - h - dy + 1;
    return At(static_cast<int32_t>(x), static_cast<int32_t>(y));
}
