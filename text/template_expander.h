// The interface through which a text's "&1" … "&9" placeholders are filled.
#pragma once

#include <cstdint>

class GenericData;
class Language;

// What a key, an index and a form name; literal means the key is itself the text, in
// English.
struct StringArgs {
    const char* key = "";
    int32_t index = 0;
    unsigned char form = 1;
    bool literal = false;
};

// What TemplateExpander::expand wrote.
enum : int {
    ExpandedKey = 0,      // a string key, translated and then scanned for placeholders
    ExpandedTemplate = 1, // an xtd text that may hold placeholders: scanned again
    ExpandedPlain = 2,    // plain characters, each mapped into the language's alphabet
    ExpandedText = 3,     // an xtd text, copied as it is
    ExpansionFailed = 4,  // the whole expansion fails
};

// Expanders write at most this many bytes (the final 0 included).
constexpr int ExpansionWorkSize = 256;

class TemplateExpander {
public:
    // Writes the text for placeholder digit at out (advancing it) and says what it wrote.
    virtual int expand(Language* lang, unsigned char placeholder, unsigned char*& out,
                       unsigned long context, double value);
    virtual GenericData* associatedData() { return nullptr; }
    virtual bool canExpandSubKey(unsigned long) { return true; }
    virtual StringArgs getMsgTemplate(unsigned char& form, unsigned char which,
                                      unsigned long context);
    virtual ~TemplateExpander() = default;
};
