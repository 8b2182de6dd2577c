// Menus built from constant tables: one row per item, its key marking parents ("+" starts
// collapsed, "-" expanded), children (".") and greyed rows ("!"); rows may show a data
// value, be built by a function of their own, or be left out by a condition.
#pragma once

#include <cstdint>

#include "data/data.h"
#include "gui/font.h"
#include "gui/hier_list.h"

// Decides whether a table row is built.
class HierListItemCondition {
public:
    virtual bool test() const = 0;
    virtual ~HierListItemCondition() = default;
};

struct HierListItemTable {
    const char* key; // null ends the table
    HierListItem* (*makeItem)(HierListItemTable* row);
    // Passed to the data item: metric and imperial decimals, zero-padding width.
    signed char metricDecimals, imperialDecimals;
    unsigned char zeroPadWidth;
    // The data item's value width in pixels (0: a default) and a format byte.
    long valueWidth, format;
    FontSize fontSize;
    GenericData* data;
    HierListItemCondition* condition;
    HierListItem* item; // filled in
};

// Builds one item per row that passes its condition and adds it to the list; with a stripe
// colour (not 256) every second item built gets it as its background.
void initMenuFromTable(HierList* list, HierListItemTable* table, Color stripe);
// The item of the first row that shows the data and whose condition holds; null when none.
HierListItem* findHierListItemFromTable(HierListItemTable* table, GenericData* data);
