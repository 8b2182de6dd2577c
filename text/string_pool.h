// The loaded texts of one key (a pool node of the vocabulary), the string files that hold
// the key, and the bookkeeping that sizes a node's buffer for its largest language.
#pragma once

#include <cstdint>

class Language;
class StringFile;

constexpr int MaxForms = 9;
constexpr uint32_t FormUndefined = 65535;

// A text, the language it is in, and whether it is laid out right to left.
struct StringAndLang {
    const unsigned char* text = nullptr;
    Language* language = nullptr;
    bool rightToLeft = false;
};

// One string file that holds a key: the languages with texts there and where the entry is.
struct StringFileInfoList {
    uint32_t languages = 0;
    StringFile* file = nullptr;
    uint32_t linePos = 0;
    StringFileInfoList* next = nullptr;
};

struct StringPoolNodeAllocInfo {
    uint32_t totals[10] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    uint32_t languagesSeen = 0;

    void accumulate(uint32_t languages, uint32_t length);
    uint32_t sizeToAlloc(uint32_t minimum) const;
};

enum : uint8_t {
    PoolNodeNew = 0,
    PoolNodeNotFound = 1,
    PoolNodeLoaded = 2,
    PoolNodeStale = 3,
};

class StringPoolNode {
public:
    char* key; // own copy, followed by two 0 bytes so it reads safely as an xtd string
    int32_t index;
    Language* language = nullptr;
    uint32_t formOffset[MaxForms];
    unsigned char* buffer = nullptr;
    uint32_t fill = 1;
    StringPoolNode* next = nullptr;
    uint8_t state = PoolNodeNew;
    StringFileInfoList* files = nullptr;
    uint32_t bufferSize = 0;

    StringPoolNode(const char* key, long index);
    StringPoolNode(const StringPoolNode&) = delete;
    StringPoolNode& operator=(const StringPoolNode&) = delete;
    ~StringPoolNode();

    void resetBuffer();
    // Forgets what was found in the files, so the next use searches them again.
    void forgetFiles();
    void allocateBuffer(uint32_t size);
    bool buildStringFileList(StringFile* file, StringPoolNodeAllocInfo* info);
    bool loadString(Language* lang);
    void loadAllForms(StringFileInfoList* fileInfo, Language* lang);
    StringAndLang getString(unsigned char form) const;
    bool formDefined(unsigned char form) const;

private:
    void freeFileList();
    void addStringForm(uint32_t forms, uint32_t offset);
    uint32_t append(const unsigned char* text, uint32_t length);
};
