// UTF-8 decoding of string file texts and keys, and "%li" numbers.
#include <gtest/gtest.h>

#include "text/utf8.h"

namespace {
uint32_t decodeOne(const char* s, int* consumed) {
    const char* p = s;
    uint32_t c = getUTF8(p);
    *consumed = static_cast<int>(p - s) + 1;
    return c;
}

TEST(Utf8Test, DecodesOneTwoAndThreeByteFormsAndLeavesPOnTheLastByte) {
    int n = 0;
    EXPECT_EQ(decodeOne("A", &n), 'A');
    EXPECT_EQ(n, 1);
    EXPECT_EQ(decodeOne("\xC3\x84x", &n), 196u); // Ä
    EXPECT_EQ(n, 2);
    EXPECT_EQ(decodeOne("\xE2\x80\xA6", &n), 0x2026u); // ellipsis
    EXPECT_EQ(n, 3);
    EXPECT_EQ(decodeOne("\\b", &n), 8u); // digit-width space
    EXPECT_EQ(n, 2);
    EXPECT_EQ(decodeOne("\\n", &n), static_cast<uint32_t>('\\'));
    EXPECT_EQ(n, 1);
}

TEST(Utf8Test, InvalidFormsGiveTheReplacementCodeAndNeverReadPastTheEnd) {
    int n = 0;
    EXPECT_EQ(decodeOne("\xF0\x9F\x98\x80", &n), InvalidCharCode); // four-byte form
    EXPECT_EQ(n, 1);
    EXPECT_EQ(decodeOne("\x84", &n), InvalidCharCode); // lone continuation
    // Truncated sequences at the end of the string stop at the 0.
    char truncated2[] = {'\xC3', '\0', 'X'};
    EXPECT_EQ(decodeOne(truncated2, &n), InvalidCharCode);
    EXPECT_EQ(n, 1);
    char truncated3[] = {'\xE2', '\x80', '\0', 'X'};
    EXPECT_EQ(decodeOne(truncated3, &n), InvalidCharCode);
    EXPECT_EQ(n, 1);
}

TEST(Utf8Test, KeysConvertToSingleByteCodesOnlyWhenEveryCharacterFits) {
    char ok[] = "Gr\xC3\xBC\xC3\x9F"
                "e \\v";
    EXPECT_TRUE(UTF8toChar(ok));
    EXPECT_STREQ(ok, "Gr\xFC\xDF"
                     "e \\v");
    char wide[] = "x\xE2\x80\xA6";
    EXPECT_FALSE(UTF8toChar(wide));
    char broken[] = "x\xC3";
    EXPECT_FALSE(UTF8toChar(broken));
}

TEST(Utf8Test, NumbersReadAsDecimalHexadecimalOrOctal) {
    EXPECT_EQ(scanNumber("65"), 65);
    EXPECT_EQ(scanNumber("0x41"), 65);
    EXPECT_EQ(scanNumber("0101"), 65);
    EXPECT_EQ(scanNumber("-3"), -3);
    EXPECT_EQ(scanNumber("z"), 0);
}
} // namespace
