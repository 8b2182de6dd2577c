// A reference to a text value, with the editing operations of text entry.
#pragma once

#include "data/data_ref.h"

// Implemented by widgets that show a text being typed, so typing stops at their width.
class TextFitChecker {
public:
    virtual bool textFits(const unsigned char* text) = 0;
    virtual ~TextFitChecker() = default;
};

constexpr int TextDataRefBufferSize = 100;

class TextDataRef : public DataRef {
public:
    unsigned char originalValue[TextDataRefBufferSize] = {};
    unsigned char valueAtTimeOfFocus[TextDataRefBufferSize] = {};
    bool originalValueNoted = false;

    TextDataRef(TextData* data, Notifiable* party = nullptr) : DataRef(data, party) {}

    StringAndLang getText(unsigned char variant, unsigned char* buffer) override;
    void registerInterest(Notifiable* p, bool deferred = false) override {
        actuallyRegisterInterest(p, deferred);
    }
    void deregisterInterest() override { actuallyDeregisterInterest(); }
    void _setValue_(double value, bool notify, bool force) override;

    void noteOriginalValue(bool skip);
    void noteValueAtTimeOfFocus();
    void clear();
    void revertToValueAtTimeOfFocus();
    void revertToOriginalValue();
    // Appends a character unless the text is full or would be wider than the widget.
    bool addChar(unsigned long character);
    void eraseLastChar();
    void keepTentativeValue();

private:
    TextData* textData() { return static_cast<TextData*>(dataPtr()); }
    void write(const unsigned char* text);
};
