// Languages delegate character mapping and direction to their alphabet.
#include "text/language.h"

#include <cstring>

#include "gui/alphabet.h"
#include "gui/gui_language.h"

Language English("English", &Latin);

Language::Language(const char* n, Alphabet* a) : alphabet(a) {
    size_t len = strlen(n) + 1;
    name = new char[len];
    memcpy(name, n, len);
}

Language::~Language() {
    delete[] name;
}

uint32_t Language::mapChar(uint32_t ch) const {
    return alphabet != nullptr ? alphabet->mapChar(ch) : ch;
}

bool Language::rightToLeft() const {
    return alphabet != nullptr && alphabet->rightToLeft;
}
