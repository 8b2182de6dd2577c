// An item of a hierarchical list: a collection of texts and values linked into a tree of
// siblings and sublists, numbered in pre-order, showing its selection by inversion and an
// expand or collapse icon when it has a sublist.
#pragma once

#include <cstdint>

#include "gui/collection.h"

class HierList;

typedef int32_t SublistState;
enum : SublistState {
    SUBLIST_COLLAPSED = 0,
    SUBLIST_EXPANDED = 1,
    SUBLIST_ALWAYS_EXPANDED = 2,
};

// Where addItem puts an item relative to a reference item; as a layout anchor, 0 puts the
// anchor at the top, 1 at the bottom, 2 where it was.
typedef int32_t WhereAdded;
enum : WhereAdded {
    ADD_FIRST_CHILD = 0,
    ADD_LAST_CHILD = 1,
    ADD_NEXT_SIBLING = 2,
    ADD_AS_LAST_CHILD = 3,
    ANCHOR_AT_TOP = 0,
    ANCHOR_AT_BOTTOM = 1,
    ANCHOR_IN_PLACE = 2,
};

// Pixels the expand or collapse icon stands left of an item's text margin, and the margin
// each level of nesting adds.
constexpr long HierListIconOffset = 14;
constexpr long HierListIndent = 10;
constexpr long HierListIconRoom = 16;

class HierListItem : public Collection {
public:
    HierListItem(long height, SublistState state, VRefType bottom, Selectability s);
    ~HierListItem() override = default;

    void _draw_(const Rect& absRect, bool clip, bool inverted, Color background, Rect* area,
                bool redraw) override;
    void onLayer(Layer* l, Rect* clip) override;
    void refocus(UserEvent e) override;
    void focus() override;
    void select() override;
    void deselect() override;
    int32_t getLeftMargin() const override;
    UserEvent handleUserEvent(UserEvent e) override;
    Color getSelectionBkgndColor(Color c) override;
    bool visible() const override;
    bool selectable() const override;
    virtual unsigned long getValue() const { return static_cast<unsigned long>(ordinal); }
    virtual void onLanguageChange() {}

    // Pre-order walks; visibleOnly does not enter collapsed sublists.
    HierListItem* findNext(bool visibleOnly) const;
    HierListItem* findPrev(bool visibleOnly) const;
    HierListItem* findLast(bool topOnly) const;
    HierListItem* findNextVisible(bool skipSelf);
    HierListItem* findNextSelectable(bool skipSelf);
    HierListItem* findPrevSelectable(bool skipSelf);
    HierListItem* findNextDisplayable(bool skipSelf);
    HierListItem* findPrevDisplayable(bool skipSelf);
    bool displayable() const;

    long getLevel() const;
    // Whether item is this one or follows it in pre-order.
    bool itemInList(const HierListItem* item) const;
    HierListItem* itemAt(long ordinal);
    void shiftOrdinal(long delta);
    void drawList(Rect* area);
    void hideList();
    void eraseList();
    bool fullyVisible() const;
    bool omit(bool on);
    // The list the item belongs to, null when it is in none.
    HierList* list() const { return owner; }
    long height() const { return box.height(); }
    bool hasSublist() const { return firstChild != nullptr; }

    HierListItem* next = nullptr;
    HierListItem* prev = nullptr;
    HierListItem* parentItem = nullptr;
    HierListItem* firstChild = nullptr;
    SublistState sublistState;
    int32_t ordinal = 0;
    bool omitted = false;

private:
    friend class HierList;
    HierList* owner = nullptr;
};
