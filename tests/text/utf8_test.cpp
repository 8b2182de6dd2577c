// UTF-8 decoding of string file texts and keys.
#include <gtest/gtest.h>

#include "text/utf8.h"

namespace {
TEST(Utf8Test, DecodesOneCharacterAndLeavesPOnItsLastByte) {
    // Truncated sequences at the end of the string stop at the 0 and never read past it.
    const char truncated2[] = {'\xC3', '\0', 'X'}, truncated3[] = {'\xE2', '\x80', '\0', 'X'};
    const struct {
        const char* text;
        uint32_t code;
        long bytes;
    } cases[] = {
        {"A", 'A', 1},
        {"\xC3\x84x", 196, 2},                    // Ä
        {"\xE2\x80\xA6", 0x2026, 3},              // the ellipsis
        {"\\b", 8, 2},                            // the digit-width space
        {"\\n", '\\', 1},                         // other escapes are left to the parser
        {"\xF0\x9F\x98\x80", InvalidCharCode, 1}, // four-byte forms are not read
        {"\x84", InvalidCharCode, 1},             // a lone continuation byte
        {truncated2, InvalidCharCode, 1},
        {truncated3, InvalidCharCode, 1},
    };
    for (auto& c : cases) {
        const char* p = c.text;
        EXPECT_EQ(getUTF8(p), c.code) << c.text;
        EXPECT_EQ(p - c.text + 1, c.bytes) << c.text;
    }
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
} // namespace
