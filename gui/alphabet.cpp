// Alphabets: fonts by size, Latin fallbacks and character mapping.
#include "gui/alphabet.h"

#include <cstring>

#include "gui/gui_language.h"

namespace {
Alphabet* current = nullptr;
}

bool CurrentRightToLeft = false;
void (*AddAlphabetHook)(Alphabet*) = nullptr;

Alphabet* currentAlphabet() {
    return current != nullptr ? current : &Latin;
}

void setCurrentAlphabet(Alphabet* a) {
    current = a;
}

Font* UniversalFonts[4] = {&HugeNumFont, nullptr, nullptr, nullptr};

const uint32_t LatinFontsMappingTable[47] = {
    0x0100, 0x0101, 0x010C, 0x010D, 0x010E, 0x010F, 0x0112, 0x0113, 0x011A, 0x011B, 0x0122, 0x0123,
    0x012A, 0x012B, 0x0136, 0x0137, 0x013B, 0x013C, 0x0145, 0x0146, 0x0147, 0x0148, 0x014C, 0x014D,
    0x0150, 0x0151, 0x0156, 0x0157, 0x0158, 0x0159, 0x0160, 0x0161, 0x0164, 0x0165, 0x016A, 0x016B,
    0x016E, 0x016F, 0x0170, 0x0171, 0x017D, 0x017E, 0x2026, 0x2116, 0x2264, 0x2265, 0,
};

Alphabet Latin("Latin", &NormalFont, &LargeFont, &SmallFont, LatinFontsMappingTable, false);

Alphabet::Alphabet(const char* n, Font* f, Font* large, Font* small, const uint32_t* map, bool rtl)
    : name(n), charMap(map), rightToLeft(rtl) {
    for (Font*& slot : fonts)
        slot = f;
    if (large != nullptr) fonts[LargeFontSize] = large;
    if (small != nullptr) fonts[SmallFontSize] = small;
}

bool Alphabet::isLatin() const {
    return name != nullptr && strcmp(name, "Latin") == 0;
}

void Alphabet::init() {
    if (initialised) return;
    initialised = true;
    if (isLatin()) return;
    for (int s = 0; s < 6; ++s) {
        Font* latin = Latin.fonts[s];
        if (fonts[s] != nullptr && fonts[s] != latin) fonts[s]->fallback = latin;
    }
}

Font* Alphabet::font(FontSize s) const {
    if (s >= 6 && s <= 9) return UniversalFonts[s - 6];
    if (s < 0 || s > 5) return nullptr;
    return fonts[s];
}

void Alphabet::setFont(FontSize s, Font* f) {
    if (f == nullptr) f = fonts[NormalFontSize];
    if (s >= 6 && s <= 9) {
        UniversalFonts[s - 6] = f;
        return;
    }
    if (s < 0 || s > 5) return;
    fonts[s] = f;
    Font* latin = Latin.fonts[s];
    if (!isLatin() && f != nullptr && f->fallback == nullptr && f != latin) f->fallback = latin;
}

uint32_t Alphabet::mapChar(uint32_t ch) const {
    Font* normal = fonts[NormalFontSize];
    if (ch < 128 || charMap == nullptr || normal == nullptr || ch <= normal->lastChar) return ch;
    for (uint32_t i = 0; charMap[i] != 0; ++i)
        if (charMap[i] == ch) return normal->firstMapped + i;
    return 1;
}
