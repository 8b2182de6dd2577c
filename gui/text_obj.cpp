// Text objects and static texts.
#include "gui/text_obj.h"

#include "gui/layer.h"
#include "text/language.h"

TextObj::TextObj(const BBox& b, FontSize size, Alignment a, bool selectableArg, bool shownArg,
                 bool enabledArg, Color transparent, Color colour)
    : GraphicalObj(b, shownArg, enabledArg, selectableArg), fontSize(size), alignment(a) {
    secondColor = transparent;
    normalColor = colour;
    currentColor = colour;
}

void TextObj::select() {
    selectability = SELECTED;
    invert(true);
}

void TextObj::deselect() {
    selectability = SELECTABLE;
    invert(false);
}

UserEvent TextObj::handleUserEvent(UserEvent e) {
    if (e == ESC && selectability == ACTIVE) defocus(e);
    return 0;
}

void TextObj::apply(const GraphicalProperties& p) {
    GraphicalObj::apply(p);
    fontSize = p.fontSize;
    alignment = p.alignment;
}

StaticTextObj::StaticTextObj(const BBox& b, const char* key, long index, Language* lang,
                             unsigned char form, FontSize size, Alignment a, Color transparent,
                             Color colour, bool selectableArg, bool shownArg, bool enabledArg)
    : TextObj(b, size, a, selectableArg, shownArg, enabledArg, transparent, colour),
      text(key, index, form, lang) {
    if (!enabledArg) dim(true, false);
}

StaticTextObj::StaticTextObj(const BBox& b, const char* key, FontSize size, Alignment a,
                             Color transparent, Color colour, bool selectableArg, bool shownArg)
    : StaticTextObj(b, key, 0, nullptr, 1, size, a, transparent, colour, selectableArg, shownArg,
                    true) {}

void StaticTextObj::_draw_(const Rect& absRect, bool, bool, Color, Rect*, bool) {
    text.drawString(this, absRect, absRect.vAlign(alignment), fontSize, alignment, secondColor,
                    currentColor);
}

void StaticTextObj::_enable_(bool enable, Selectability s) {
    GraphicalObj::_enable_(enable, s);
    dim(!enable, false);
}

void StaticTextObj::setEnglishOnly(bool on) {
    text.literal = on;
    text.language = on ? &English : nullptr;
    text.poolNode = nullptr;
}

void StaticTextObj::vAlign(long y, VRefType v, Alignment a) {
    box.end.at.y = static_cast<int32_t>(y);
    box.end.vType = v;
    alignment = a;
}
