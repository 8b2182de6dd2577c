// Text list items: the main text spanning the item and the texts added beside it.
#include "gui/text_list_item.h"

SimpleTextListItem::SimpleTextListItem(const char* key, unsigned long v, Color colour, long index,
                                       FontSize size, long extraHeight, SublistState state,
                                       Selectability s, Alignment a)
    : HierListItem(extraHeight + 3, state, vrefLines(size, 1), s), value(v),
      text(BBox(RefPoint(At(0, 0), HREF_LEFT_MARGIN, VREF_TOP),
                RefPoint(At(0, 0), HREF_RIGHT, VREF_BOTTOM)),
           key, index, nullptr, 1, size, a, 15, colour, false, true, true) {
    add(&text);
}

SimpleTextListItem::~SimpleTextListItem() {
    for (StaticTextObj* t : extra)
        delete t;
}

StaticTextObj* SimpleTextListItem::keep(StaticTextObj* t) {
    for (StaticTextObj*& slot : extra)
        if (slot == nullptr) {
            slot = t;
            add(t);
            return t;
        }
    delete t;
    return nullptr;
}

StaticTextObj* SimpleTextListItem::addText(const char* key, long x, long width, long index,
                                           bool column) {
    int32_t x0 = static_cast<int32_t>(x), w = static_cast<int32_t>(width);
    StaticTextObj* t = keep(new StaticTextObj(BBox(RefPoint(At(x0, 0), HREF_LEFT_MARGIN, VREF_TOP),
                                                   RefPoint(At(w - 1, 0), HREF_WIDTH, VREF_BOTTOM)),
                                              key, index, nullptr, 1, text.fontSize, text.alignment,
                                              15, text.normalColor, false, true, true));
    if (t == nullptr || !column) return t;
    if (x > 10)
        text.box.end = RefPoint(At(x0 - 1, 0), HREF_LEFT_MARGIN, VREF_BOTTOM);
    else
        text.box.start.at.x = x0 + w;
    return t;
}

StaticTextObj* SimpleTextListItem::addRightJustifiedText(const char* key, long width, long index,
                                                         FontSize size) {
    int32_t w = static_cast<int32_t>(width);
    StaticTextObj* t = keep(new StaticTextObj(BBox(RefPoint(At(1 - w, 0), HREF_RIGHT, VREF_TOP),
                                                   RefPoint(At(0, 0), HREF_RIGHT, VREF_BOTTOM)),
                                              key, index, nullptr, 1, size,
                                              ALIGN_RIGHT | (text.alignment & ALIGN_VCENTER), 15,
                                              text.normalColor, false, true, true));
    if (t != nullptr) text.box.end = RefPoint(At(-w, 0), HREF_RIGHT, VREF_BOTTOM);
    return t;
}

EnumTextListItem::EnumTextListItem(const char* key, unsigned long v, Color colour, FontSize size,
                                   long extraHeight, SublistState state, Selectability s)
    : SimpleTextListItem(key, v, colour, static_cast<long>(v), size, extraHeight, state, s,
                         ALIGN_VCENTER | ALIGN_MIRROR_RTL) {}
