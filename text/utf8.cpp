// UTF-8 decoding and number scanning for the string file reader.
#include "text/utf8.h"

#include <cstdlib>

namespace {
bool isContinuation(unsigned char b) {
    return (b & 0xC0) == 0x80;
}
} // namespace

uint32_t getUTF8(const char*& p) {
    const unsigned char* s = reinterpret_cast<const unsigned char*>(p);
    uint32_t c = s[0];
    if (c < 0x80) {
        if (c == '\\' && s[1] == 'b') {
            ++p;
            return 8;
        }
        return c;
    }
    // Each continuation byte is checked before the next is read, so a 0 stops the walk.
    if ((c & 0xE0) == 0xC0 && isContinuation(s[1])) {
        uint32_t ch = (c & 0x1F) << 6 | (s[1] & 0x3F);
        ++p;
        return ch;
    }
    if ((c & 0xF0) == 0xE0 && isContinuation(s[1]) && isContinuation(s[2])) {
        uint32_t ch = (c & 0x0F) << 12 | (s[1] & 0x3F) << 6 | (s[2] & 0x3F);
        p += 2;
        return ch;
    }
    return InvalidCharCode;
}

uint32_t getUTF8(char*& p) {
    const char* q = p;
    uint32_t c = getUTF8(q);
    p += q - p;
    return c;
}

bool UTF8toChar(char* s) {
    char* out = s;
    for (const char* p = s; *p != '\0'; ++p) {
        // A backslash is kept as it is: the key's escapes are read later.
        uint32_t c = static_cast<unsigned char>(*p);
        if (c >= 0x80) c = getUTF8(p);
        if (c > 254) return false;
        *out++ = static_cast<char>(c);
    }
    *out = '\0';
    return true;
}

long scanNumber(const char* s) {
    return strtol(s, nullptr, 0);
}
