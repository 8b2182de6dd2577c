// Menu items: list items that turn a hierarchical list into a menu, with rows that run a
// button action (shown as a text or an icon) and rows that pair a label with an input
// widget such as an edit box, a list box or a check box.
#pragma once

#include <cstdint>

#include "gui/bitmap_obj.h"
#include "gui/button.h"
#include "gui/hier_list_item.h"

// Room a row keeps above and below its contents.
constexpr long MenuRowExtra = 3;
constexpr long MenuIconRowExtra = 2;
// An input widget stands this far below the row's top and above its bottom.
constexpr int32_t MenuWidgetInset = 2;

class MenuCommand : public HierListItem {
public:
    // One text line (of lang's font when given) plus 3 pixels and extraHeight high.
    MenuCommand(const char* key, ButtonAction* action, bool enabled, long index, FontSize size,
                Language* lang, long extraHeight, SublistState state, Selectability s);

    void _enable_(bool enable, Selectability s) override;

    TextualButton button;
};

class MenuCommandIcon : public HierListItem {
public:
    // The bitmap's height plus heightAdjust plus 2 high; a negative heightAdjust is the height.
    MenuCommandIcon(Bitmap* bitmap, ButtonAction* action, bool enabled, Color ink, Alignment a,
                    long heightAdjust, SublistState state, Selectability s);

    void _enable_(bool enable, Selectability s) override;

    BitmapObj icon;
    Button button;
};

class MenuInputWidget : public HierListItem {
public:
    // A text label from labelX to just before widgetX (to the right margin when labelX is
    // not left of widgetX).
    MenuInputWidget(const char* key, GraphicalObj* widget, long labelX, long widgetX, bool enabled,
                    long index, FontSize size, Language* lang, long extraHeight, SublistState state,
                    Selectability s);
    // An icon label at (iconX, 2).
    MenuInputWidget(Bitmap* icon, GraphicalObj* widget, long iconX, long widgetX, bool enabled,
                    long height, SublistState state, Selectability s, Color ink);
    // No label.
    MenuInputWidget(GraphicalObj* widget, long unused, long widgetX, bool enabled, long height,
                    SublistState state, Selectability s);

    // Places the widget from (x, 2) after the left margin down to 2 pixels above the row's
    // bottom: as wide as its own box, width wide when positive, or its own width plus width
    // when negative; makes it selectable and adds it, then the label.
    void init(GraphicalObj* widget, long x, long width);
    void _enable_(bool enable, Selectability s) override;

    GraphicalObj* label = nullptr;
    GraphicalObj* widget = nullptr;

private:
    // The label is one of these, or none.
    StaticTextObj textLabel;
    BitmapObj iconLabel;
};
