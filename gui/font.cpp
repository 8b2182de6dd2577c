// Glyph look-up, measuring and drawing of text.
#include "gui/font.h"

#include "text/xtd_string.h"

Font::Font(uint32_t first, uint32_t last, uint8_t desc, const int32_t* offs, long w, long h,
           const unsigned char* bits, uint8_t lead, uint32_t mappedCount, uint32_t offCount,
           uint8_t fixed)
    : Bitmap(w, h, bits, 1), firstChar(first), lastChar(last), descent(desc), leading(lead),
      offsets(offs), fixedWidth(fixed) {
    firstMapped = (lastChar > 127 ? lastChar : 127) + 1;
    lastMapped = firstMapped + mappedCount - 1;
    offsetCount = offCount != 0 ? offCount : lastChar - firstChar + 2 + mappedCount;
}

void Font::glyph(uint32_t index, CharInfo& info) const {
    long start, w;
    if (index < offsetCount) {
        start = offsets[index];
        w = static_cast<long>(offsets[index + 1]) - start;
    } else {
        start = offsets[offsetCount] + static_cast<long>(index - offsetCount) * fixedWidth;
        w = fixedWidth;
    }
    if (start < 0 || w < 0 || start + w > width) w = 0;
    info.x = w > 0 ? start : 0;
    info.width = w;
}

bool Font::getUnmappedCharInfo(uint32_t ch, CharInfo& info) {
    if (ch == 8) {
        info.x = 0;
        info.width = digitWidth(1);
    } else if (ch >= 17 && ch <= 25) {
        info.x = 0;
        info.width = ch - 16;
    } else if (ch >= firstChar && ch <= lastChar) {
        glyph(ch - firstChar + 1, info);
    } else {
        info.found = 0;
        return false;
    }
    info.found = 1;
    return true;
}

Font* Font::lookUp(uint32_t ch, CharInfo& info, bool useFallback) {
    info = CharInfo();
    info.found = ch == 1 ? 1 : 0;
    bool ok = ch > 1 && getUnmappedCharInfo(ch, info) && info.width > 0;
    if (!ok && ch >= firstMapped && ch <= lastMapped && lastMapped >= firstMapped) {
        glyph(ch - firstMapped + lastChar + 1 - firstChar + 1, info);
        info.found = 1;
        ok = info.width > 0;
    }
    if (!ok && ch > 127) ch = 1;
    if (!ok && ch == 1) {
        glyph(0, info);
        info.found = 1;
        ok = info.width > 0;
    }
    if (ok) return this;
    if (ch < 128 && useFallback && fallback != nullptr && fallback != this) {
        // One level only, so that fonts naming each other cannot loop.
        if (Font* f = fallback->lookUp(ch, info, false)) {
            info.found = 2;
            return f;
        }
    }
    info.width = 0;
    return nullptr;
}

Font* Font::getCharInfo(uint32_t ch, CharInfo& info) {
    return lookUp(ch, info, true);
}

long Font::getCharWidth(uint32_t ch) {
    CharInfo info;
    return getCharInfo(ch, info) != nullptr ? info.width : 0;
}

long Font::getStringWidth(const unsigned char* s) {
    long w = 0;
    if (s == nullptr) return 0;
    while (*s != 0)
        w += getCharWidth(xtdGetChar(s));
    return w;
}

long Font::digitWidth(long n) {
    if (digitWidthCache == 0) {
        CharInfo info;
        if (getCharInfo('0', info) != nullptr) digitWidthCache = static_cast<uint8_t>(info.width);
    }
    return n * digitWidthCache;
}

long Font::drawChar(BitmapArgs& a, uint32_t ch) {
    long advance;
    if (ch == 9 && tabWidth != 0) {
        long m = a.x % tabWidth;
        if (m < 0) m += tabWidth;
        advance = tabWidth - m;
    } else if (ch == 8) {
        advance = digitWidth(1);
    } else if (ch >= 16 && ch <= 25) {
        advance = ch - 16;
    } else {
        CharInfo info;
        Font* f = getCharInfo(ch, info);
        if (f == nullptr) return 0;
        advance = info.width;
        unsigned char yOffset = f->leading != 0 ? static_cast<unsigned char>(f->leading + 1) : 0;
        f->drawSlice(a, info.x, info.width, yOffset, info.found == 2,
                     a.rightToLeft ? -info.width : 0);
    }
    return a.rightToLeft ? -advance : advance;
}

long Font::fallbackYShift() const {
    if (fallback == nullptr) return 0;
    if (descent != 0) return (ascender() + leading) - (fallback->ascender() + fallback->leading);
    return (lineHeight() - fallback->ascender()) / 2 + 1;
}

void Font::drawString(BitmapArgs& a, const unsigned char* s) {
    if (s == nullptr) return;
    long w = 0;
    bool measured = a.rightToLeft || (a.alignment & (0x01 | 0x02 | 0x10 | 0x20)) != 0;
    if (measured) w = getStringWidth(s);
    a.adjustToAlignment(w, lineHeight(), fallbackYShift());
    if (a.rightToLeft) a.x += w;
    while (*s != 0)
        a.x += drawChar(a, xtdGetChar(s));
}

void Font::drawString(GraphicalObj* obj, long x, long y, const unsigned char* s, Alignment al,
                      Color transparent, Color ink) {
    Rect r(At(static_cast<int32_t>(x), 0), At(static_cast<int32_t>(x), ScreenHeight - 1));
    BitmapArgs a(obj, &r, y, al, transparent, ink, false);
    drawString(a, s);
}
