// Parsing string file texts into extended-character strings.
#include <gtest/gtest.h>

#include <string>

#include "tests/text/text_test_support.h"
#include "text/language.h"
#include "text/parse_string.h"
#include "text/xtd_string.h"

namespace {
// Parses src with English (Latin); also checks that measuring gives the same length.
std::string parse(const char* src, bool utf8 = false) {
    unsigned char buf[MaxParsedTextSize];
    unsigned char* out = buf;
    uint32_t written = parseString(src, &English, out, utf8);
    unsigned char* none = nullptr;
    EXPECT_EQ(parseString(src, &English, none, utf8), written) << src;
    EXPECT_EQ(out, buf + written);
    EXPECT_EQ(*out, 0);
    return std::string(reinterpret_cast<char*>(buf), written);
}

TEST(ParseStringTest, Escapes) {
    EXPECT_EQ(parse("a\\nb\\tc\\rd"), "a\nb\tc\rd");
    EXPECT_EQ(parse("\\b\\1\\9"), "\x08\x11\x19");
    EXPECT_EQ(parse("q\\\"q\\\\"), "q\"q\\");
    EXPECT_EQ(parse("\\{not a list}"), "{not a list}");
    EXPECT_EQ(parse("end\\"), "end\\");
}

TEST(ParseStringTest, EmbeddedCodeLists) {
    EXPECT_EQ(parse("x{0x41, 66 0103}y"), "xABCy");
    EXPECT_EQ(parse("x{65 junk 66"), "xAB");                   // never closed: ends with the text
    EXPECT_EQ(parse("{256}"), std::string("\xff\x01\x00", 3)); // U+0100 is the first mapped glyph
}

TEST(ParseStringTest, PlaceholdersStayUnmapped) {
    EXPECT_EQ(parse("a&1b"), "a&1b");
    EXPECT_EQ(parse("a&xb"), "a&xb");
    EXPECT_EQ(parse("a&"), "a&");
    EXPECT_EQ(parse("&&2"), "&&2");
}

TEST(ParseStringTest, HeaderMarksAndParagraphs) {
    EXPECT_EQ(parse("\xA7"
                    "2one\xB6two"),
              "\x0b"
              "2one\ntwo");
    EXPECT_EQ(parse("\xA7*one\xB6two"), "\x0b*1one two");
    EXPECT_EQ(parse("\xA7*3x"), "\x0b*3x");
    EXPECT_EQ(parse("\xA7*0x"), "\x0b*10x"); // 0 is below the default digit
    EXPECT_EQ(parse("\xA7?1x"), "\x0b?1x");
    EXPECT_EQ(parse("\\vx"), "\x0b"
                             "0x");
    EXPECT_EQ(parse("no\xB6header"), "no\xB6header");
    EXPECT_EQ(parse("mid\xA7"
                    "2"),
              "mid\x0b"
              "2"); // not at the start: an ordinary mark
    EXPECT_EQ(parse("\xF8\xA7"
                    "3x"),
              "\x0e\x0b"
              "3x");
}

TEST(ParseStringTest, RightToLeftMarkerOnlyAtTheStart) {
    EXPECT_EQ(parse("\xF8"
                    "ab"),
              "\x0e"
              "ab");
    EXPECT_EQ(parse("\x0e"
                    "ab"),
              "\x0e"
              "ab");
    EXPECT_EQ(parse("a\xF8"), "a\xF8");
    EXPECT_EQ(parse("\xF8\xF8"), "\x0e\xF8");
}

TEST(ParseStringTest, Utf8AndAlphabetMapping) {
    EXPECT_EQ(parse("\xC3\x84", true), "\xC4");
    EXPECT_EQ(parse("\xC4\x80", true), std::string("\xff\x01\x00", 3)); // U+0100: mapped glyph
    EXPECT_EQ(parse("\xC8\x80", true), "\x01");                         // U+0200: replacement
    EXPECT_EQ(parse("\xFF"
                    "a",
                    true),
              "\x01"
              "a");                                         // invalid byte
    EXPECT_EQ(parse("\xE2\x80\xA6", true), "\xff\x01\x2a"); // ellipsis, glyph 42
    EXPECT_EQ(parse("\xC3\xB8x", true), "\x0ex");           // a UTF-8 ø starts right to left
}
} // namespace
