// The vocabulary: registration of languages, alphabets and string files, the current
// language, and loading of pool nodes with the English and key fallbacks.
#include "text/vocabulary.h"

#include <cstdarg>
#include <cstring>

#include "gui/alphabet.h"
#include "gui/gui_language.h"
#include "text/language.h"

Vocabulary V;

Vocabulary::Vocabulary() : currentLanguage(&English) {
    for (StringFile& f : stringFiles)
        f.vocabulary = this;
    stringFiles[0].setFileName("stringFile.txt");
}

Vocabulary::~Vocabulary() {
    while (stringPool != nullptr) {
        StringPoolNode* n = stringPool;
        stringPool = n->next;
        delete n;
    }
    for (int i = 0; i < languageCount; ++i)
        if (ownedLanguages & (1u << i)) delete languages[i];
}

void Vocabulary::registerLanguage(Language* l) {
    if (l == nullptr || language(l->name) != nullptr) return;
    if (!addLanguage(l)) return;
    if (l->alphabet != nullptr && alphabet(l->alphabet->name) == nullptr) addAlphabet(l->alphabet);
}

namespace {
// Alphabets that font files bring register with the vocabulary.
void registerLoadedAlphabet(Alphabet* a) {
    if (V.alphabet(a->name) == nullptr) V.addAlphabet(a);
}
} // namespace

void Vocabulary::init(Language* current, Language* l1, Language* l2, Language* l3, ...) {
    AddAlphabetHook = registerLoadedAlphabet;
    registerLanguage(&English);
    registerLanguage(current); // a current language is always one of the vocabulary's
    registerLanguage(l1);
    registerLanguage(l2);
    registerLanguage(l3);
    va_list more;
    va_start(more, l3);
    for (Language* l = va_arg(more, Language*); l != nullptr; l = va_arg(more, Language*))
        registerLanguage(l);
    va_end(more);
    initCurrentLanguage(current != nullptr ? current : &English);
    // Texts already loaded may come from files that changed: they are searched again.
    for (StringPoolNode* n = stringPool; n != nullptr; n = n->next)
        n->forgetFiles();
    for (int i = 0; i < stringFileCount; ++i)
        stringFiles[i].readHeaderSections();
}

void Vocabulary::initFromStringFile(unsigned char languageId) {
    init(nullptr, nullptr, nullptr, nullptr, nullptr);
    if (languageId < languageCount) initCurrentLanguage(languages[languageId]);
}

bool Vocabulary::addLanguage(Language* l) {
    if (languageCount >= MaxLanguages) return false;
    l->id = languageCount;
    languages[languageCount++] = l;
    return true;
}

bool Vocabulary::addAlphabet(Alphabet* a) {
    if (alphabetCount >= MaxAlphabets) return false;
    alphabets[alphabetCount++] = a;
    a->init();
    return true;
}

bool Vocabulary::addStringFile(const char* name) {
    if (stringFileCount >= MaxStringFiles) return false;
    stringFiles[stringFileCount++].setFileName(name);
    return true;
}

int32_t Vocabulary::alphabetIndex(const char* name) const {
    for (int i = 0; i < alphabetCount; ++i)
        if (strcmp(alphabets[i]->name, name) == 0) return i;
    return -1;
}

Alphabet* Vocabulary::alphabet(const char* name) const {
    int32_t i = alphabetIndex(name);
    return i >= 0 ? alphabets[i] : nullptr;
}

Language* Vocabulary::language(const char* name, int n) const {
    for (int i = 0; i < languageCount; ++i) {
        const char* ln = languages[i]->name;
        if (n > 0 ? strncmp(ln, name, static_cast<size_t>(n)) == 0 : strcmp(ln, name) == 0)
            return languages[i];
    }
    return nullptr;
}

Language* Vocabulary::languageNamed(const char* nameOrAlias) const {
    if (Language* l = language(nameOrAlias)) return l;
    for (int i = 0; i < stringFileCount; ++i) {
        const StringFile& f = stringFiles[i];
        for (int a = 0; a < f.aliasCount; ++a)
            if (strcmp(f.aliases[a].name, nameOrAlias) == 0 &&
                f.aliases[a].languageId < languageCount)
                return languages[f.aliases[a].languageId];
    }
    return nullptr;
}

void Vocabulary::initCurrentLanguage(Language* l) {
    currentLanguage = l;
    rightToLeft = l->rightToLeft();
    // The GUI draws with the current language's fonts and direction.
    setCurrentAlphabet(l->alphabet);
    CurrentRightToLeft = rightToLeft;
}

void Vocabulary::setCurrentLanguage(Language* l) {
    if (l == langMinusOne()) {
        if (languageCount == 0) return;
        int id = currentLanguage->id + 1;
        if (id >= languageCount || languages[currentLanguage->id] != currentLanguage) id = 0;
        l = languages[id];
    }
    if (l == nullptr || l == currentLanguage) return;
    initCurrentLanguage(l);
    for (StringPoolNode* n = stringPool; n != nullptr; n = n->next)
        if (n->state == PoolNodeLoaded) n->state = PoolNodeStale;
}

StringPoolNode* Vocabulary::stringPoolNode(const char* key, long index, bool create) {
    for (StringPoolNode* n = stringPool; n != nullptr; n = n->next)
        if (n->index == index && strcmp(n->key, key) == 0) return n;
    if (!create) return nullptr;
    StringPoolNode* n = new StringPoolNode(key, index);
    n->next = stringPool;
    stringPool = n;
    return n;
}

void Vocabulary::loadStringPoolNode(StringPoolNode* node, Language* lang, MultiString*) {
    if (lang == nullptr) lang = currentLanguage;
    if (node->state == PoolNodeNew) {
        StringPoolNodeAllocInfo info;
        bool found = false;
        for (int i = 0; i < stringFileCount; ++i)
            if (node->buildStringFileList(&stringFiles[i], &info)) found = true;
        if (!found) {
            node->state = PoolNodeNotFound;
            node->language = &English;
            return;
        }
        node->allocateBuffer(info.sizeToAlloc(static_cast<uint32_t>(strlen(node->key)) + 3));
        node->state = PoolNodeLoaded;
        node->language = nullptr;
    }
    if (node->state == PoolNodeNotFound) return;
    if (node->state == PoolNodeLoaded && node->language == lang) return;
    node->state = PoolNodeLoaded;
    if (node->loadString(lang)) return;
    if (node->language == &English) return;
    if (!node->loadString(&English)) {
        node->language = &English;
        node->resetBuffer();
    }
}

void Vocabulary::loadCharSet(const char* name) {
    if (alphabet(name) == nullptr) Alphabet::load(name);
}

void Vocabulary::addLanguageNamed(const char* name, int32_t alphabetIndex) {
    if (language(name) != nullptr || languageCount >= MaxLanguages) return;
    Alphabet* a =
        alphabetIndex >= 0 && alphabetIndex < alphabetCount ? alphabets[alphabetIndex] : &Latin;
    Language* l = new Language(name, a);
    ownedLanguages |= 1u << languageCount;
    addLanguage(l);
}
