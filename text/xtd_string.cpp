// Extended-character string helpers.
#include "text/xtd_string.h"

#include <cstring>

uint32_t xtdGetChar(const unsigned char*& p) {
    uint32_t c = *p++;
    if (c != XtdWideMark) return c;
    c = static_cast<uint32_t>(p[0]) << 8 | p[1];
    p += 2;
    return c;
}

uint32_t xtdGetChar(unsigned char*& p) {
    const unsigned char* q = p;
    uint32_t c = xtdGetChar(q);
    p += q - p;
    return c;
}

int xtdPutChar(uint32_t ch, unsigned char*& p) {
    if (ch < XtdWideMark) {
        if (p != nullptr) *p++ = static_cast<unsigned char>(ch);
        return 1;
    }
    if (p != nullptr) {
        *p++ = XtdWideMark;
        *p++ = static_cast<unsigned char>(ch >> 8);
        *p++ = static_cast<unsigned char>(ch);
    }
    return 3;
}

int xtdStrlen(const unsigned char* s) {
    const unsigned char* p = s;
    while (*p != 0)
        p += *p == XtdWideMark ? 3 : 1;
    return static_cast<int>(p - s);
}

unsigned char* xtdStrLoad(unsigned char* dst, const char* src) {
    unsigned char* p = dst;
    for (; *src != '\0'; ++src)
        xtdPutChar(static_cast<unsigned char>(*src), p);
    *p = 0;
    return dst;
}

unsigned char* xtdStrAppend(unsigned char* dst, const char* src) {
    xtdStrLoad(dst + xtdStrlen(dst), src);
    return dst;
}

unsigned char* xtdStrcpy(unsigned char* dst, const unsigned char* src) {
    memmove(dst, src, static_cast<size_t>(xtdStrlen(src)) + 1);
    return dst;
}

unsigned char* xtdStrcat(unsigned char* dst, const unsigned char* src) {
    xtdStrcpy(dst + xtdStrlen(dst), src);
    return dst;
}

unsigned char* xtdStrDup(const unsigned char* s) {
    size_t n = static_cast<size_t>(xtdStrlen(s)) + 1;
    unsigned char* d = new unsigned char[n];
    memcpy(d, s, n);
    return d;
}

const char* charString(const unsigned char* s) {
    static char buffer[256];
    size_t n = 0;
    for (const unsigned char* p = s; *p != 0 && n < sizeof buffer - 1;) {
        uint32_t c = xtdGetChar(p);
        if (c < 128) buffer[n++] = static_cast<char>(c);
    }
    buffer[n] = '\0';
    return buffer;
}

int xtdStrncpy(unsigned char* dst, const unsigned char* src, int size) {
    if (size <= 0) return 0;
    int n = 0;
    for (const unsigned char* p = src; *p != 0;) {
        int len = *p == XtdWideMark ? 3 : 1;
        if (n + len > size - 1) break;
        for (int i = 0; i < len; ++i)
            dst[n++] = *p++;
    }
    dst[n] = 0;
    return n;
}
