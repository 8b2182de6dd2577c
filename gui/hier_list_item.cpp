// List items: tree walks in pre-order, ordinals, selection by inversion, and the expand and
// collapse icons.
#include "gui/hier_list_item.h"

#include "gui/bitmap_obj.h"
#include "gui/gui_language.h"
#include "gui/hier_list.h"
#include "gui/layer.h"

HierListItem::HierListItem(long h, SublistState state, VRefType bottom, Selectability s)
    : Collection(BBox(RefPoint(At(1, 0), HREF_LEFT, VREF_TOP_MARGIN),
                      RefPoint(At(0, static_cast<int32_t>(h - 1)), HREF_RIGHT_MARGIN, bottom)),
                 s, false),
      sublistState(state) {
    ancestorHidden = false; // the list shows and hides each item itself
    mirrorChildren = true;
}

HierListItem* HierListItem::findNext(bool visibleOnly) const {
    if (firstChild != nullptr && (!visibleOnly || sublistState != SUBLIST_COLLAPSED))
        return firstChild;
    for (const HierListItem* p = this; p != nullptr; p = p->parentItem)
        if (p->next != nullptr) return p->next;
    return nullptr;
}

HierListItem* HierListItem::findPrev(bool visibleOnly) const {
    if (prev == nullptr) return parentItem;
    HierListItem* i = prev;
    while (i->firstChild != nullptr && (!visibleOnly || i->sublistState != SUBLIST_COLLAPSED)) {
        i = i->firstChild;
        while (i->next != nullptr)
            i = i->next;
    }
    return i;
}

HierListItem* HierListItem::findLast(bool topOnly) const {
    const HierListItem* i = this;
    for (;;) {
        while (i->next != nullptr)
            i = i->next;
        if (topOnly || i->firstChild == nullptr || i->sublistState == SUBLIST_COLLAPSED) break;
        i = i->firstChild;
    }
    return const_cast<HierListItem*>(i);
}

bool HierListItem::displayable() const {
    if (omitted) return false;
    for (const HierListItem* p = parentItem; p != nullptr; p = p->parentItem)
        if (p->omitted || p->sublistState == SUBLIST_COLLAPSED) return false;
    return true;
}

bool HierListItem::selectable() const {
    return selectability >= SELECTABLE && enabled && displayable();
}

bool HierListItem::visible() const {
    if (hidden || layer == nullptr || !layer->layerIsActive()) return false;
    return parent == nullptr || parent->visible();
}

namespace {
// The first item from start (or after it) in the given direction that passes the test.
template <typename Test>
HierListItem* seek(HierListItem* start, bool skipSelf, bool forward, Test test) {
    HierListItem* i = start;
    if (i != nullptr && skipSelf) i = forward ? i->findNext(true) : i->findPrev(true);
    while (i != nullptr && !test(i))
        i = forward ? i->findNext(true) : i->findPrev(true);
    return i;
}
} // namespace

HierListItem* HierListItem::findNextVisible(bool skipSelf) {
    return seek(this, skipSelf, true, [](HierListItem* i) { return !i->hidden; });
}

HierListItem* HierListItem::findNextSelectable(bool skipSelf) {
    return seek(this, skipSelf, true, [](HierListItem* i) { return i->selectable(); });
}

HierListItem* HierListItem::findPrevSelectable(bool skipSelf) {
    return seek(this, skipSelf, false, [](HierListItem* i) { return i->selectable(); });
}

HierListItem* HierListItem::findNextDisplayable(bool skipSelf) {
    return seek(this, skipSelf, true, [](HierListItem* i) { return i->displayable(); });
}

HierListItem* HierListItem::findPrevDisplayable(bool skipSelf) {
    return seek(this, skipSelf, false, [](HierListItem* i) { return i->displayable(); });
}

long HierListItem::getLevel() const {
    long n = 0;
    for (const HierListItem* p = parentItem; p != nullptr; p = p->parentItem)
        ++n;
    return n;
}

bool HierListItem::itemInList(const HierListItem* item) const {
    for (const HierListItem* i = this; i != nullptr; i = i->findNext(false))
        if (i == item) return true;
    return false;
}

HierListItem* HierListItem::itemAt(long n) {
    for (HierListItem* i = this; i != nullptr; i = i->findNext(false))
        if (i->ordinal == n) return i;
    return nullptr;
}

void HierListItem::shiftOrdinal(long delta) {
    for (HierListItem* i = this; i != nullptr; i = i->findNext(false))
        i->ordinal += static_cast<int32_t>(delta);
}

void HierListItem::drawList(Rect* area) {
    for (HierListItem* i = findNextVisible(false); i != nullptr; i = i->findNextVisible(true))
        i->draw(area, true);
}

void HierListItem::hideList() {
    for (HierListItem* i = findNextVisible(false); i != nullptr; i = i->findNextVisible(true))
        i->hide();
}

void HierListItem::eraseList() {
    for (HierListItem* i = findNextVisible(false); i != nullptr; i = i->findNextVisible(true))
        i->erase(nullptr);
}

bool HierListItem::fullyVisible() const {
    if (!visible() || owner == nullptr) return false;
    Rect r = getAbsRect(nullptr);
    Rect area = owner->computeViewingArea();
    return area.overlaps(r) == 3;
}

bool HierListItem::omit(bool on) {
    if (omitted == on) return false;
    if (on) hide();
    omitted = on;
    return true;
}

void HierListItem::onLayer(Layer* l, Rect* clip) {
    layer = l;
    ownClipRect = clip;
    for (GraphicalObjListNode* n = children.first(); n != nullptr; n = n->next)
        n->obj->onLayer(l, clip);
}

void HierListItem::select() {
    selectability = SELECTED;
    invert(true);
}

void HierListItem::deselect() {
    if (selectability != SELECTED) return;
    selectability = SELECTABLE;
    invert(false);
}

Color HierListItem::getSelectionBkgndColor(Color c) {
    if (parent != nullptr && parent->normalColor != 0) return parent->normalColor;
    return GraphicalObj::getSelectionBkgndColor(c);
}

void HierListItem::focus() {
    if (navigateFirst()) {
        GraphicalObj* child = currentObj();
        child->select();
        GraphicalObj::focus();
        child->activate();
        return;
    }
    select();
}

void HierListItem::refocus(UserEvent e) {
    defocus(e);
}

UserEvent HierListItem::handleUserEvent(UserEvent e) {
    if (e == ESC && selectability == ACTIVE) defocus(e);
    return 0;
}

int32_t HierListItem::getLeftMargin() const {
    if (parent == nullptr) return 0;
    return static_cast<int32_t>(
        parent->adjustLeftMargin(HierListIndent * getLevel() + HierListIconRoom));
}

void HierListItem::_draw_(const Rect& r, bool clip, bool inv, Color background, Rect* area,
                          bool redraw) {
    Collection::_draw_(r, clip, inv, background, area, redraw);
    if (firstChild == nullptr || sublistState == SUBLIST_ALWAYS_EXPANDED || parent == nullptr)
        return;
    // A list without sublists keeps no room for icons.
    if (parent->adjustLeftMargin(9999) != 9999) return;
    Bitmap* icon = sublistState == SUBLIST_COLLAPSED ? &ExpandIconBitmap : &CollapseIconBitmap;
    long x = r.left() + getLeftMargin() - HierListIconOffset;
    if (CurrentRightToLeft) x = r.right() - getLeftMargin() + HierListIconOffset - icon->width + 1;
    drawBitmap(icon, x, r.vAlign(ALIGN_VCENTER), ALIGN_VCENTER, NoColor, 0);
}
