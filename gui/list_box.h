// A one-line field that shows the list item matching a data value; activating it pops up
// the list on a plane below (or above) itself, and choosing an item with ENTER or CLICK
// writes the item's value into the data.
#pragma once

#include <cstdint>

#include "core/notifiable.h"
#include "data/data_ref.h"
#include "gui/edit_copy.h"
#include "gui/hier_list.h"
#include "gui/plane.h"

// The list-box mark: a strip this wide at the right edge, behind a one-pixel line.
constexpr long ListBoxIconStrip = 9;
constexpr long ListBoxItemMargin = 5;
// The popup is never lower than this.
constexpr long ListBoxMinPopupHeight = 10;

// A collection only so that the shown item can name it as its parent while it draws there.
class ListBox : public Collection, public NotifiableWithDataRef {
public:
    ListBox(DataRef* ref, const BBox& box, unsigned long maxPopupHeight, HierList* list,
            bool selectable, bool shown, bool enabled, bool showIcon, bool liveEdit,
            Color invertedItemBackground);
    ~ListBox() override;

    void _draw_(const Rect& absRect, bool clip, bool inverted, Color background, Rect* area,
                bool redraw) override;
    bool _erase_(const Rect& r, Color c) override;
    void focus() override;
    void refocus(UserEvent) override {}
    UserEvent handleUserEvent(UserEvent e) override { return e; }
    long adjustLeftMargin(long) override { return ListBoxItemMargin; }
    int32_t getRightMargin() const override;
    // Data changes redraw the box; the popup's close codes end the choice.
    void notify(NotificationEvent event, Data* data) override;

    void addItem(HierListItem* item, WhereAdded where, HierListItem* ref, bool countIt) {
        list->addItem(item, where, ref, countIt);
    }
    void removeItem(HierListItem* item, bool countIt);
    HierListItem* getItem(double value) const;
    HierListItem* getCurrentItem() const { return list->current; }
    bool itemInList(const HierListItem* item) const {
        return item != nullptr && item->list() == list;
    }
    bool isOpen() const { return plane.isOpen(); }

    EditCopy edit;
    unsigned long maxPopupHeight;
    Plane plane;
    HierList* list;
    bool showIcon;
    bool liveEdit;
    Color invertedItemBackground;

private:
    // Where the popup goes for the box's rectangle r; sets whether the list needs a scroll bar.
    Rect popupRect(const Rect& r, bool& scroll) const;
    void close(bool accepted);

    HierList ownList;
    // The part of the box the shown item may draw in.
    Rect itemClip;
};
