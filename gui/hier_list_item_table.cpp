// Menu tables: the row markers, the items built for plain and data rows, and the look-up
// of a data row's item.
#include "gui/hier_list_item_table.h"

#include "gui/text_data_display.h"
#include "gui/text_list_item.h"

namespace {
// Width of the value of a data row when the table gives none.
constexpr long DefaultValueWidth = 60;

// A row that shows a data value: its key on the left, the value right-aligned.
class DisplayDataListItem : public SimpleTextListItem {
public:
    DisplayDataListItem(const char* key, Color colour, SublistState state, HierListItemTable* row)
        : SimpleTextListItem(key, 0, colour, 0, row->fontSize, 0, state, SELECTABLE,
                             ALIGN_VCENTER | ALIGN_MIRROR_RTL),
          value(new NumericDataRef(row->data, nullptr, row->metricDecimals, row->imperialDecimals,
                                   row->zeroPadWidth),
                BBox(RefPoint(At(static_cast<int32_t>(1 - width(row)), 0), HREF_RIGHT, VREF_TOP),
                     RefPoint(At(0, 0), HREF_RIGHT, VREF_BOTTOM)),
                row->fontSize, ALIGN_RIGHT | ALIGN_VCENTER, 15, colour,
                static_cast<unsigned char>(row->format), false, true, true) {
        text.box.end = RefPoint(At(static_cast<int32_t>(-width(row)), 0), HREF_RIGHT, VREF_BOTTOM);
        add(&value);
    }
    static long width(const HierListItemTable* row) {
        return row->valueWidth > 0 ? row->valueWidth : DefaultValueWidth;
    }
    TextDataDisplay value;
};

bool rowHolds(const HierListItemTable* row) {
    return row->condition == nullptr || row->condition->test();
}
} // namespace

void initMenuFromTable(HierList* list, HierListItemTable* table, Color stripe) {
    HierListItem* parent = nullptr;
    int built = 0;
    for (HierListItemTable* row = table; row->key != nullptr; ++row) {
        row->item = nullptr;
        if (!rowHolds(row)) continue;
        const char* key = row->key;
        char mark = *key;
        SublistState state = SUBLIST_ALWAYS_EXPANDED;
        if (mark == '+' || mark == '-') state = mark == '+' ? SUBLIST_COLLAPSED : SUBLIST_EXPANDED;
        if (mark == '+' || mark == '-' || mark == '.') ++key;
        Color colour = 0;
        if (*key == '!') {
            colour = DimColor;
            ++key;
        }
        HierListItem* item;
        if (row->makeItem != nullptr)
            item = row->makeItem(row);
        else if (row->data != nullptr)
            item = new DisplayDataListItem(key, colour, state, row);
        else
            item = new SimpleTextListItem(key, 0, colour, 0, row->fontSize, 0, state, SELECTABLE,
                                          ALIGN_VCENTER | ALIGN_MIRROR_RTL);
        if (item == nullptr) continue;
        row->item = item;
        if (stripe != NoColor && built % 2 == 1) item->backgroundColor = stripe;
        ++built;
        bool child = mark == '.' && parent != nullptr;
        list->addItem(item, ADD_LAST_CHILD, child ? parent : nullptr, true);
        if (state != SUBLIST_ALWAYS_EXPANDED) parent = item;
    }
}

HierListItem* findHierListItemFromTable(HierListItemTable* table, GenericData* data) {
    if (table == nullptr || data == nullptr) return nullptr;
    for (HierListItemTable* row = table; row->key != nullptr; ++row)
        if (row->data == data && rowHolds(row)) return row->item;
    return nullptr;
}
