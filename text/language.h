// A language: its name, its id in the vocabulary and the alphabet it is written in.
#pragma once

#include <cstdint>

class Alphabet;

class Language {
public:
    char* name;
    uint8_t id = 0;
    Alphabet* alphabet;

    Language(const char* name, Alphabet* alphabet);
    Language(const Language&) = delete;
    Language& operator=(const Language&) = delete;
    ~Language();

    // The code of the character in the alphabet's fonts.
    uint32_t mapChar(uint32_t ch) const;
    bool rightToLeft() const;
};

// The built-in English language (Latin alphabet); always language 0 once the vocabulary is
// initialised.
extern Language English;

// The language argument -1 (all bits set): "not given". Operations that take it keep
// their preferred language; Vocabulary::setCurrentLanguage takes the next language.
inline Language* langMinusOne() {
    return reinterpret_cast<Language*>(~static_cast<uintptr_t>(0));
}
