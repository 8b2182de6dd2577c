// Collections: children, visibility passed down, navigation and key handling.
#include "gui/collection.h"

#include "gui/layer.h"
#include "gui/text_obj.h"

Collection::Collection(const BBox& b, Selectability s, bool shownArg)
    : GraphicalObj(b, shownArg, true, false) {
    selectability = s;
}

// The children belong to whoever made them and may already be gone; only the labels this
// collection made itself are its own.
Collection::~Collection() {
    while (ownedLabels != nullptr) {
        TextObj* next = ownedLabels->nextOwned;
        delete ownedLabels;
        ownedLabels = next;
    }
}

void Collection::own(TextObj* t) {
    t->nextOwned = ownedLabels;
    ownedLabels = t;
}

Collection* Collection::container(const GraphicalObjListNode* n) {
    if (n == nullptr || n->obj == nullptr || n->obj->selectability != NAVIGABLE_CONTAINER)
        return nullptr;
    return n->obj->asCollection();
}

void Collection::_draw_(const Rect& absRect, bool clip, bool inv, Color background, Rect* area,
                        bool) {
    for (GraphicalObjListNode* n = children.first(); n != nullptr; n = n->next)
        n->obj->genericDraw(DRAW_CHILD, &absRect, clip, inv, background, area);
}

void Collection::shown(bool on) {
    if (hidden == on && !ancestorHidden)
        for (GraphicalObjListNode* n = children.first(); n != nullptr; n = n->next)
            n->obj->ancestorShown(on);
    hidden = !on;
}

void Collection::ancestorShown(bool on) {
    if (ancestorHidden == on && !hidden)
        for (GraphicalObjListNode* n = children.first(); n != nullptr; n = n->next)
            n->obj->ancestorShown(on);
    ancestorHidden = !on;
}

void Collection::onLayer(Layer* l, Rect* clip) {
    if (l == layer) return;
    layer = l;
    ownClipRect = clip;
    for (GraphicalObjListNode* n = children.first(); n != nullptr; n = n->next)
        n->obj->onLayer(l, clip);
}

void Collection::dim(bool d, bool redraw) {
    for (GraphicalObjListNode* n = children.first(); n != nullptr; n = n->next)
        n->obj->dim(d, redraw);
}

void Collection::add(GraphicalObj* obj, GraphicalObj* after) {
    if (obj == nullptr) return;
    children.addObj(obj, children.findNode(after));
    obj->parent = this;
    obj->onLayer(layer, ownClipRect);
    obj->ancestorShown(!hidden && !ancestorHidden);
    if (current == nullptr) navigateFirst();
    obj->draw(nullptr, true);
}

void Collection::remove(GraphicalObj* obj) {
    GraphicalObjListNode* node = children.findNode(obj);
    if (node == nullptr) return;
    // A selection frame must not stay around an object that is gone, nor around one inside
    // a collection that goes.
    bool wasCurrent = node == current;
    GraphicalObj* selected = wasCurrent ? currentObj() : obj;
    bool wasSelected = selected != nullptr && selected->selectability == SELECTED;
    if (wasSelected) selected->deselect();
    obj->erase(nullptr);
    children.removeNode(node);
    obj->parent = nullptr;
    obj->onLayer(nullptr, nullptr);
    if (wasCurrent) {
        current = nullptr;
        if (navigateFirst() && wasSelected) currentObj()->select();
    }
}

void Collection::removeAll() {
    while (!children.empty())
        remove(children.first()->obj);
}

GraphicalObj* Collection::currentObj() const {
    if (current == nullptr) return nullptr;
    if (Collection* c = container(current)) return c->currentObj();
    return current->obj;
}

GraphicalObjListNode* Collection::circularNext(GraphicalObjListNode* node, bool wrap) const {
    GraphicalObjListNode* n = node->next;
    if (n == nullptr && wrap) n = children.first();
    return n;
}

GraphicalObjListNode* Collection::circularPrev(GraphicalObjListNode* node, bool wrap) const {
    GraphicalObjListNode* p = node->prev;
    if (p == nullptr || p == &children)
        p = wrap ? (children.empty() ? nullptr : children.last) : nullptr;
    return p;
}

bool Collection::navigateFirst() {
    return navigateNext(false, &children);
}

bool Collection::navigateLast() {
    if (children.empty()) {
        current = nullptr;
        return false;
    }
    return navigatePrev(false, children.last);
}

bool Collection::navigateNext(bool wrap, GraphicalObjListNode* start) {
    if (Collection* c = container(current))
        if (c->navigateNext(false, start != nullptr ? &c->children : nullptr)) return true;
    if (start == nullptr) start = current != nullptr ? current : &children;
    if (start == &children) wrap = false; // the head is never met again when wrapping
    current = circularNext(start, wrap);
    while (current != nullptr && current != start) {
        if (current->obj->selectable()) return true;
        if (Collection* c = container(current))
            if (c->navigateFirst()) return true;
        current = circularNext(current, wrap);
    }
    if (current != nullptr && current == start)
        if (Collection* c = container(current)) return c->navigateFirst();
    return current != nullptr;
}

bool Collection::navigatePrev(bool wrap, GraphicalObjListNode* start) {
    if (Collection* c = container(current))
        if (c->navigatePrev(false, start != nullptr ? c->children.last : nullptr)) return true;
    bool tryStart = start != nullptr;
    if (start == nullptr) start = current != nullptr ? current : &children;
    if (start == &children) {
        // Walking back from the head: begin at the last child.
        start = children.empty() ? nullptr : children.last;
        tryStart = true;
        if (start == nullptr) {
            current = nullptr;
            return false;
        }
    }
    current = tryStart ? start : circularPrev(start, wrap);
    bool first = tryStart;
    while (current != nullptr && (first || current != start)) {
        first = false;
        if (current->obj->selectable()) return true;
        if (Collection* c = container(current))
            if (c->navigateLast()) return true;
        current = circularPrev(current, wrap);
    }
    if (current != nullptr && current == start)
        if (Collection* c = container(current)) return c->navigateLast();
    return current != nullptr;
}

void Collection::focus() {
    if (!navigateFirst()) {
        GraphicalObj::focus();
        return;
    }
    GraphicalObj* cur = currentObj();
    if (activateChildOnFocus) {
        GraphicalObj::focus();
        if (cur != nullptr) cur->activate();
    } else {
        if (cur != nullptr) cur->select();
        GraphicalObj::focus();
    }
}

void Collection::refocus(UserEvent e) {
    if (!activateChildOnFocus && e == 0) {
        if (GraphicalObj* cur = currentObj()) cur->select();
    } else {
        defocus(e);
    }
}

UserEvent Collection::handleUserEvent(UserEvent e) {
    bool active = selectability == ACTIVE;
    if ((active && e == ESC) || e == CLOSENO || e == CLOSEYES) {
        UserEvent passed = e == ESC ? CLOSENO : e;
        for (GraphicalObjListNode* n = children.first(); n != nullptr; n = n->next)
            n->obj->handleUserEvent(passed);
    }
    if (active && (e == ESC || (e == ENTER && !enterIsForChildren))) {
        if (GraphicalObj* cur = currentObj()) cur->deselect();
        defocus(e);
        return 0;
    }
    GraphicalObj* cur = currentObj();
    if (cur == nullptr) return e;
    switch (e) {
    case ENTER:
    case CLICK:
        return cur->selectable() ? cur->activate() : 0;
    case UPARROW:
    case LEFTARROW:
    case DIALCCW:
    case DOWNARROW:
    case RIGHTARROW:
    case DIALCW: {
        bool back = e == UPARROW || e == LEFTARROW || e == DIALCCW;
        cur->deselect();
        bool found = back ? navigatePrev(true, nullptr) : navigateNext(true, nullptr);
        if (found)
            if (GraphicalObj* now = currentObj()) now->select();
        return 0;
    }
    default:
        return e;
    }
}
