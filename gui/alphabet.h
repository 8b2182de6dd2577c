// The fonts of one script by size, the mapping of its characters beyond the font's range
// onto extra glyphs, and the loader of font files that brings the fonts of other scripts.
#pragma once

#include <cstdint>

#include "gui/font.h"

class Alphabet {
public:
    Alphabet(const char* name, Font* font, Font* large, Font* small, const uint32_t* charMap,
             bool rightToLeft);

    // Once: the fonts of an alphabet other than Latin fall back to Latin's of the same size.
    void init();
    Font* font(FontSize s) const;
    void setFont(FontSize s, Font* f);
    // The code under which the normal font holds ch: ch itself, a mapped glyph's code, or 1
    // (the replacement glyph) for a character the alphabet does not know.
    uint32_t mapChar(uint32_t ch) const;
    bool isLatin() const;

    // Loads the font file of a character set ("<name>Font"); false when it cannot be read.
    static bool load(const char* charSetName);
    // Loads a font file by path: every sound font and character set in it.
    static bool loadFile(const char* path);

    const char* name;
    bool initialised = false;
    Font* fonts[6];
    const uint32_t* charMap;
    bool rightToLeft;
    Alphabet* nextLoaded = nullptr; // alphabets made by the loader, kept for the whole run
};

extern Alphabet Latin;
extern const uint32_t LatinFontsMappingTable[47];
extern Font* UniversalFonts[4];
extern Font SmallFont;
extern Font NormalFont;
extern Font LargeFont;
extern Font HugeNumFont;
