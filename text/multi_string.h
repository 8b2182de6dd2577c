// A text held as a string key (and index) that is resolved in the current or a preferred
// language through the vocabulary, with placeholder expansion, line breaking to fit an
// object and drawing with the alphabet's fonts.
#pragma once

#include <cstdint>

#include "gui/font.h"
#include "gui/geometry.h"
#include "text/language.h"
#include "text/string_pool.h"
#include "text/template_expander.h"

class GraphicalObj;
class Language;
class StringPoolNode;

// Buffers handed to getExpandedString, nLines and the like hold this many bytes.
constexpr int MultiStringBufferSize = 1024;

class MultiString {
public:
    const char* key;
    int32_t index;
    Language* language;
    unsigned char form;
    uint32_t expansionContext = 0;
    StringPoolNode* poolNode = nullptr;
    TemplateExpander* expander = nullptr;
    bool literal;

    MultiString(const char* key = "", long index = 0, unsigned char form = 1,
                Language* lang = nullptr, bool literal = false);

    void setString(const char* key, long index = -1, unsigned char form = 0,
                   Language* lang = langMinusOne());
    void setString(const StringArgs& args);
    void preloadString(unsigned char& form, Language*& lang);
    StringAndLang getString(unsigned char form = 0, Language* lang = langMinusOne());
    bool formDefined(unsigned char form = 0, Language* lang = langMinusOne());
    Language* targetLang(Language* lang, Language* fallback) const;
    Language* setLang(Language* lang);
    // The text of the form, expanded into buffer (MultiStringBufferSize bytes) when there
    // is an expander; a failed expansion gives the English text.
    StringAndLang getExpandedString(unsigned char* buffer, unsigned char form = 0,
                                    Language* lang = langMinusOne());
    bool scanForExpansion(const unsigned char* text, Language* lang, unsigned char*& out,
                          unsigned char* end, int depth = 0);
    bool expand(unsigned char digit, Language* lang, unsigned char*& out, unsigned char* end,
                int depth = 0);

    // Expands the text and lays it out for obj (see the header marks of the string file);
    // returns the number of lines, 0 when mustFit and it does not fit.
    int nLines(unsigned char form, Language* lang, StringAndLang* out, unsigned char* buffer,
               GraphicalObj* obj, FontSize size, bool mustFit);
    void drawString(GraphicalObj* obj, const Rect& rect, long y, FontSize size, Alignment alignment,
                    Color transparent, Color ink, unsigned char form = 0,
                    Language* lang = langMinusOne());
    long height(FontSize size, Language* lang = langMinusOne());

private:
    int layout(unsigned char form, Language* lang, StringAndLang* out, unsigned char* buffer,
               GraphicalObj* obj, FontSize size, bool mustFit, int depth);
};

// Copies the text of key (index, form) in lang into dst (MultiStringBufferSize bytes).
void translateString(Language* lang, unsigned char* dst, const char* key, long index,
                     unsigned char form);
// How many lines a header digit allows: the digit (a "0" counting as 1), or, from the
// height or for "*", as many lines of the font as fit the object (at least 1). The
// object's absolute width is returned through width when asked.
long mline_nMax(bool fromHeight, unsigned long headerChar, GraphicalObj* obj, Font* font,
                long* width);
