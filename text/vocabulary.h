// The vocabulary: the registry of languages, alphabets, string files and loaded texts, with
// the current language. Its one instance is V.
#pragma once

#include <cstdint>

#include "text/string_file.h"
#include "text/string_pool.h"

class Alphabet;
class Language;
class MultiString;

constexpr int MaxLanguages = 10;
constexpr int MaxAlphabets = 6;
constexpr int MaxStringFiles = 4;

class Vocabulary {
public:
    StringPoolNode* stringPool = nullptr;
    Language* currentLanguage;
    Language* languages[MaxLanguages] = {};
    Alphabet* alphabets[MaxAlphabets] = {};
    StringFile stringFiles[MaxStringFiles];
    uint8_t languageCount = 0;
    uint8_t alphabetCount = 0;
    int8_t stringFileCount = 1;
    bool rightToLeft = false;

    Vocabulary();
    Vocabulary(const Vocabulary&) = delete;
    Vocabulary& operator=(const Vocabulary&) = delete;
    ~Vocabulary();

    // Registers English and the given languages (the list after the first four ends with a
    // null), makes current (English when null) current and reads every string file's header.
    void init(Language* current, Language* l1, Language* l2, Language* l3, ...);
    void initFromStringFile(unsigned char languageId);
    bool addLanguage(Language* l);
    bool addAlphabet(Alphabet* a);
    bool addStringFile(const char* name);
    Alphabet* alphabet(const char* name) const;
    // Position of the alphabet of that name, -1 when unknown.
    int32_t alphabetIndex(const char* name) const;
    // n > 0 compares only the first n characters.
    Language* language(const char* name, int n = 0) const;
    // A language by its name or by an alias of any string file.
    Language* languageNamed(const char* nameOrAlias) const;
    void initCurrentLanguage(Language* l);
    // langMinusOne() means the next language by id, wrapping to the first.
    void setCurrentLanguage(Language* l);
    StringPoolNode* stringPoolNode(const char* key, long index, bool create);
    void loadStringPoolNode(StringPoolNode* node, Language* lang, MultiString* ms);

    // From a string file header: loads a character set's font file unless its alphabet is
    // known, and declares a language (skipped when known or when ten exist).
    void loadCharSet(const char* name);
    void addLanguageNamed(const char* name, int32_t alphabetIndex);

private:
    uint32_t ownedLanguages = 0; // languages made from headers, deleted with the vocabulary
    void registerLanguage(Language* l);
};

extern Vocabulary V;
