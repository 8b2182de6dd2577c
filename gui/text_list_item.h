// List items that show a string key: a simple text item (its value given or its ordinal), a
// text item whose string index is its value (a choice among enumerated texts), and further
// texts beside the main one.
#pragma once

#include <cstdint>

#include "gui/font.h"
#include "gui/hier_list_item.h"
#include "gui/text_obj.h"

// Texts an item holds beside its main one.
constexpr int MaxExtraItemTexts = 3;

class SimpleTextListItem : public HierListItem {
public:
    SimpleTextListItem(const char* key, unsigned long value, Color colour, long index,
                       FontSize size, long extraHeight, SublistState state, Selectability s,
                       Alignment a);
    ~SimpleTextListItem() override;

    unsigned long getValue() const override { return value != 0 ? value : ordinal; }

    // A further text at x from the left margin, width wide; with column the main text ends
    // just before it (x > 10) or starts after it. Null when the item holds no more texts.
    StaticTextObj* addText(const char* key, long x, long width, long index, bool column);
    // A right-aligned text in the rightmost width pixels; the main text ends before it.
    StaticTextObj* addRightJustifiedText(const char* key, long width, long index, FontSize size);

    unsigned long value;
    StaticTextObj text;

private:
    StaticTextObj* keep(StaticTextObj* t);
    StaticTextObj* extra[MaxExtraItemTexts] = {};
};

class EnumTextListItem : public SimpleTextListItem {
public:
    EnumTextListItem(const char* key, unsigned long value, Color colour, FontSize size,
                     long extraHeight, SublistState state, Selectability s);
    unsigned long getValue() const override { return value; }
};
