// The string file reader: line buffer, tokenizer, header sections, key search and the
// reading of an entry's alternatives.
#include "text/string_file.h"

#include <cstdlib>
#include <cstring>

#include "text/language.h"
#include "text/parse_string.h"
#include "text/string_pool.h"
#include "text/utf8.h"
#include "text/vocabulary.h"

namespace {
bool isBlank(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0' || c == '\f' || c == '\v';
}
bool isDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}
char* copyOf(const char* s) {
    size_t n = strlen(s) + 1;
    char* d = new char[n];
    memcpy(d, s, n);
    return d;
}
// Names longer than this are cut when copied out of the line buffer.
constexpr size_t NameSize = 64;
void copyName(char* dst, const char* src) {
    strncpy(dst, src, NameSize - 1);
    dst[NameSize - 1] = '\0';
}
} // namespace

StringFile::~StringFile() {
    close();
    delete[] line;
    delete[] block;
    delete[] fileName;
}

void StringFile::setFileName(const char* name) {
    delete[] fileName;
    fileName = copyOf(name);
}

void StringFile::close() {
    if (file != nullptr) fclose(file);
    file = nullptr;
    freeAliases();
    stringsFound = false;
    scan = lineEnd = line;
    stopPos = nullptr;
    replay = false;
}

void StringFile::freeAliases() {
    for (int i = 0; i < aliasCount; ++i) {
        delete[] aliases[i].name;
        aliases[i].name = nullptr;
    }
    aliasCount = 0;
}

bool StringFile::refill() {
    blockStart += blockLength;
    blockNext = 0;
    blockLength = static_cast<uint32_t>(fread(block, 1, StringFileBlockSize, file));
    return blockLength > 0;
}

bool StringFile::readLine() {
    stopPos = nullptr;
    scan = lineEnd = line;
    if (file == nullptr || line == nullptr) return false;
    previousLinePos = linePos;
    linePos = blockStart + blockNext;
    int len = 0;
    bool ended = false;
    while (len < StringFileLineSize - 1 && !ended) {
        if (blockNext == blockLength && !refill()) break;
        uint32_t want = blockLength - blockNext;
        if (want > static_cast<uint32_t>(StringFileLineSize - 1 - len))
            want = static_cast<uint32_t>(StringFileLineSize - 1 - len);
        const unsigned char* from = block + blockNext;
        const void* newline = memchr(from, '\n', want);
        uint32_t n =
            newline != nullptr
                ? static_cast<uint32_t>(static_cast<const unsigned char*>(newline) - from) + 1
                : want;
        memcpy(line + len, from, n);
        len += static_cast<int>(n);
        blockNext += n;
        ended = newline != nullptr;
    }
    line[len] = 0;
    if (len == 0) return false;
    lineCut = !ended && len == StringFileLineSize - 1;
    lineEnd = line + len;
    if (firstLine) {
        firstLine = false;
        if (len >= 3 && line[0] == 0xEF && line[1] == 0xBB && line[2] == 0xBF) {
            utf8 = true;
            scan += 3;
        }
    }
    return true;
}

void StringFile::skipLine() {
    restoreStop();
    while (lineCut && readLine()) {
    }
    scan = lineEnd;
}

void StringFile::restoreStop() {
    if (stopPos != nullptr) *stopPos = stopChar;
    stopPos = nullptr;
}

void StringFile::seek(uint32_t pos) {
    stopPos = nullptr;
    replay = false;
    lineCut = false;
    scan = lineEnd = line;
    linePos = pos;
    previousLinePos = 0;
    if (file == nullptr) return;
    // Within the block already read nothing needs reading again.
    if (pos >= blockStart && pos <= blockStart + blockLength) {
        blockNext = pos - blockStart;
        return;
    }
    blockLength = blockNext = 0;
    if (fseek(file, static_cast<long>(pos), SEEK_SET) != 0) {
        // Unreadable from here: behave as at the end of the file.
        fseek(file, 0, SEEK_END);
        blockStart = static_cast<uint32_t>(ftell(file));
        return;
    }
    blockStart = pos;
}

void StringFile::ungetToken() {
    replay = true;
}

char* StringFile::getText(const char* stopChars) {
    unsigned char* start = scan;
    while (scan < lineEnd) {
        unsigned char c = *scan;
        if (c == '\r' || c == '\n' || c == '\0' || strchr(stopChars, c) != nullptr) break;
        if (c == '\\' && scan + 1 < lineEnd && scan[1] != '\r' && scan[1] != '\n') ++scan;
        ++scan;
    }
    stopChar = *scan;
    stopPos = scan;
    *scan = 0;
    return reinterpret_cast<char*>(start);
}

long StringFile::getNumber() {
    long n = atol(reinterpret_cast<char*>(scan));
    while (scan < lineEnd && isDigit(*scan))
        ++scan;
    return n;
}

int32_t StringFile::headerLanguage(const char* name) const {
    Language* l = vocabulary != nullptr ? vocabulary->language(name, 0) : nullptr;
    return l != nullptr ? l->id : -1;
}

int32_t StringFile::languageTag(const char* word) const {
    int32_t id = headerLanguage(word);
    if (id >= 0) return id;
    for (int i = 0; i < aliasCount; ++i)
        if (strcmp(aliases[i].name, word) == 0) return aliases[i].languageId;
    return -1;
}

int32_t StringFile::getToken(bool stringsMode) {
    if (replay) {
        replay = false;
        return lastToken;
    }
    restoreStop();
    for (;;) {
        while (scan < lineEnd && isBlank(*scan))
            ++scan;
        if (scan < lineEnd) break;
        if (!readLine()) return token(TOK_EOF);
    }
    tokenStart = scan;
    tokenText = reinterpret_cast<char*>(scan);
    unsigned char c = *scan;
    switch (c) {
    case '|':
        ++scan;
        return token(TOK_BAR);
    case ':':
        ++scan;
        return token(TOK_COLON);
    case '{':
        ++scan;
        return token(TOK_OPEN_BRACE);
    case '}':
        ++scan;
        return token(TOK_CLOSE_BRACE);
    case ';':
        ++scan;
        return token(TOK_SEMICOLON);
    case '$':
    case '"':
    case '[': {
        ++scan;
        tokenText = getText(c == '$' ? "$" : c == '"' ? "\"" : "]");
        // The closing character is consumed; its 0 stays, so the text outlives later tokens.
        if (scan < lineEnd) {
            ++scan;
            stopPos = nullptr;
        }
        if (c == '$') return token(TOK_KEY);
        if (c == '"') return token(TOK_QUOTED);
        if (strcmp(tokenText, "CharSets") == 0) return token(TOK_CHARSETS);
        if (strcmp(tokenText, "Languages") == 0) return token(TOK_LANGUAGES);
        if (strcmp(tokenText, "Aliases") == 0) return token(TOK_ALIASES);
        if (strcmp(tokenText, "Strings") == 0) return token(TOK_STRINGS);
        return token(TOK_ERROR);
    }
    case '/':
        if (scan + 1 < lineEnd && scan[1] == '/') {
            tokenText = reinterpret_cast<char*>(scan + 2);
            scan = lineEnd;
            return token(TOK_COMMENT);
        }
        ++scan;
        if (stringsMode) return token(TOK_ERROR);
        while (scan < lineEnd && (*scan == ' ' || *scan == '\t'))
            ++scan;
        tokenText = getText(" \t/");
        tokenNumber = vocabulary != nullptr ? vocabulary->alphabetIndex(tokenText) : -1;
        return token(tokenNumber >= 0 ? TOK_ALPHABET : TOK_ERROR);
    case '=':
        ++scan;
        if (stringsMode) return token(TOK_ERROR);
        while (scan < lineEnd && (*scan == ' ' || *scan == '\t'))
            ++scan;
        tokenText = getText(" \t/");
        tokenNumber = headerLanguage(tokenText);
        return token(tokenNumber >= 0 ? TOK_LANGUAGE : TOK_ERROR);
    case '.':
        ++scan;
        if (scan >= lineEnd || !isDigit(*scan)) return token(TOK_ERROR);
        tokenText = reinterpret_cast<char*>(scan);
        while (scan < lineEnd && isDigit(*scan))
            ++scan;
        stopChar = *scan;
        stopPos = scan;
        *scan = 0;
        tokenNumber = static_cast<int32_t>(strtol(tokenText, nullptr, 10));
        return token(TOK_DOT_NUMBER);
    default:
        break;
    }
    if (isDigit(c)) {
        tokenNumber = static_cast<int32_t>(getNumber());
        return token(TOK_NUMBER);
    }
    tokenText = getText(stringsMode ? " \t\"{;.|" : " \t=/");
    if (!stringsMode) return token(TOK_WORD);
    tokenNumber = languageTag(tokenText);
    return token(tokenNumber >= 0 ? TOK_LANGUAGE : TOK_ERROR);
}

void StringFile::readHeaderSections() {
    close();
    firstLine = true;
    utf8 = false;
    linePos = previousLinePos = stringsPos = 0;
    blockStart = blockLength = blockNext = 0;
    if (fileName == nullptr) return;
    file = fopen(fileName, "rb");
    if (file == nullptr) return;
    if (line == nullptr) line = new unsigned char[StringFileLineSize];
    if (block == nullptr) block = new unsigned char[StringFileBlockSize];
    scan = lineEnd = line;
    line[0] = 0;

    enum { NoSection, CharSetsSection, LanguagesSection, AliasesSection } section = NoSection;
    char name[NameSize];
    for (;;) {
        int32_t t = getToken(false);
        switch (t) {
        case TOK_EOF:
            return;
        case TOK_CHARSETS:
            section = CharSetsSection;
            break;
        case TOK_LANGUAGES:
            section = LanguagesSection;
            break;
        case TOK_ALIASES:
            section = AliasesSection;
            break;
        case TOK_STRINGS:
            skipLine();
            stringsPos = blockStart + blockNext;
            stringsFound = true;
            return;
        case TOK_WORD:
            copyName(name, tokenText);
            if (section == CharSetsSection && vocabulary != nullptr)
                vocabulary->loadCharSet(name);
            else if (section == LanguagesSection)
                readLanguageItem(name);
            else if (section == AliasesSection)
                readAliasItem(name);
            break;
        case TOK_COMMENT:
        case TOK_LANGUAGE:
        case TOK_ALPHABET:
            break;
        default:
            // Anything else (texts, keys, numbers, punctuation) ends the header.
            return;
        }
    }
}

void StringFile::readLanguageItem(const char* name) {
    if (vocabulary == nullptr) return;
    int32_t alphabet = vocabulary->alphabetIndex("Latin");
    int32_t t = getToken(false);
    if (t == TOK_ALPHABET)
        alphabet = tokenNumber;
    else if (!(t == TOK_ERROR && *tokenStart == '/'))
        ungetToken(); // an unknown alphabet leaves the language in Latin
    vocabulary->addLanguageNamed(name, alphabet);
}

void StringFile::readAliasItem(const char* name) {
    int32_t t = getToken(false);
    if (t != TOK_LANGUAGE) {
        if (t != TOK_ERROR) ungetToken();
        return;
    }
    int limit = vocabulary != nullptr ? vocabulary->languageCount : 0;
    if (limit > MaxStringFileAliases) limit = MaxStringFileAliases;
    if (aliasCount >= limit) return;
    aliases[aliasCount].name = copyOf(name);
    aliases[aliasCount].languageId = tokenNumber;
    ++aliasCount;
}

bool StringFile::getStringKey(char*& key, long& index) {
    if (file == nullptr) return false;
    for (;;) {
        int32_t t = getToken(true);
        if (t == TOK_EOF) return false;
        if (t != TOK_KEY) {
            skipLine();
            continue;
        }
        char* k = tokenText;
        if (utf8 && !UTF8toChar(k)) {
            skipLine();
            continue;
        }
        if (k[0] == '\\' && k[1] == 'v') {
            k[1] = static_cast<char>(HeaderMarkCode);
            ++k;
        }
        // An index follows on the same line; looking further would reuse the line buffer
        // that holds the key.
        index = 0;
        unsigned char* q = scan;
        while (q < lineEnd && (*q == ' ' || *q == '\t'))
            ++q;
        if (q < lineEnd && *q == '.') {
            scan = q;
            if (getToken(true) == TOK_DOT_NUMBER) index = strtol(tokenText, nullptr, 10);
        }
        key = k;
        return true;
    }
}

bool StringFile::findString(const char* key, long index) {
    if (file == nullptr || !stringsFound) return false;
    seekToStrings();
    char* k = nullptr;
    long i = 0;
    while (getStringKey(k, i))
        if (i == index && strcmp(k, key) == 0) return true;
    return false;
}

uint32_t StringFile::readBraceList(Language* lang, unsigned char* out) {
    CodedTextWriter w(lang, out);
    // The list runs on over as many lines as it takes to reach its "}".
    for (;;) {
        const char* p = reinterpret_cast<const char*>(scan);
        bool closed = parseCodeList(p, reinterpret_cast<const char*>(lineEnd), w);
        scan = reinterpret_cast<unsigned char*>(const_cast<char*>(p));
        if (closed || !readLine()) break;
    }
    return w.finish();
}

int StringFile::getTaggedString(Language* lang, uint32_t& forms, unsigned char* out,
                                StringPoolNodeAllocInfo* info) {
    if (file == nullptr) return 0;
    const uint32_t wanted = lang != nullptr && out != nullptr ? 1u << lang->id : ~0u;
    for (;;) {
        // Skip to the next alternative.
        for (;;) {
            int32_t t = getToken(true);
            if (t == TOK_COLON) break;
            if (t == TOK_SEMICOLON || t == TOK_EOF) return 0;
            if (t == TOK_KEY) { // the next entry: this one lacked its ";"
                ungetToken();
                return 0;
            }
        }
        forms = 0;
        uint32_t group = 0, tagged = 0;
        bool groupDigits = false, afterBar = false;
        Language* tagLanguage = nullptr;
        for (;;) {
            int32_t t = getToken(true);
            if (t == TOK_LANGUAGE) {
                if (!afterBar) {
                    if ((group & wanted) != 0 && !groupDigits) forms |= 1u << 1;
                    group = 0;
                    groupDigits = false;
                }
                group |= 1u << tokenNumber;
                tagged |= 1u << tokenNumber;
                if (vocabulary != nullptr) tagLanguage = vocabulary->languages[tokenNumber];
                afterBar = false;
            } else if (t == TOK_BAR) {
                afterBar = true;
            } else if (t == TOK_DOT_NUMBER) {
                if ((group & wanted) != 0)
                    for (const char* d = tokenText; *d != '\0'; ++d)
                        forms |= 1u << (*d - '0');
                groupDigits = true;
                afterBar = false;
            } else if (t == TOK_QUOTED || t == TOK_OPEN_BRACE) {
                if ((group & wanted) != 0 && !groupDigits) forms |= 1u << 1;
                forms &= ~1u; // there is no form 0
                Language* use = lang != nullptr ? lang : tagLanguage;
                if (forms == 0) {
                    if (t == TOK_OPEN_BRACE) readBraceList(use, nullptr);
                    break;
                }
                uint32_t length;
                if (t == TOK_OPEN_BRACE) {
                    length = readBraceList(use, out);
                } else {
                    unsigned char* o = out;
                    length = parseString(tokenText, use, o, utf8);
                }
                if (out == nullptr && info != nullptr) info->accumulate(tagged, length);
                return 1;
            } else if (t == TOK_COLON) {
                forms = 0;
                group = tagged = 0;
                groupDigits = afterBar = false;
            } else if (t == TOK_SEMICOLON || t == TOK_EOF) {
                return 0;
            } else if (t == TOK_KEY) {
                ungetToken();
                return 0;
            }
            // Unknown tags and anything else are ignored.
        }
    }
}
