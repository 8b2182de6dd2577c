// Turning the texts of a string file into extended-character strings: escapes, code lists,
// the right-to-left marker, layout headers, paragraph marks and "&" placeholders, each
// character mapped into the language's alphabet.
#pragma once

#include <cstdint>

#include "text/string_file.h"

class Language;

// Special character codes inside extended-character strings.
enum : uint32_t {
    DigitSpaceCode = 8,
    TabCode = 9,
    LineBreakCode = 10,
    HeaderMarkCode = 11,
    RightToLeftCode = 14,
    BreakPointCode = 16,
    PixelSpace1Code = 17,
    PixelSpace9Code = 25,
    SectionSignChar = 167,
    ParagraphChar = 182,
    RightToLeftByteChar = 248,
};

// The most bytes one text of a string file line can become: each source byte yields at
// most three, plus the final 0.
constexpr int MaxParsedTextSize = 3 * StringFileLineSize + 8;

// Writes mapped characters into an extended-character string, or only counts them when out
// is null. An "&" is held back until the next character shows whether it starts a
// placeholder ("&" and a digit are kept unmapped).
struct CodedTextWriter {
    Language* lang = nullptr;
    unsigned char* out = nullptr;
    uint32_t length = 0;
    bool ampersandHeld = false;

    CodedTextWriter(Language* l, unsigned char* o) : lang(l), out(o) {}
    // Appends one character through the language's mapping; with paragraphMarks the
    // paragraph sign becomes a line break, or a space with paragraphAsSpace. Returns the
    // bytes written (or that would be written).
    unsigned long addCodedValueToString(unsigned long ch, bool paragraphMarks = false,
                                        bool paragraphAsSpace = false);
    // Appends a code as it is, without mapping.
    void putRaw(uint32_t code);
    // Writes a held "&" and the final 0; returns the length without the 0.
    uint32_t finish();
};

// Parses src into out (advanced to the final 0, which is written) or, with a null out,
// only measures; returns the length without the final 0.
uint32_t parseString(const char* src, Language* lang, unsigned char*& out, bool utf8);
// Reads character codes ("%li" numbers separated by blanks or commas) from p up to "}" or
// end, writing each through w; p is left after the "}" (or at end). True when the "}" came.
bool parseCodeList(const char*& p, const char* end, CodedTextWriter& w);
