// Pool nodes: finding a key in the string files and loading its forms for one language.
#include "text/string_pool.h"

#include <cstring>

#include "text/language.h"
#include "text/parse_string.h"
#include "text/string_file.h"
#include "text/xtd_string.h"

void StringPoolNodeAllocInfo::accumulate(uint32_t languages, uint32_t length) {
    if (length != 0)
        for (int i = 0; i < 10; ++i)
            if (languages & (1u << i)) totals[i] += length + 1;
    languagesSeen |= languages;
}

uint32_t StringPoolNodeAllocInfo::sizeToAlloc(uint32_t minimum) const {
    uint32_t size = minimum;
    for (uint32_t t : totals)
        if (t > size) size = t;
    return size;
}

StringPoolNode::StringPoolNode(const char* k, long i) : index(static_cast<int32_t>(i)) {
    size_t n = strlen(k);
    key = new char[n + 3];
    memcpy(key, k, n);
    key[n] = key[n + 1] = key[n + 2] = '\0';
    for (uint32_t& o : formOffset)
        o = FormUndefined;
}

StringPoolNode::~StringPoolNode() {
    freeFileList();
    delete[] key;
    delete[] buffer;
}

void StringPoolNode::freeFileList() {
    while (files != nullptr) {
        StringFileInfoList* f = files;
        files = f->next;
        delete f;
    }
}

void StringPoolNode::forgetFiles() {
    freeFileList();
    state = PoolNodeNew;
    language = nullptr;
    resetBuffer();
}

void StringPoolNode::resetBuffer() {
    for (uint32_t& o : formOffset)
        o = FormUndefined;
    fill = 1;
    if (buffer != nullptr) buffer[0] = 0;
}

void StringPoolNode::allocateBuffer(uint32_t size) {
    if (size < 1) size = 1;
    delete[] buffer;
    buffer = new unsigned char[size];
    bufferSize = size;
    resetBuffer();
}

bool StringPoolNode::buildStringFileList(StringFile* file, StringPoolNodeAllocInfo* info) {
    if (!file->findString(key, index)) return false;
    StringFileInfoList* f = new StringFileInfoList;
    f->file = file;
    f->linePos = file->linePos;
    StringPoolNodeAllocInfo here;
    uint32_t forms = 0;
    while (file->getTaggedString(nullptr, forms, nullptr, &here) == 1) {
    }
    f->languages = here.languagesSeen;
    for (int i = 0; i < 10; ++i)
        info->totals[i] += here.totals[i] - 1;
    info->languagesSeen |= here.languagesSeen;
    f->next = files;
    files = f;
    return true;
}

bool StringPoolNode::loadString(Language* lang) {
    if (lang == nullptr) return false;
    // Files are pushed at the front, so a file registered later overrides earlier ones.
    StringFileInfoList* found = files;
    while (found != nullptr && (found->languages & (1u << lang->id)) == 0)
        found = found->next;
    if (found == nullptr) return false;
    language = lang;
    loadAllForms(found, lang);
    return true;
}

uint32_t StringPoolNode::append(const unsigned char* text, uint32_t length) {
    if (fill + length + 1 > bufferSize) {
        // Measured with another language's mapping: grow once for this text.
        uint32_t size = fill + length + 1;
        unsigned char* b = new unsigned char[size];
        memcpy(b, buffer, fill);
        delete[] buffer;
        buffer = b;
        bufferSize = size;
    }
    uint32_t offset = fill;
    memcpy(buffer + fill, text, length);
    buffer[fill + length] = 0;
    fill += length + 1;
    return offset;
}

void StringPoolNode::addStringForm(uint32_t forms, uint32_t offset) {
    for (int f = 1; f <= MaxForms; ++f)
        if (forms & (1u << f)) formOffset[f - 1] = offset;
}

void StringPoolNode::loadAllForms(StringFileInfoList* fileInfo, Language* lang) {
    static unsigned char text[MaxParsedTextSize];
    StringFile* file = fileInfo->file;
    file->seek(fileInfo->linePos);
    resetBuffer();
    char* entryKey = nullptr;
    long entryIndex = 0;
    if (!file->getStringKey(entryKey, entryIndex)) return;
    uint32_t forms = 0;
    while (file->getTaggedString(lang, forms, text, nullptr) == 1) {
        uint32_t length = static_cast<uint32_t>(xtdStrlen(text));
        addStringForm(forms, length == 0 ? 0 : append(text, length));
    }
    for (int f = 1; f < MaxForms; ++f)
        if (formOffset[f] == FormUndefined) formOffset[f] = formOffset[f - 1];
}

StringAndLang StringPoolNode::getString(unsigned char form) const {
    StringAndLang s;
    s.language = language != nullptr ? language : &English;
    uint32_t offset = form >= 1 && form <= MaxForms ? formOffset[form - 1] : FormUndefined;
    if (state == PoolNodeNotFound || offset == FormUndefined || buffer == nullptr) {
        s.text = reinterpret_cast<const unsigned char*>(key);
    } else {
        s.text = buffer + offset;
    }
    s.rightToLeft = s.text[0] == RightToLeftCode && s.language->rightToLeft();
    return s;
}

bool StringPoolNode::formDefined(unsigned char form) const {
    if (state == PoolNodeNotFound || form < 1 || form > MaxForms) return false;
    if (form == 1) return formOffset[0] != FormUndefined || language == &English;
    return formOffset[form - 1] != formOffset[form - 2];
}
