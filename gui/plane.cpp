// Planes: opening over a layer, closing with its broadcast and refocus, frame decorations.
#include "gui/plane.h"

#include "gui/application_gui.h"
#include "gui/selection_indicator.h"

Plane::Plane(const BBox& b, unsigned char style, Selectability s, DisplayDriver* driver)
    : Layer(driver), Collection(b, s, true), frameStyle(style),
      frameWidth(style < 4 ? 1 : static_cast<unsigned char>(style - 2)) {
    ancestorHidden = false; // a plane is its own visibility root
    Collection::onLayer(this, nullptr);
}

// The children may already be gone (members of a derived plane): only layers are touched.
Plane::~Plane() {
    if (layerIsActive()) theScreen.removeLayer(this);
    delete static_cast<SelectionIndicator*>(selectionIndicator);
    selectionIndicator = nullptr;
}

NotificationEvent Plane::closeCode(UserEvent e) {
    if (e == ENTER || e == CLOSEYES) return CloseAccepted;
    if (e == NOEVENT) return CloseWithoutKey;
    return CloseCancelled;
}

void Plane::dropSelectionFrame() {
    if (GraphicalObj* cur = currentObj())
        if (cur->selectability == SELECTED) cur->deselect();
    delete static_cast<SelectionIndicator*>(selectionIndicator);
    selectionIndicator = nullptr;
}

void Plane::inhibitDrawing(bool on) {
    Layer::inhibitDrawing(on);
    if (!on && inhibitBits == 0 && redrawRequired) redraw(true);
}

// An uncovered area may lie only in the frame or shadow, outside the plane's box, where the
// generic draw would not look: the whole plane draws, clipped to the area.
void Plane::drawLayer(Rect* area) {
    if (area == nullptr) {
        Layer::drawLayer(nullptr);
        return;
    }
    Rect* saved = clipRect;
    Rect clip = *area;
    clipRect = &clip;
    Rect r = getAbsRect(&layerRect);
    Rect inside = *area;
    if (inside.intersect(r))
        Layer::drawLayer(area);
    else if (visible() && isNotDarkMode(true))
        drawDecorations(r);
    clipRect = saved;
}

void Plane::popup(const At& at, Layer* over, bool onTop) {
    if (selectability == ACTIVE) return; // already open
    if (at != At(-1, -1)) {
        Rect r = getAbsRect(nullptr);
        int32_t dx = at.x - r.left(), dy = at.y - r.top();
        box.start.at = box.start.at.move(dx, dy);
        // A box given by its corners moves as a whole; one given by its extent keeps it.
        if (box.end.hType != HREF_WIDTH) box.end.at.x += dx;
        if (box.end.vType != VREF_HEIGHT && box.end.vType < VREF_LINES) box.end.at.y += dy;
    }
    ownerLayer = onTop ? nullptr : over;
    focus();
    ownerLayer = over;
}

void Plane::popup(Notifiable* obs, const At& at, Layer* over, bool onTop) {
    observer = obs;
    popup(at, over, onTop);
}

void Plane::focus() {
    // The owner's selection frame belongs with it: the plane goes above the frame too.
    Layer* over = ownerLayer;
    // A layer that is not on the stack has no place to go above: open on top then.
    if (over != nullptr && !over->layerIsActive() && over != &theScreen.baseLayer) over = nullptr;
    if (over != nullptr && over->selectionIndicator != nullptr &&
        over->selectionIndicator->layerIsActive())
        over = over->selectionIndicator;
    theScreen.addLayer(this, over, false);
    selectability = ACTIVE;
    Collection::focus();
    onOpen();
}

void Plane::asyncDefocus(UserEvent e) {
    if (selectability != ACTIVE) return;
    defocus(e);
}

void Plane::defocus(UserEvent e) {
    if (selectability != ACTIVE && !layerIsActive()) return; // already closed
    NotificationEvent code = closeCode(e);
    closeEvent = e;
    dropSelectionFrame();
    selectability = NOT_SELECTABLE;
    if (e != DEFOCUSKEEPLAYER) theScreen.removeLayer(this);
    while (!focusStack.empty())
        focusStack.pop();
    if (e != 0) {
        UserEvent broadcast = code == CloseAccepted ? CLOSEYES : CLOSENO;
        for (GraphicalObjListNode* n = children.first(); n != nullptr; n = n->next)
            n->obj->handleUserEvent(broadcast);
    }
    onClose(code);
    if (observer != nullptr) observer->notify(code, nullptr);
    if (ownerLayer != nullptr)
        if (GraphicalObj* focused = ownerLayer->focusStack.tos()) focused->refocus(0);
}

UserEvent Plane::handleUserEvent(UserEvent e) {
    if (e == ESC) {
        if (escResult != ESCDEFAULT) return escResult;
        closeEvent = ESC;
        if (selectability != ACTIVE) return e;
        asyncDefocus(ESC);
        return 0;
    }
    if (passKey != 0 && e == passKey) return e | EventStopBit;
    return Collection::handleUserEvent(e);
}

void Plane::_draw_(const Rect& absRect, bool clip, bool inv, Color background, Rect* area,
                   bool redraw) {
    drawDecorations(absRect);
    Collection::_draw_(absRect, clip, inv, background, area, redraw);
}

void Plane::drawDecorations(const Rect& r) {
    if (frameStyle == FRAME_SHADOW) {
        fillRect(r.right() + 1, r.top(), PlaneShadowWidth, r.height() + PlaneShadowWidth, DimColor);
        fillRect(r.left(), r.bottom() + 1, r.width(), PlaneShadowWidth, DimColor);
    } else if (frameStyle == FRAME_RINGS) {
        frameRect(r.shrink(-PlaneRingWidth), DimColor, PlaneRingWidth);
        frameRect(r.shrink(-2 * PlaneRingWidth), 15, PlaneRingWidth);
    }
    if (frameStyle != FRAME_NONE) frameRect(r.shrink(-(frameWidth - 1)), normalColor, frameWidth);
}
