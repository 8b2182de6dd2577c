// Menu rows: a button spanning the row, or a label beside an input widget, and how a
// disabled row dims what it holds.
#include "gui/menu_item.h"

#include "gui/alphabet.h"
#include "text/language.h"

namespace {
// The item box's bottom for a row one text line of size (in lang, or the current alphabet)
// plus extra pixels high, and the height argument that goes with it.
struct RowHeight {
    long height;
    VRefType bottom;
};

RowHeight textRow(FontSize size, Language* lang, long extra) {
    if (lang != nullptr && lang->alphabet != nullptr)
        if (Font* f = lang->alphabet->font(size)) return {f->lineHeight() + extra, VREF_HEIGHT};
    // A line-based bottom adds the line to height - 1.
    return {extra + 1, vrefLines(size, 1)};
}

RowHeight fixedRow(long height) {
    return {height, VREF_HEIGHT};
}

RowHeight iconRow(const Bitmap* b, long adjust) {
    if (adjust < 0) return fixedRow(-adjust);
    return fixedRow((b != nullptr ? b->height : 0) + adjust + MenuIconRowExtra);
}

const BBox WholeRow(PredefinedBBoxes[BBOX_FILL_PARENT]);

// A text label from labelX to just before widgetX, or to the right margin.
BBox labelBox(long labelX, long widgetX) {
    RefPoint end = labelX < widgetX ? RefPoint(At(static_cast<int32_t>(widgetX - 1), 0),
                                               HREF_LEFT_MARGIN, VREF_BOTTOM)
                                    : RefPoint(At(0, 0), HREF_RIGHT_MARGIN, VREF_BOTTOM);
    return BBox(RefPoint(At(static_cast<int32_t>(labelX), 0), HREF_LEFT_MARGIN, VREF_TOP), end);
}
} // namespace

MenuCommand::MenuCommand(const char* key, ButtonAction* action, bool enabledArg, long index,
                         FontSize size, Language* lang, long extraHeight, SublistState state,
                         Selectability s)
    : HierListItem(textRow(size, lang, extraHeight + MenuRowExtra).height, state,
                   textRow(size, lang, 0).bottom, s),
      button(WholeRow, action, key, index, size, lang, enabledArg, true, BUTTON_MOMENTARY) {
    add(&button);
    GraphicalObj::_enable_(enabledArg, SELECTABILITY_UNCHANGED);
}

void MenuCommand::_enable_(bool enable, Selectability s) {
    HierListItem::_enable_(enable, s);
    button._enable_(enable, SELECTABILITY_UNCHANGED);
}

MenuCommandIcon::MenuCommandIcon(Bitmap* bitmap, ButtonAction* action, bool enabledArg, Color ink,
                                 Alignment a, long heightAdjust, SublistState state,
                                 Selectability s)
    : HierListItem(iconRow(bitmap, heightAdjust).height, state, VREF_HEIGHT, s),
      icon(BBox(), bitmap, true, NoColor, ink, a),
      button(WholeRow, action, &icon, enabledArg, nullptr, BUTTON_MOMENTARY) {
    add(&button);
    GraphicalObj::_enable_(enabledArg, SELECTABILITY_UNCHANGED);
}

void MenuCommandIcon::_enable_(bool enable, Selectability s) {
    HierListItem::_enable_(enable, s);
    button._enable_(enable, SELECTABILITY_UNCHANGED);
    icon.dim(!enable, false);
}

MenuInputWidget::MenuInputWidget(const char* key, GraphicalObj* w, long labelX, long widgetX,
                                 bool enabledArg, long index, FontSize size, Language* lang,
                                 long extraHeight, SublistState state, Selectability s)
    : HierListItem(textRow(size, lang, extraHeight + MenuRowExtra).height, state,
                   textRow(size, lang, 0).bottom, s),
      textLabel(labelBox(labelX, widgetX), key, index, lang, 1, size,
                ALIGN_VCENTER | ALIGN_MIRROR_RTL, 15, 0, false, true, true),
      iconLabel(BBox(), nullptr, false, NoColor, 0, ALIGN_LEFT_TOP) {
    label = &textLabel;
    init(w, widgetX, 0);
    _enable_(enabledArg, SELECTABILITY_UNCHANGED);
}

MenuInputWidget::MenuInputWidget(Bitmap* b, GraphicalObj* w, long iconX, long widgetX,
                                 bool enabledArg, long height, SublistState state, Selectability s,
                                 Color ink)
    : HierListItem(fixedRow(height + MenuRowExtra).height, state, VREF_HEIGHT, s),
      textLabel(BBox(), "", 1, ALIGN_LEFT_TOP, 15, 0, false, false),
      iconLabel(b != nullptr
                    ? BBox(At(static_cast<int32_t>(iconX), MenuWidgetInset), b->width, b->height)
                    : BBox(),
                b, true, NoColor, ink, ALIGN_LEFT_TOP) {
    label = &iconLabel;
    init(w, widgetX, 0);
    _enable_(enabledArg, SELECTABILITY_UNCHANGED);
}

MenuInputWidget::MenuInputWidget(GraphicalObj* w, long, long widgetX, bool enabledArg, long height,
                                 SublistState state, Selectability s)
    : HierListItem(fixedRow(height + MenuRowExtra).height, state, VREF_HEIGHT, s),
      textLabel(BBox(), "", 1, ALIGN_LEFT_TOP, 15, 0, false, false),
      iconLabel(BBox(), nullptr, false, NoColor, 0, ALIGN_LEFT_TOP) {
    init(w, widgetX, 0);
    _enable_(enabledArg, SELECTABILITY_UNCHANGED);
}

void MenuInputWidget::init(GraphicalObj* w, long x, long width) {
    widget = w;
    if (w != nullptr) {
        const BBox& own = w->box;
        long ownWidth = own.end.hType == HREF_WIDTH ? own.end.at.x + 1 : own.width();
        long wide = width > 0 ? width : ownWidth + width;
        if (wide < 1) wide = 1;
        w->box =
            BBox(RefPoint(At(static_cast<int32_t>(x), MenuWidgetInset), HREF_LEFT_MARGIN, VREF_TOP),
                 RefPoint(At(static_cast<int32_t>(wide - 1), -MenuWidgetInset), HREF_WIDTH,
                          VREF_BOTTOM));
        w->selectability = SELECTABLE;
        add(w);
    }
    if (label != nullptr) add(label);
}

void MenuInputWidget::_enable_(bool enable, Selectability s) {
    HierListItem::_enable_(enable, s);
    if (widget != nullptr) {
        widget->_enable_(enable, SELECTABLE_IF_ENABLED);
        widget->dim(!enable, false);
    }
    // The label keeps its own colour: dimming gives it back when the row is enabled.
    if (label != nullptr) label->dim(!enable, false);
    for (GraphicalObjListNode* n = children.first(); n != nullptr; n = n->next)
        if (n->obj != widget && n->obj != label) n->obj->dim(!enable, false);
}
