// A string file: the header (character sets, languages, aliases), the tokenizer, the
// search for a key and the reading of one entry's texts for a language. Only the header is
// held in memory; entries are read from the file when a key is first used.
#pragma once

#include <cstdint>
#include <cstdio>

class Language;
class Vocabulary;
struct StringPoolNodeAllocInfo;

// Token types returned by StringFile::getToken.
enum : int32_t {
    TOK_LANGUAGE = 0,
    TOK_BAR = 1,
    TOK_ALPHABET = 2,
    TOK_COMMENT = 3,
    TOK_KEY = 4,
    TOK_DOT_NUMBER = 5,
    TOK_COLON = 6,
    TOK_QUOTED = 7,
    TOK_OPEN_BRACE = 8,
    TOK_NUMBER = 9,
    TOK_CLOSE_BRACE = 10,
    TOK_SEMICOLON = 11,
    TOK_WORD = 12,
    TOK_CHARSETS = 13,
    TOK_LANGUAGES = 14,
    TOK_ALIASES = 15,
    TOK_STRINGS = 16,
    TOK_ERROR = 17,
    TOK_EOF = 18,
};

// Lines are read in pieces of at most this many bytes, the last one being the 0.
constexpr int StringFileLineSize = 1024;
constexpr int MaxStringFileAliases = 10;
constexpr uint32_t StringFileBlockSize = 8192;

struct StringFileAlias {
    char* name = nullptr;
    int32_t languageId = 0;
};

class StringFile {
public:
    unsigned char* line = nullptr;
    unsigned char* scan = nullptr;
    char* tokenText = nullptr;
    int32_t tokenNumber = 0;
    int32_t aliasCount = 0;
    StringFileAlias aliases[MaxStringFileAliases];
    unsigned char stopChar = 0;
    bool firstLine = true;
    bool utf8 = false;
    uint32_t previousLinePos = 0;
    unsigned char* tokenStart = nullptr;
    FILE* file = nullptr;
    uint32_t linePos = 0;
    uint32_t stringsPos = 0;
    char* fileName = nullptr;
    // The registry of languages and alphabets that the header fills and tags refer to.
    Vocabulary* vocabulary = nullptr;

    StringFile() = default;
    StringFile(const StringFile&) = delete;
    StringFile& operator=(const StringFile&) = delete;
    ~StringFile();

    void setFileName(const char* name);
    void close();

    int32_t getToken(bool stringsMode);
    char* getText(const char* stopChars);
    long getNumber();
    // The next getToken returns the last token again.
    void ungetToken();
    void seek(uint32_t pos);
    void seekToStrings() { seek(stringsPos); }
    void readHeaderSections();
    bool hasStrings() const { return stringsFound; }

    bool getStringKey(char*& key, long& index);
    bool findString(const char* key, long index);
    // Reads the next alternative of the current entry that has a text for lang (any
    // language when lang or out is null) into out, which must hold MaxParsedTextSize bytes.
    // Without out the text's length is added to info. Returns 1 when a text was read, 0 at
    // the end of the entry.
    int getTaggedString(Language* lang, uint32_t& forms, unsigned char* out,
                        StringPoolNodeAllocInfo* info);

private:
    unsigned char* lineEnd = nullptr;
    unsigned char* stopPos = nullptr; // where stopChar must be put back, null when nowhere
    // The file is read in blocks; lines are cut from the block.
    unsigned char* block = nullptr;
    uint32_t blockStart = 0;  // file position of block[0]
    uint32_t blockLength = 0; // bytes in the block
    uint32_t blockNext = 0;   // the next byte to take

    int32_t lastToken = TOK_EOF;
    bool replay = false;
    bool lineCut = false; // the line buffer holds only the first part of a longer line
    bool stringsFound = false;

    bool refill();
    bool readLine();
    void skipLine();
    void restoreStop();
    int32_t token(int32_t t) { return lastToken = t; }
    int32_t languageTag(const char* word) const;
    int32_t headerLanguage(const char* name) const;
    void freeAliases();
    void readLanguageItem(const char* name);
    void readAliasItem(const char* name);
    // Reads a brace list from the scan position to "}" (or the end of the line).
    uint32_t readBraceList(Language* lang, unsigned char* out);
};
