// Data-bound text displays.
#include "gui/text_data_display.h"

#include "data/data_ref.h"
#include "gui/alphabet.h"
#include "gui/gui_language.h"
#include "text/language.h"
#include "text/vocabulary.h"

TextDataDisplay::TextDataDisplay(DataRef* ref, const BBox& b, FontSize size, Alignment a,
                                 Color transparent, Color colour, unsigned char fmt,
                                 bool selectableArg, bool shownArg, bool enabledArg)
    : TextObj(b, size, a, selectableArg, shownArg, enabledArg, transparent, colour),
      NotifiableWithDataRef(ref), format(fmt) {
    if (dataRef != nullptr) dataRef->registerInterest(this, false);
}

TextDataDisplay::~TextDataDisplay() {
    delete dataRef;
}

Rect TextDataDisplay::textRect(const Rect& absRect) const {
    if (selectability < SELECTABLE) return absRect;
    return absRect.shrink(SelectableTextInsetLeft, SelectableTextInsetTop,
                          -SelectableTextInsetRight, -SelectableTextInsetBottom);
}

void TextDataDisplay::_draw_(const Rect& absRect, bool, bool, Color, Rect*, bool) {
    if (dataRef == nullptr) return;
    unsigned char buffer[DataTextBufferSize];
    StringAndLang s = dataRef->getText(format, buffer);
    if (s.text == nullptr) return;
    Language* lang = s.language != nullptr ? s.language : V.currentLanguage;
    Alphabet* alphabet = lang != nullptr ? lang->alphabet : currentAlphabet();
    Font* font = alphabet->font(fontSize);
    if (font == nullptr) return;
    Rect r = textRect(absRect);
    BitmapArgs args(this, &r, r.vAlign(alignment), alignment, secondColor, currentColor,
                    s.rightToLeft);
    font->drawString(args, s.text);
}

void TextDataDisplay::apply(const GraphicalProperties& p) {
    TextObj::apply(p);
    format = p.format;
}

void TextDataDisplay::notify(NotificationEvent, Data*) {
    draw(nullptr, true);
}

bool TextDataDisplay::textFits(const unsigned char* text) {
    Font* font = currentAlphabet()->font(fontSize);
    if (font == nullptr) return true;
    return font->getStringWidth(text) <= getAbsRect(nullptr).width() - TypingMargin;
}
