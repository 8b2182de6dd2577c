// Parsing of string file texts into extended-character strings.
#include "text/parse_string.h"

#include <cstdlib>

#include "text/language.h"
#include "text/utf8.h"
#include "text/xtd_string.h"

unsigned long CodedTextWriter::addCodedValueToString(unsigned long ch, bool paragraphMarks,
                                                     bool paragraphAsSpace) {
    uint32_t before = length;
    if (ampersandHeld) {
        ampersandHeld = false;
        if (ch >= '0' && ch <= '9') {
            putRaw('&');
            putRaw(static_cast<uint32_t>(ch));
            return length - before;
        }
        putRaw(lang != nullptr ? lang->mapChar('&') : uint32_t('&'));
    }
    if (ch == '&') {
        ampersandHeld = true;
        return length - before;
    }
    if (paragraphMarks && ch == ParagraphChar) {
        putRaw(paragraphAsSpace ? uint32_t(' ') : uint32_t(LineBreakCode));
        return length - before;
    }
    uint32_t code = static_cast<uint32_t>(ch);
    if (ch > 0xFFFF) code = InvalidCharCode;
    putRaw(lang != nullptr ? lang->mapChar(code) : code);
    return length - before;
}

void CodedTextWriter::putRaw(uint32_t code) {
    unsigned char* p = out;
    length += static_cast<uint32_t>(xtdPutChar(code, p));
    if (out != nullptr) out = p;
}

uint32_t CodedTextWriter::finish() {
    if (ampersandHeld) {
        ampersandHeld = false;
        putRaw(lang != nullptr ? lang->mapChar('&') : uint32_t('&'));
    }
    if (out != nullptr) *out = 0;
    return length;
}

bool parseCodeList(const char*& p, const char* end, CodedTextWriter& w) {
    while (p < end && *p != '\0') {
        char c = *p;
        if (c == '}') {
            ++p;
            return true;
        }
        if (c == ' ' || c == '\t' || c == ',' || c == '\r' || c == '\n') {
            ++p;
            continue;
        }
        char* after = nullptr;
        long code = strtol(p, &after, 0);
        if (after == p) {
            ++p; // not a number: skipped
            continue;
        }
        p = after;
        w.addCodedValueToString(code < 0 || code > 0xFFFF ? InvalidCharCode
                                                          : static_cast<unsigned long>(code));
    }
    return false;
}

namespace {
// The code an escape sequence stands for; p is on the backslash and is left on the last
// byte of the sequence.
uint32_t escapeCode(const char*& p) {
    char c = p[1];
    if (c == '\0') return '\\';
    ++p;
    switch (c) {
    case 'n':
        return LineBreakCode;
    case 't':
        return TabCode;
    case 'r':
        return 13;
    case '0':
        return 0;
    case 'b':
        return DigitSpaceCode;
    case 'v':
        return HeaderMarkCode;
    default:
        if (c >= '1' && c <= '9') return PixelSpace1Code + static_cast<uint32_t>(c - '1');
        return static_cast<unsigned char>(c);
    }
}
} // namespace

uint32_t parseString(const char* src, Language* lang, unsigned char*& out, bool utf8) {
    CodedTextWriter w(lang, out);
    bool started = false; // a character other than the right-to-left marker was written
    bool markerDone = false;
    bool header = false;
    bool star = false;
    const char* end = src;
    while (*end != '\0')
        ++end;
    for (const char* p = src; *p != '\0'; ++p) {
        uint32_t ch;
        if (*p == '\\') {
            ch = escapeCode(p);
        } else if (*p == '{') {
            ++p;
            parseCodeList(p, end, w);
            --p; // the loop steps over the last byte read
            started = true;
            continue;
        } else if (utf8) {
            ch = getUTF8(p);
        } else {
            ch = static_cast<unsigned char>(*p);
        }

        if (!started && !markerDone && (ch == RightToLeftByteChar || ch == RightToLeftCode)) {
            w.putRaw(RightToLeftCode);
            markerDone = true;
            continue;
        }
        if (ch == SectionSignChar || ch == HeaderMarkCode) {
            w.putRaw(HeaderMarkCode);
            if (!started) {
                header = true;
                char defaultDigit = '0';
                if (p[1] == '*') {
                    ++p;
                    w.putRaw('*');
                    star = true;
                    defaultDigit = '1';
                }
                char n = p[1];
                if ((n >= defaultDigit && n <= '9') || n == '?' || n == '!') {
                    ++p;
                    w.putRaw(static_cast<unsigned char>(n));
                } else {
                    w.putRaw(static_cast<unsigned char>(defaultDigit));
                }
            }
            started = true;
            continue;
        }
        started = true;
        w.addCodedValueToString(ch, header, star);
    }
    uint32_t n = w.finish();
    if (out != nullptr) out = w.out;
    return n;
}
