// MultiString: resolving a key in a language through the vocabulary, and placeholder
// expansion.
#include "text/multi_string.h"

#include <cstring>

#include "text/language.h"
#include "text/parse_string.h"
#include "text/vocabulary.h"
#include "text/xtd_string.h"

namespace {
// Expansions may nest (a key whose text has placeholders); deeper ones fail.
constexpr int MaxExpansionDepth = 4;

// Appends one character when it fits before end (which is kept for the final 0).
bool putBounded(uint32_t ch, unsigned char*& out, unsigned char* end) {
    unsigned char* none = nullptr;
    if (out + xtdPutChar(ch, none) >= end) return false;
    xtdPutChar(ch, out);
    return true;
}

void copyBounded(const unsigned char* text, unsigned char*& out, unsigned char* end) {
    out += xtdStrncpy(out, text, static_cast<int>(end - out));
}
} // namespace

MultiString::MultiString(const char* k, long i, unsigned char f, Language* lang, bool lit)
    : key(k != nullptr ? k : ""), index(static_cast<int32_t>(i)), language(lang),
      form(f != 0 ? f : 1), literal(lit) {}

void MultiString::setString(const char* k, long i, unsigned char f, Language* lang) {
    if (k == nullptr) k = "";
    bool changed = false;
    if (k != key && strcmp(k, key) != 0) {
        key = k;
        changed = true;
    }
    if (i >= 0 && i != index) {
        index = static_cast<int32_t>(i);
        changed = true;
    }
    if (changed && !literal) poolNode = nullptr;
    if (lang != langMinusOne()) language = lang;
    if (f != 0) form = f;
}

void MultiString::setString(const StringArgs& args) {
    literal = args.literal;
    language = literal ? &English : nullptr;
    poolNode = nullptr;
    setString(args.key, args.index, args.form, langMinusOne());
}

void MultiString::preloadString(unsigned char& f, Language*& lang) {
    if (f == 0) f = form;
    if (lang != langMinusOne()) language = lang;
    lang = language != nullptr ? language : V.currentLanguage;
    if (literal) return;
    if (poolNode == nullptr) poolNode = V.stringPoolNode(key, index, true);
    V.loadStringPoolNode(poolNode, lang, this);
}

StringAndLang MultiString::getString(unsigned char f, Language* lang) {
    preloadString(f, lang);
    if (literal) {
        StringAndLang s;
        s.text = reinterpret_cast<const unsigned char*>(key);
        s.language = &English;
        return s;
    }
    return poolNode->getString(f);
}

bool MultiString::formDefined(unsigned char f, Language* lang) {
    if (literal) return false;
    preloadString(f, lang);
    return poolNode != nullptr && poolNode->formDefined(f);
}

Language* MultiString::targetLang(Language* lang, Language* fallback) const {
    Language* t = lang;
    if (t == langMinusOne()) t = language != nullptr ? language : fallback;
    return t != nullptr ? t : V.currentLanguage;
}

Language* MultiString::setLang(Language* lang) {
    Language* previous = language;
    if (lang != nullptr) language = lang;
    return previous;
}

StringAndLang MultiString::getExpandedString(unsigned char* buffer, unsigned char f,
                                             Language* lang) {
    StringAndLang s = getString(f, lang);
    if (expander == nullptr || buffer == nullptr) return s;
    unsigned char* end = buffer + MultiStringBufferSize;
    unsigned char* out = buffer;
    if (scanForExpansion(s.text, targetLang(lang, s.language), out, end)) {
        s.text = buffer;
        return s;
    }
    // The whole text again in English; the preferred language stays as it was.
    Language* preferred = language;
    s = getString(f, &English);
    language = preferred;
    out = buffer;
    if (scanForExpansion(s.text, &English, out, end)) s.text = buffer;
    return s;
}

bool MultiString::scanForExpansion(const unsigned char* text, Language* lang, unsigned char*& out,
                                   unsigned char* end, int depth) {
    const unsigned char* p = text;
    while (*p != 0) {
        uint32_t c = xtdGetChar(p);
        if (c == '&') {
            if (*p == 0) break; // a trailing "&" ends the text
            uint32_t n = xtdGetChar(p);
            if (n >= '0' && n <= '9') {
                if (!expand(static_cast<unsigned char>(n - '0'), lang, out, end, depth))
                    return false;
                continue;
            }
            putBounded('&', out, end);
            c = n;
        }
        putBounded(c, out, end);
    }
    *out = 0;
    return true;
}

bool MultiString::expand(unsigned char digit, Language* lang, unsigned char*& out,
                         unsigned char* end, int depth) {
    if (expander == nullptr || depth >= MaxExpansionDepth) return false;
    unsigned char work[ExpansionWorkSize];
    work[0] = 0;
    unsigned char* w = work;
    int result = expander->expand(lang, digit, w, expansionContext, 0.0);
    if (w != work && w >= work && w < work + ExpansionWorkSize) *w = 0;
    work[ExpansionWorkSize - 1] = 0;
    switch (result) {
    case ExpandedKey: {
        unsigned char translated[MultiStringBufferSize];
        translateString(lang, translated, reinterpret_cast<char*>(work), 0, 0);
        return scanForExpansion(translated, lang, out, end, depth + 1);
    }
    case ExpandedTemplate:
        return scanForExpansion(work, lang, out, end, depth + 1);
    case ExpandedPlain: {
        unsigned char mapped[3 * ExpansionWorkSize + 8];
        CodedTextWriter writer(lang, mapped);
        for (const unsigned char* p = work; *p != 0; ++p)
            writer.addCodedValueToString(*p);
        writer.finish();
        copyBounded(mapped, out, end);
        return true;
    }
    case ExpandedText:
        copyBounded(work, out, end);
        return true;
    default:
        return false;
    }
}

void translateString(Language* lang, unsigned char* dst, const char* key, long index,
                     unsigned char form) {
    // langMinusOne() (no language of the caller's own) means the current language here.
    MultiString ms(key, index, form, lang == langMinusOne() ? nullptr : lang);
    StringAndLang s = ms.getString(0, langMinusOne());
    xtdStrncpy(dst, s.text, MultiStringBufferSize);
}
