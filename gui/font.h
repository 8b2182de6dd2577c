// Bitmap fonts: every glyph of a character range side by side in one one-bit strip, a
// table of where each glyph starts, extra glyphs for mapped characters at the end, and an
// optional fallback font for the ASCII characters a font lacks.
#pragma once

#include <cstdint>

#include "gui/bitmap.h"

class GraphicalObj;

// Index of a font of the current alphabet: 0 small, 1 normal, 2 large, 3-5 further sizes
// of the alphabet, 6-9 universal fonts shared by all alphabets.
typedef int32_t FontSize;
enum : FontSize {
    SmallFontSize = 0,
    NormalFontSize = 1,
    LargeFontSize = 2,
    HugeNumFontSize = 6,
};

struct CharInfo {
    long x = 0;
    long width = 0;
    int found = 0; // 0 not found, 1 in this font, 2 in the fallback font
};

class Font : public Bitmap {
public:
    // offsetCount 0 means one entry per glyph: lastChar - firstChar + 2 + mappedCount.
    Font(uint32_t firstChar, uint32_t lastChar, uint8_t descent, const int32_t* offsets, long width,
         long height, const unsigned char* bits, uint8_t leading, uint32_t mappedCount,
         uint32_t offsetCount, uint8_t fixedWidth);

    bool getUnmappedCharInfo(uint32_t ch, CharInfo& info);
    // The font that holds the glyph of ch, or null when it has no width.
    Font* getCharInfo(uint32_t ch, CharInfo& info);
    long getCharWidth(uint32_t ch);
    long getStringWidth(const unsigned char* xtd);
    long digitWidth(long n);
    long lineHeight() const { return height + 2 * leading; }
    long ascender() const { return leading + height - descent; }

    // Draws one character at the pen; returns the pen advance (negative right to left).
    long drawChar(BitmapArgs& a, uint32_t ch);
    void drawString(BitmapArgs& a, const unsigned char* xtd);
    // The pen at x is the anchor: the text starts, ends or is centred there by alignment.
    void drawString(GraphicalObj* obj, long x, long y, const unsigned char* xtd, Alignment al,
                    Color transparent, Color ink);

    uint32_t firstChar;
    uint32_t lastChar;
    uint8_t descent;
    uint8_t leading;
    const int32_t* offsets;
    uint8_t digitWidthCache = 0;
    uint8_t tabWidth = 0;
    uint32_t firstMapped;
    uint32_t lastMapped;
    uint32_t offsetCount;
    uint8_t fixedWidth;
    Font* fallback = nullptr;

private:
    // Start and width of glyph i; glyphs that would leave the strip have no width.
    void glyph(uint32_t index, CharInfo& info) const;
    Font* lookUp(uint32_t ch, CharInfo& info, bool useFallback);
    long fallbackYShift() const;
};
