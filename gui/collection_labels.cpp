// Label helpers of collections: a label, and a label beside a static text, a data display,
// another widget or a units name.
#include "data/data_ref.h"
#include "gui/collection.h"
#include "gui/text_data_display.h"
#include "gui/text_obj.h"

namespace {
constexpr FontSize LabelFont = 1;
constexpr Color LabelTransparent = 15;
constexpr Color LabelInk = 0;

BBox besideLabel(const BBox& label, long offset, long width) {
    BBox b = label;
    b.start = b.start.move(static_cast<int32_t>(offset), 0);
    b.end.at.x = static_cast<int32_t>(width);
    return b;
}
} // namespace

StaticTextObj* Collection::addLabel(const At& at, const char* text, long width, VRefType v,
                                    FontSize f) {
    BBox b(RefPoint(at, HREF_LEFT, v),
           RefPoint(At(static_cast<int32_t>(width), 0), HREF_WIDTH, vrefLines(LabelFont, 1)));
    StaticTextObj* label =
        new StaticTextObj(b, text, f, ALIGN_MIRROR_RTL, LabelTransparent, LabelInk, false, true);
    own(label);
    add(label);
    return label;
}

StaticTextObj* Collection::addLabeledStaticText(const At& at, const char* label, long labelWidth,
                                                const char* text, long textWidth, Alignment a,
                                                VRefType v, long gap, FontSize f) {
    StaticTextObj* l = addLabel(at, label, labelWidth, v, f);
    StaticTextObj* t = new StaticTextObj(besideLabel(l->box, labelWidth + gap, textWidth), text, f,
                                         a, LabelTransparent, LabelInk, false, true);
    own(t);
    add(t);
    return l;
}

StaticTextObj* Collection::addLabeledTextData(const At& at, const char* label, long labelWidth,
                                              GenericData* data, long dataWidth, Alignment a,
                                              VRefType v, long gap, DataRef* ref,
                                              StaticTextObj** labelOut) {
    StaticTextObj* l = addLabel(at, label, labelWidth, v, LabelFont);
    if (labelOut != nullptr) *labelOut = l;
    if (ref == nullptr) ref = new NumericDataRef(data);
    TextDataDisplay* d =
        new TextDataDisplay(ref, besideLabel(l->box, labelWidth + gap, dataWidth), LabelFont, a,
                            LabelTransparent, LabelInk, 0, false, true, true);
    own(d);
    add(d);
    return l;
}

StaticTextObj* Collection::addLabeledWidget(const At& at, const char* label, long labelWidth,
                                            GraphicalObj* widget, VRefType v, long gap) {
    StaticTextObj* l = addLabel(at.move(0, 1), label, labelWidth, v, LabelFont);
    if (widget != nullptr) {
        widget->box.start =
            RefPoint(at.move(static_cast<int32_t>(labelWidth + gap), 0), HREF_LEFT, v);
        add(widget);
    }
    return l;
}

TextObj* Collection::addUnitsText(const At& at, GenericData* data, long width, Alignment a,
                                  VRefType v) {
    BBox b(RefPoint(at.move(0, 1), HREF_LEFT, v),
           RefPoint(At(static_cast<int32_t>(width), 0), HREF_WIDTH, vrefLines(LabelFont, 1)));
    TextDataDisplay* d = new TextDataDisplay(new UnitNameDataRef(data), b, LabelFont, a,
                                             LabelTransparent, LabelInk, 0, false, true, true);
    own(d);
    add(d);
    return d;
}
