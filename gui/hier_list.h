// A scrolling window onto a tree of list items: it shows as many items as fit, keeps the
// current item in view while the arrows and the dial move it, expands and collapses
// sublists, and draws a scroll bar whose elevator marks the current item's place in the
// whole list. Items draw themselves; the list places them.
#pragma once

#include <cstdint>

#include "gui/hier_list_item.h"

class Language;

// The scroll bar: arrows and elevator come from the built-in bitmaps; the arrows stand this
// far in from the frame.
constexpr long ScrollBarArrowInset = 2;

// A collection only so that its items can name it as their parent; it keeps no children of
// its own, the items are linked as a tree.
class HierList : public Collection {
public:
    HierList(const BBox& box, bool selectable);
    ~HierList() override = default;

    void _draw_(const Rect& absRect, bool clip, bool inverted, Color background, Rect* area,
                bool redraw) override;
    void onLayer(Layer* l, Rect* clip) override;
    void refocus(UserEvent e) override;
    void focus() override;
    void defocus(UserEvent e) override;
    long adjustLeftMargin(long x) override { return hasSublists ? x : 5; }
    int32_t getRightMargin() const override;
    int32_t getTopMargin() const override { return 1; }
    UserEvent handleUserEvent(UserEvent e) override;
    void shown(bool on) override { GraphicalObj::shown(on); }
    void ancestorShown(bool on) override { GraphicalObj::ancestorShown(on); }
    void dim(bool d, bool redraw) override { GraphicalObj::dim(d, redraw); }
    virtual void addItem(HierListItem* item, WhereAdded where, HierListItem* ref, bool countIt);
    virtual void removeItem(HierListItem* item, bool countIt);
    virtual bool onClick();
    virtual void selectCurrentItem(HierListItem* item);

    void rebuild(bool start);
    void omitItem(HierListItem* item, bool on);
    long totalHeight() const;
    void setViewingArea(bool fromTop);
    void showListAnchorItem(HierListItem* anchor, WhereAdded where, bool show);
    bool navigateFirst();
    bool navigateNext();
    bool navigatePrev();
    bool navigateLast();
    void toggleExpansion();
    void selectItem(HierListItem* item, bool fullScrollBar);
    void selectItemAt(long ordinal) {
        selectItem(root != nullptr ? root->itemAt(ordinal) : nullptr, true);
    }
    void selectFirstItem();
    void onLanguageChange();
    void drawScrollBar(bool full);
    // The area items are drawn in, from the list's present place.
    Rect computeViewingArea() const;

    int32_t savedY = 0;
    bool reselect = false;
    HierListItem* root = nullptr;
    HierListItem* top = nullptr;
    HierListItem* current = nullptr;
    Rect viewingArea;
    int32_t count = 0;
    int32_t firstOrdinal = 1;
    UserEvent escResult = ESCDEFAULT;
    UserEvent enterAlias = ENTER;
    UserEvent defocusEvent = 0;
    bool hasRoom = false;
    bool wraps = false;
    bool closeOnEnter = false;
    bool hasSublists = false;
    bool showScrollBar = true;
    bool passKeys = false;
    bool rebuilding = false;
    Language* layoutLanguage = nullptr;

private:
    // Moves the selection to item (already known selectable), scrolling it into view at the
    // bottom when moving forward, at the top otherwise.
    void moveTo(HierListItem* item, bool forward);
    // Hides the shown items, lays the list out around anchor and selects the current item.
    void relayout(HierListItem* anchor, WhereAdded where);
    // Takes every shown item off the screen's books without drawing (the caller redraws).
    void forgetShownItems();
    void leave(UserEvent e);
    // Positions items from anchor downwards and upwards; returns the new top.
    HierListItem* place(HierListItem* anchor, WhereAdded where, long avail);
    void unlink(HierListItem* item);
    long availableHeight() const;

    Selectability idleSelectability;
};
