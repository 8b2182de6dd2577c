// The hierarchical list: adding and removing items with renumbering, laying the items out
// around an anchor item, the scroll bar, and the keys.
#include "gui/hier_list.h"

#include "gui/bitmap_obj.h"
#include "gui/layer.h"
#include "text/vocabulary.h"

HierList::HierList(const BBox& b, bool selectableArg)
    : Collection(b, selectableArg ? SELECTABLE : NOT_SELECTABLE, true),
      idleSelectability(selectability) {}

int32_t HierList::getRightMargin() const {
    return showScrollBar ? -(2 + ElevatorBox.width) : -1;
}

Rect HierList::computeViewingArea() const {
    return getAbsRect(nullptr).shrink(1, getTopMargin(), getRightMargin(), -1);
}

long HierList::availableHeight() const {
    return getAbsRect(nullptr).height() - getTopMargin() - 1;
}

long HierList::totalHeight() const {
    long h = 0;
    for (HierListItem* i = root; i != nullptr; i = i->findNext(false))
        if (!i->omitted) h += i->height();
    return h;
}

void HierList::onLayer(Layer* l, Rect* clip) {
    layer = l;
    ownClipRect = clip;
    viewingArea = computeViewingArea();
    for (HierListItem* i = root; i != nullptr; i = i->findNext(false))
        i->onLayer(l, &viewingArea);
}

HierListItem* HierList::place(HierListItem* anchor, WhereAdded where, long avail) {
    HierListItem* from = anchor;
    anchor = from != nullptr ? from->findNextDisplayable(false) : nullptr;
    if (anchor == nullptr && from != nullptr) anchor = from->findPrevDisplayable(true);
    if (anchor == nullptr) return nullptr;
    long h = anchor->height();
    long y = where == ANCHOR_AT_TOP      ? 0
             : where == ANCHOR_AT_BOTTOM ? avail - h
                                         : anchor->box.start.at.y;
    // The anchor is the item the user looks at: it stays wholly inside the area.
    if (y + h > avail) y = avail - h;
    if (y < 0) y = 0;
    HierListItem* first = anchor;
    long up = y;
    for (HierListItem* i = anchor->findPrevDisplayable(true); i != nullptr && up > 0;
         i = i->findPrevDisplayable(true)) {
        up -= i->height();
        first = i;
    }
    // Too few items above to reach the top: the list starts at the top with its first item.
    if (up > 0) up = 0;
    long yy = up;
    HierListItem* last = nullptr;
    for (HierListItem* i = first; i != nullptr && yy < avail; i = i->findNextDisplayable(true)) {
        i->box.start.at.y = static_cast<int32_t>(yy);
        yy += i->height();
        last = i;
    }
    // Items ran out above the bottom while others lie above the top: the last one goes to
    // the bottom, so that no room is left empty while items are hidden.
    if (yy < avail && first->findPrevDisplayable(true) != nullptr &&
        last->findNextDisplayable(true) == nullptr)
        return place(last, ANCHOR_AT_BOTTOM, avail);
    return first;
}

void HierList::showListAnchorItem(HierListItem* anchor, WhereAdded where, bool show) {
    layoutLanguage = V.currentLanguage;
    long avail = availableHeight();
    hasRoom = avail >= 1;
    top = place(anchor, where, avail);
    long y = top != nullptr ? top->box.start.at.y : avail;
    for (HierListItem* i = top; i != nullptr && y < avail; i = i->findNextDisplayable(true)) {
        if (show)
            i->show(true, false);
        else
            i->shown(true);
        y += i->height();
    }
}

void HierList::setViewingArea(bool fromTop) {
    viewingArea = computeViewingArea();
    if (top != nullptr) top->hideList();
    if (fromTop || current == nullptr)
        showListAnchorItem(root, ANCHOR_AT_TOP, true);
    else
        showListAnchorItem(current, ANCHOR_IN_PLACE, true);
}

void HierList::forgetShownItems() {
    for (HierListItem* i = top != nullptr ? top->findNextVisible(false) : nullptr; i != nullptr;
         i = i->findNextVisible(true))
        i->shown(false);
}

void HierList::relayout(HierListItem* anchor, WhereAdded where) {
    if (top != nullptr) top->hideList();
    showListAnchorItem(anchor != nullptr ? anchor : root, where, true);
}

void HierList::_draw_(const Rect& r, bool, bool, Color, Rect* area, bool) {
    layer->frameRect(r, normalColor);
    Rect now = r.shrink(1, getTopMargin(), getRightMargin(), -1);
    if (now == viewingArea && layoutLanguage == V.currentLanguage && top != nullptr) {
        top->drawList(area);
    } else {
        // Moved, resized or in another language: lay out again, drawing only at the end.
        bool wasSelected = current != nullptr && current->selectability == SELECTED;
        if (wasSelected) {
            current->selectability = SELECTABLE;
            current->inverted = false;
        }
        forgetShownItems();
        viewingArea = now;
        showListAnchorItem(current != nullptr ? current : root, ANCHOR_IN_PLACE, false);
        if (wasSelected) {
            current->selectability = SELECTED;
            current->inverted = true;
        }
        if (top != nullptr) top->drawList(area);
    }
    drawScrollBar(true);
}

void HierList::drawScrollBar(bool full) {
    if (!showScrollBar || root == nullptr || !visible() || !layer->isNotDarkMode(true)) return;
    Rect r = getAbsRect(nullptr);
    long x0 = r.right() + getRightMargin() + 1; // the strip's left frame column
    long ax = x0 + 1;
    long upY = r.top() + ScrollBarArrowInset;
    long downY = r.bottom() - ScrollBarArrowInset - DownArrow.height + 1;
    Rect trough(At(static_cast<int32_t>(x0), static_cast<int32_t>(upY + UpArrow.height + 1)),
                At(r.right(), static_cast<int32_t>(downY - 2)));
    layer->pushClip(true);
    Rect* savedClip = layer->clipRect;
    layer->clipRect = ownClipRect;
    if (full) {
        Rect strip(At(static_cast<int32_t>(x0), r.top()), r.bottomRight);
        layer->fillRect(strip, 15);
        layer->frameRect(strip, normalColor);
        drawBitmap(&UpArrow, ax, upY, ALIGN_LEFT_TOP, NoColor, 0);
        drawBitmap(&DownArrow, ax, downY, ALIGN_LEFT_TOP, NoColor, 0);
        layer->frameRect(trough, normalColor);
    }
    Rect inside = trough.shrink(1);
    if (inside.height() >= ElevatorBox.height - 2) {
        layer->fillRect(inside, 15);
        long p = current != nullptr ? current->ordinal - firstOrdinal : 0;
        long n = count - 1;
        if (count < 2) {
            p = 0;
            n = 1;
        }
        if (p < 0) p = 0;
        if (p > n) p = n;
        long y = inside.top() + (p * (inside.height() - ElevatorBox.height + 2) + n / 2) / n - 1;
        drawBitmap(&ElevatorBox, ax, y, ALIGN_LEFT_TOP, NoColor, 0);
    }
    layer->clipRect = savedClip;
    layer->popClip();
}

void HierList::addItem(HierListItem* item, WhereAdded where, HierListItem* ref, bool countIt) {
    // An item lives in one list at a time, and a reference must be of this list.
    if (item == nullptr || item->owner != nullptr) return;
    if (ref != nullptr && ref->owner != this) ref = nullptr;
    bool quiet = rebuilding || item->omitted;
    if (!quiet) {
        reselect = current != nullptr && current->selectability == SELECTED;
        if (current != nullptr) {
            savedY = current->box.start.at.y;
            current->deselect();
        }
        if (top != nullptr) top->hideList();
    }
    item->owner = this;
    item->parent = this;
    item->next = item->prev = item->parentItem = nullptr;
    if (ref == nullptr) {
        if (root == nullptr) {
            root = item;
        } else if (where == ADD_LAST_CHILD) {
            HierListItem* last = root->findLast(true);
            last->next = item;
            item->prev = last;
        } else {
            item->next = root;
            root->prev = item;
            root = item;
        }
    } else if (where == ADD_NEXT_SIBLING) {
        item->parentItem = ref->parentItem;
        item->prev = ref;
        item->next = ref->next;
        if (ref->next != nullptr) ref->next->prev = item;
        ref->next = item;
    } else {
        item->parentItem = ref;
        hasSublists = true;
        if (where == ADD_FIRST_CHILD || ref->firstChild == nullptr) {
            item->next = ref->firstChild;
            if (ref->firstChild != nullptr) ref->firstChild->prev = item;
            ref->firstChild = item;
        } else {
            HierListItem* last = ref->firstChild->findLast(true);
            last->next = item;
            item->prev = last;
        }
    }
    item->onLayer(layer, &viewingArea);
    if (rebuilding) return;
    if (countIt) {
        ++count;
        HierListItem* before = item->findPrev(false);
        item->ordinal = before != nullptr ? before->ordinal : 0;
        item->shiftOrdinal(1);
    }
    if (item->omitted) return;
    if (current == nullptr && item->selectable()) {
        current = item;
        relayout(item, ANCHOR_AT_TOP);
    } else if (current != nullptr) {
        current->box.start.at.y = savedY;
        relayout(current, ANCHOR_IN_PLACE);
    } else {
        relayout(root, ANCHOR_AT_TOP);
    }
    if (current != nullptr && (reselect || visible())) current->select();
    drawScrollBar(true);
}

void HierList::unlink(HierListItem* item) {
    if (item->prev != nullptr)
        item->prev->next = item->next;
    else if (item->parentItem != nullptr)
        item->parentItem->firstChild = item->next;
    else
        root = item->next;
    if (item->next != nullptr) item->next->prev = item->prev;
    item->next = item->prev = nullptr;
}

void HierList::removeItem(HierListItem* item, bool countIt) {
    if (item == nullptr || item->owner != this) return;
    bool wasSelected = current != nullptr && current->selectability == SELECTED;
    if (!rebuilding) {
        if (current != nullptr) current->deselect();
        if (top != nullptr) top->hideList();
    }
    // The subtree ends where pre-order leaves the item's sublist.
    HierListItem* after = nullptr;
    for (const HierListItem* p = item; p != nullptr && after == nullptr; p = p->parentItem)
        after = p->next;
    bool currentGoes = false, topGoes = false;
    long n = 0;
    for (HierListItem* i = item; i != nullptr && i != after; i = i->findNext(false)) {
        ++n;
        currentGoes |= i == current;
        topGoes |= i == top;
    }
    if (currentGoes) {
        current = after != nullptr ? after->findNextSelectable(false) : nullptr;
        if (current == nullptr) current = item->findPrevSelectable(true);
    }
    if (topGoes) top = nullptr;
    unlink(item);
    // Dissolve the subtree: every item leaves the list on its own.
    HierListItem* i = item;
    while (i != nullptr) {
        HierListItem* following = i->findNext(false);
        i->owner = nullptr;
        i->parent = nullptr;
        i->shown(false);
        i->inverted = false;
        if (i->selectability == SELECTED) i->selectability = SELECTABLE;
        i->onLayer(nullptr, nullptr);
        if (i != item) i->next = i->prev = nullptr;
        i->parentItem = nullptr;
        i->firstChild = nullptr;
        i = following != after ? following : nullptr;
    }
    if (rebuilding) return;
    if (countIt) {
        count -= static_cast<int32_t>(n);
        if (after != nullptr) after->shiftOrdinal(-n);
    }
    if (current != nullptr)
        relayout(current, ANCHOR_IN_PLACE);
    else
        relayout(root, ANCHOR_AT_TOP);
    if (current != nullptr && (wasSelected || visible())) current->select();
    drawScrollBar(true);
}

void HierList::rebuild(bool start) {
    if (start) {
        if (current != nullptr) current->deselect();
        if (top != nullptr) top->hideList();
        rebuilding = true;
        while (root != nullptr)
            removeItem(root, false);
        current = top = nullptr;
        count = 0;
        return;
    }
    rebuilding = false;
    count = 0;
    for (HierListItem* i = root; i != nullptr; i = i->findNext(false))
        i->ordinal = ++count;
    if (current == nullptr && root != nullptr) current = root->findNextSelectable(false);
    relayout(root, ANCHOR_AT_TOP);
    if (current != nullptr && visible()) current->select();
    drawScrollBar(true);
}

void HierList::omitItem(HierListItem* item, bool on) {
    if (item == nullptr || item->owner != this || item->omitted == on) return;
    bool wasSelected = current != nullptr && current->selectability == SELECTED;
    if (current != nullptr) current->deselect();
    if (top != nullptr) top->hideList();
    item->omit(on);
    // A current item that can no longer be seen gives way to the first one.
    if (current != nullptr && !current->selectable()) {
        current = root->findNextSelectable(false);
        relayout(root, ANCHOR_AT_TOP);
    } else {
        relayout(current != nullptr ? current : root,
                 current != nullptr ? ANCHOR_IN_PLACE : ANCHOR_AT_TOP);
    }
    if (current != nullptr && (wasSelected || visible())) current->select();
    drawScrollBar(true);
}

void HierList::moveTo(HierListItem* item, bool forward) {
    if (current != nullptr) current->deselect();
    current = item;
    if (!item->fullyVisible()) relayout(item, forward ? ANCHOR_AT_BOTTOM : ANCHOR_AT_TOP);
    item->select();
    drawScrollBar(false);
}

bool HierList::navigateFirst() {
    HierListItem* to = root != nullptr ? root->findNextSelectable(false) : nullptr;
    if (to == nullptr) return false;
    if (to != current) moveTo(to, false);
    return true;
}

bool HierList::navigateLast() {
    HierListItem* to = root != nullptr ? root->findLast(false)->findPrevSelectable(false) : nullptr;
    if (to == nullptr) return false;
    if (to != current) moveTo(to, true);
    return true;
}

bool HierList::navigateNext() {
    HierListItem* to = current != nullptr ? current->findNextSelectable(true) : nullptr;
    if (to == nullptr) return false;
    moveTo(to, true);
    return true;
}

bool HierList::navigatePrev() {
    HierListItem* to = current != nullptr ? current->findPrevSelectable(true) : nullptr;
    if (to == nullptr) return false;
    moveTo(to, false);
    return true;
}

void HierList::toggleExpansion() {
    if (current == nullptr || current->firstChild == nullptr ||
        current->sublistState == SUBLIST_ALWAYS_EXPANDED)
        return;
    // Hidden before the state changes, while the walk still sees the shown children.
    if (top != nullptr) top->hideList();
    current->sublistState =
        current->sublistState == SUBLIST_COLLAPSED ? SUBLIST_EXPANDED : SUBLIST_COLLAPSED;
    showListAnchorItem(current, ANCHOR_IN_PLACE, true);
    drawScrollBar(false);
}

bool HierList::onClick() {
    if (current == nullptr || current->firstChild == nullptr ||
        current->sublistState == SUBLIST_ALWAYS_EXPANDED)
        return false;
    current->deselect();
    toggleExpansion();
    current->select();
    return true;
}

void HierList::selectItem(HierListItem* item, bool fullScrollBar) {
    // Only an item that can be seen can hold the selection.
    if (item == nullptr || item->owner != this || item == current || !item->displayable()) return;
    if (current != nullptr) current->deselect();
    if (item->hidden || item == top) {
        bool below = top != nullptr && item->ordinal > top->ordinal;
        relayout(item, below ? ANCHOR_AT_BOTTOM : ANCHOR_AT_TOP);
    }
    current = item;
    item->select();
    drawScrollBar(fullScrollBar);
}

void HierList::selectFirstItem() {
    HierListItem* first = root != nullptr ? root->findNextDisplayable(false) : nullptr;
    if (first == nullptr || first == current) return;
    if (current != nullptr) current->deselect();
    relayout(first, ANCHOR_AT_TOP);
    current = top;
    current->select();
    drawScrollBar(false);
}

void HierList::selectCurrentItem(HierListItem* item) {
    if (item != nullptr && item->owner == this && item != current) {
        if (current != nullptr) current->deselect();
        current = item;
    }
    if (current != nullptr) current->select();
}

void HierList::onLanguageChange() {
    for (HierListItem* i = root; i != nullptr; i = i->findNext(false))
        i->onLanguageChange();
}

void HierList::focus() {
    if (current == nullptr && root != nullptr) current = root->findNextSelectable(false);
    if (current == nullptr) return;
    if (current->hidden) relayout(current, ANCHOR_AT_TOP);
    selectability = ACTIVE;
    current->select();
    drawScrollBar(false);
    GraphicalObj::focus();
}

void HierList::refocus(UserEvent) {
    if (current != nullptr) current->select();
}

void HierList::leave(UserEvent e) {
    if (current != nullptr) current->deselect();
    selectability = idleSelectability;
    GraphicalObj::defocus(e);
}

void HierList::defocus(UserEvent e) {
    leave(e);
}

UserEvent HierList::handleUserEvent(UserEvent e) {
    if (e == enterAlias) e = ENTER;
    if (passKeys && (e == ESC || e == ENTER || e == CLICK)) return e;
    if (e == ESC && selectability == ACTIVE) {
        if (escResult != ESCDEFAULT) return escResult;
        leave(defocusEvent);
        return 0;
    }
    if (current == nullptr) return 0;
    switch (e) {
    case UPARROW:
    case DIALCCW:
        if (count > 1 && !navigatePrev() && wraps) navigateLast();
        return 0;
    case DOWNARROW:
    case DIALCW:
        if (count > 1 && !navigateNext() && wraps) navigateFirst();
        return 0;
    case LEFTARROW: {
        HierListItem* p = current->parentItem;
        if (p == nullptr || p->sublistState == SUBLIST_ALWAYS_EXPANDED) {
            navigateFirst();
            return 0;
        }
        // Back to the parent, folding its sublist away.
        current->deselect();
        bool parentShown = !p->hidden;
        current = p;
        if (top != nullptr) top->hideList();
        p->sublistState = SUBLIST_COLLAPSED;
        showListAnchorItem(p, parentShown ? ANCHOR_IN_PLACE : ANCHOR_AT_TOP, true);
        p->select();
        drawScrollBar(false);
        return 0;
    }
    case RIGHTARROW:
        navigateLast();
        return 0;
    case CLICK:
        if (onClick()) return 0;
        [[fallthrough]];
    case ENTER:
        if (closeOnEnter) {
            // Not drawn: the list is about to close.
            bool due = layer != nullptr && layer->isRedrawRequired();
            if (layer != nullptr) layer->inhibitDrawing(true);
            current->deselect();
            if (layer != nullptr) {
                layer->setRedrawRequired(due);
                layer->inhibitDrawing(false);
            }
            leave(ENTER);
            return 0;
        }
        return current->selectable() ? current->activate() : current->handleUserEvent(e);
    default:
        return e;
    }
}
