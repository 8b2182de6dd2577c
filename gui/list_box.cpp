// The list box: the shown item, the popup's place, and writing the chosen value.
#include "gui/list_box.h"

#include "gui/application_gui.h"
#include "gui/bitmap_obj.h"
#include "gui/layer.h"

ListBox::ListBox(DataRef* ref, const BBox& b, unsigned long maxHeight, HierList* given,
                 bool selectableArg, bool shownArg, bool enabledArg, bool icon, bool live,
                 Color itemBackground)
    : Collection(b, selectableArg ? SELECTABLE : NOT_SELECTABLE, shownArg),
      NotifiableWithDataRef(ref), maxPopupHeight(maxHeight),
      plane(BBox(At(0, 0), 10, ListBoxMinPopupHeight), FRAME_NONE, NOT_SELECTABLE),
      list(given != nullptr ? given : &ownList), showIcon(icon), liveEdit(live),
      invertedItemBackground(itemBackground), ownList(BBox(BBOX_FILL_PARENT), true) {
    enabled = enabledArg;
    if (given == nullptr) ownList.closeOnEnter = true;
    // ESC leaves the list and closes the popup in one go.
    list->defocusEvent = ESC;
    plane.activateChildOnFocus = true;
    plane.add(list);
    if (dataRef != nullptr) dataRef->registerInterest(this);
}

ListBox::~ListBox() {
    if (plane.isOpen()) theScreen.removeLayer(&plane);
    if (dataRef == nullptr) return;
    edit.end(dataRef);
    dataRef->deregisterInterest();
}

int32_t ListBox::getRightMargin() const {
    return showIcon && selectability >= SELECTABLE ? -static_cast<int32_t>(ListBoxIconStrip + 2)
                                                   : -1;
}

HierListItem* ListBox::getItem(double value) const {
    for (HierListItem* i = list->root; i != nullptr; i = i->findNext(false))
        if (static_cast<double>(i->getValue()) == value) return i;
    return nullptr;
}

bool ListBox::_erase_(const Rect& r, Color c) {
    eraseInterior(r, c);
    return false;
}

void ListBox::_draw_(const Rect& r, bool clip, bool inv, Color background, Rect* area,
                     bool redraw) {
    // Drawn with its parent, a box of its own colour may lie on an earlier sibling (a list on
    // a dark panel): the parent's background is not what is under it. The whole box, as a
    // drawing of the list alone erases it.
    if (!redraw && backgroundColor != ParentBackground && layer != nullptr)
        layer->fillRect(r, background);
    if (showIcon && selectability >= SELECTABLE) {
        long x = r.right() - ListBoxIconStrip;
        layer->vline(x, r.top(), r.height(), currentColor);
        drawBitmap(&listBoxBitmap, x + 1, r.vAlign(ALIGN_VCENTER), ALIGN_VCENTER, NoColor, 0);
    }
    HierListItem* item = dataRef != nullptr ? getItem(dataRef->getValue()) : nullptr;
    if (item == nullptr) return;
    // The item is borrowed from the list: drawn here as this box's child, then given back.
    Collection* savedParent = item->parent;
    Layer* savedLayer = item->layer;
    Rect* savedClip = item->ownClipRect;
    bool savedHidden = item->hidden, savedInverted = item->inverted;
    int32_t savedY = item->box.start.at.y;
    Color savedBackground = item->backgroundColor;
    itemClip = r.shrink(1, 1, getRightMargin(), -1);
    if (ownClipRect != nullptr) itemClip.intersect(*ownClipRect);
    item->parent = this;
    item->onLayer(layer, &itemClip);
    item->shown(true); // its texts too
    item->inverted = false;
    long room = r.height() - item->height();
    item->box.start.at.y = static_cast<int32_t>(room > 0 ? room / 2 : 0);
    if (inv && invertedItemBackground != NoColor) item->backgroundColor = invertedItemBackground;
    item->genericDraw(DRAW_CHILD, &r, clip, inv, background, area);
    item->backgroundColor = savedBackground;
    item->box.start.at.y = savedY;
    item->inverted = savedInverted;
    item->shown(!savedHidden);
    item->onLayer(savedLayer, savedClip);
    item->parent = savedParent;
}

Rect ListBox::popupRect(const Rect& r, bool& scroll) const {
    long want = list->totalHeight() + 2;
    long h = want;
    if (h > static_cast<long>(maxPopupHeight)) h = static_cast<long>(maxPopupHeight);
    if (h < ListBoxMinPopupHeight) h = ListBoxMinPopupHeight;
    scroll = want > h;
    long y = r.bottom();
    if (y + h > ScreenHeight) {
        y = r.top() - h + 1;
        if (y < 0) {
            // Too high for either side: the side with more room, all of it.
            long above = r.top() + 1, below = ScreenHeight - r.bottom();
            scroll = true;
            if (below >= above) {
                y = r.bottom();
                h = below;
            } else {
                y = 0;
                h = above;
            }
        }
    }
    return Rect(At(r.left(), static_cast<int32_t>(y)),
                At(r.right(), static_cast<int32_t>(y + h - 1)));
}

void ListBox::focus() {
    if (!liveEdit) edit.begin(dataRef);
    if (dataRef != nullptr)
        if (HierListItem* match = getItem(dataRef->getValue())) list->selectCurrentItem(match);
    GraphicalObj::focus();
    invert(true);
    bool scroll = false;
    Rect p = popupRect(getAbsRect(nullptr), scroll);
    list->showScrollBar = scroll;
    plane.box = BBox(p);
    plane.popup(this, At(-1, -1), layer, false);
}

void ListBox::close(bool accepted) {
    HierListItem* chosen = list->current;
    edit.end(dataRef);
    if (accepted && chosen != nullptr && dataRef != nullptr)
        dataRef->setValue(static_cast<double>(chosen->getValue()), true);
    inverted = false;
    if (selectability == ACTIVE) selectability = SELECTABLE;
    draw(nullptr, true);
    GraphicalObj::defocus(0);
}

void ListBox::notify(NotificationEvent event, Data*) {
    switch (event) {
    case DataChangedEvent:
        redraw(true);
        break;
    case CloseAccepted:
    case CloseCancelled:
    case CloseWithoutKey:
        close(event == CloseAccepted);
        break;
    default:
        break;
    }
}

void ListBox::removeItem(HierListItem* item, bool countIt) {
    if (!itemInList(item)) return;
    bool shown = dataRef != nullptr && getItem(dataRef->getValue()) == item;
    list->removeItem(item, countIt);
    // The shown item went: the data follows the list's new current item.
    if (shown && list->current != nullptr)
        dataRef->setValue(static_cast<double>(list->current->getValue()), true);
}
