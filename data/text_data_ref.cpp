// Text entry through a reference to a text value.
#include "data/text_data_ref.h"

#include "text/vocabulary.h"
#include "text/xtd_string.h"

StringAndLang TextDataRef::getText(unsigned char, unsigned char* buffer) {
    StringAndLang s;
    s.text = buffer;
    s.language = V.currentLanguage;
    buffer[0] = 0;
    if (textData() != nullptr) xtdStrncpy(buffer, textData()->getText(), DataTextBufferSize);
    return s;
}

void TextDataRef::_setValue_(double value, bool notify, bool force) {
    if (data != nullptr) data->setValue(value, notify, force);
}

void TextDataRef::write(const unsigned char* text) {
    if (pendingRegistration) registerInterest(party, false);
    if (textData() != nullptr) textData()->setTextValue(text, true, true);
}

void TextDataRef::noteOriginalValue(bool skip) {
    if (!skip && textData() != nullptr)
        xtdStrncpy(originalValue, textData()->getText(), TextDataRefBufferSize);
    originalValueNoted = !skip;
}

void TextDataRef::noteValueAtTimeOfFocus() {
    if (textData() != nullptr)
        xtdStrncpy(valueAtTimeOfFocus, textData()->getText(), TextDataRefBufferSize);
}

void TextDataRef::clear() {
    static const unsigned char empty[1] = {0};
    write(empty);
}

void TextDataRef::revertToValueAtTimeOfFocus() {
    write(valueAtTimeOfFocus);
}

void TextDataRef::revertToOriginalValue() {
    if (originalValueNoted) write(originalValue);
}

bool TextDataRef::addChar(unsigned long character) {
    TextData* t = textData();
    if (t == nullptr) return false;
    unsigned char text[DataTextBufferSize * 4];
    int capacity = static_cast<int>(t->capacity);
    if (capacity > static_cast<int>(sizeof text)) capacity = static_cast<int>(sizeof text);
    int length = xtdStrncpy(text, t->getText(), capacity);
    unsigned char* none = nullptr;
    if (length + xtdPutChar(character, none) > capacity - 1) return false;
    unsigned char* p = text + length;
    xtdPutChar(character, p);
    *p = 0;
    TextFitChecker* widget = dynamic_cast<TextFitChecker*>(party);
    if (widget != nullptr && !widget->textFits(text)) return false;
    write(text);
    return true;
}

void TextDataRef::eraseLastChar() {
    TextData* t = textData();
    if (t == nullptr || t->getText()[0] == 0) return;
    unsigned char text[DataTextBufferSize * 4];
    xtdStrncpy(text, t->getText(), sizeof text);
    unsigned char* last = text;
    for (unsigned char* p = text; *p != 0;) {
        last = p;
        xtdGetChar(p);
    }
    *last = 0;
    write(text);
}

void TextDataRef::keepTentativeValue() {
    // What was typed stays: it becomes the value that later reverts return to.
    noteOriginalValue(false);
    noteValueAtTimeOfFocus();
}
