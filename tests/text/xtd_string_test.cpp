// Extended-character strings: wide characters whose bytes include 0 survive, and the
// plain-text view keeps within its buffer.
#include <gtest/gtest.h>

#include <cstring>

#include "text/xtd_string.h"

namespace {
TEST(XtdStringTest, WideCharactersWithZeroBytesRoundTrip) {
    unsigned char buf[32];
    unsigned char* p = buf;
    EXPECT_EQ(xtdPutChar('A', p), 1);
    EXPECT_EQ(xtdPutChar(0x0100, p), 3); // low byte 0
    EXPECT_EQ(xtdPutChar(0x00FF, p), 3); // 255 itself is wide: high byte 0
    EXPECT_EQ(xtdPutChar(254, p), 1);
    *p = 0;
    EXPECT_EQ(xtdStrlen(buf), 8);
    const unsigned char* q = buf;
    EXPECT_EQ(xtdGetChar(q), 'A');
    EXPECT_EQ(xtdGetChar(q), 0x0100u);
    EXPECT_EQ(xtdGetChar(q), 0x00FFu);
    EXPECT_EQ(xtdGetChar(q), 254u);
    EXPECT_EQ(xtdGetChar(q), 0u);

    unsigned char* none = nullptr;
    EXPECT_EQ(xtdPutChar(0x1234, none), 3);
    EXPECT_EQ(none, nullptr);
}

TEST(XtdStringTest, CharStringKeepsOnlyAsciiAndAtMost255) {
    unsigned char s[700];
    unsigned char* p = s;
    for (int i = 0; i < 300; ++i)
        xtdPutChar(i % 2 ? 'x' : 200, p);
    *p = 0;
    EXPECT_EQ(strlen(charString(s)), 150u);
    p = s;
    for (int i = 0; i < 300; ++i)
        xtdPutChar('y', p);
    *p = 0;
    EXPECT_EQ(strlen(charString(s)), 255u);
}
} // namespace
