// Shared objects and their references.
#include "gui/shared_obj.h"

void SharedObj::change(GraphicalObjOperability from, GraphicalObjOperability to) {
    GraphicalObjOperability old = level;
    if (from > 0 && from < 5 && counts[from] > 0) {
        if (--counts[from] == 0 && from == level) {
            level = OPERABILITY_HIDDEN;
            for (int l = 4; l > 0; --l)
                if (counts[l] != 0) {
                    level = l;
                    break;
                }
        }
    }
    if (to > 0 && to < 5) {
        if (counts[to] < 255) ++counts[to];
        if (to > level) level = to;
    }
    if (level == old || obj == nullptr) return;
    undo(old);
    apply(level);
}

void SharedObj::undo(GraphicalObjOperability l) {
    switch (l) {
    case OPERABILITY_HIDDEN:
        obj->show(true, false);
        break;
    case OPERABILITY_INVERTED:
        obj->invert(false);
        break;
    case OPERABILITY_BLINKING:
        obj->blinkStop();
        break;
    case OPERABILITY_DIMMED:
        obj->dim(false, true);
        break;
    default:
        break;
    }
}

void SharedObj::apply(GraphicalObjOperability l) {
    switch (l) {
    case OPERABILITY_HIDDEN:
        obj->hide();
        break;
    case OPERABILITY_INVERTED:
        obj->invert(true);
        break;
    case OPERABILITY_BLINKING:
        obj->blinkStart();
        break;
    case OPERABILITY_DIMMED:
        obj->dim(true, true);
        break;
    default:
        break;
    }
}

SharedObjRef::SharedObjRef(const BBox& b, SharedObj* s, bool shownArg, bool follows)
    : GraphicalObj(b, shownArg, true, false), shared(s), followsAncestors(follows) {}

GraphicalObjOperability SharedObjRef::wanted() const {
    if (hidden || (followsAncestors && ancestorHidden)) return OPERABILITY_HIDDEN;
    if (blinkState != NOT_BLINKING) return OPERABILITY_BLINKING;
    if (inverted) return OPERABILITY_INVERTED;
    return enabled ? OPERABILITY_NORMAL : OPERABILITY_DIMMED;
}

void SharedObjRef::update() {
    GraphicalObjOperability w = wanted();
    if (w == requested) return;
    GraphicalObjOperability from = requested;
    requested = w;
    if (shared != nullptr) shared->change(from, w);
}

void SharedObjRef::_draw_(const Rect&, bool, bool, Color, Rect*, bool) {
    update();
}

void SharedObjRef::shown(bool on) {
    hidden = !on;
    update();
}

void SharedObjRef::ancestorShown(bool on) {
    ancestorHidden = !on;
    if (followsAncestors) update();
}

void SharedObjRef::dim(bool d, bool) {
    enabled = !d;
    update();
}

void SharedObjRef::blinking(bool on) {
    blinkState = on ? BLINKING : NOT_BLINKING;
    update();
}

bool SharedObjRef::visible() const {
    return followsAncestors && GraphicalObj::visible();
}
