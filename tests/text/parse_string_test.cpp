// Parsing string file texts into extended-character strings. In the sources below \247 is
// the section mark (a header follows), \266 the paragraph mark and \370 the right-to-left
// marker ø of Latin-1 files.
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

struct Case {
    const char* src;
    std::string parsed;
};

TEST(ParseStringTest, Latin1Texts) {
    const Case cases[] = {
        // Escapes.
        {"a\\nb\\tc\\rd", "a\nb\tc\rd"},
        {"\\b\\1\\9", "\x08\x11\x19"},
        {"q\\\"q\\\\", "q\"q\\"},
        {"\\{not a list}", "{not a list}"},
        {"end\\", "end\\"},
        // Embedded code lists; U+0100 is the first mapped glyph.
        {"x{0x41, 66 0103}y", "xABCy"},
        {"x{65 junk 66", "xAB"}, // never closed: ends with the text
        {"{256}", std::string("\xff\x01\x00", 3)},
        // Placeholders stay as they are.
        {"a&1b", "a&1b"},
        {"a&", "a&"},
        // Header marks and paragraphs.
        {"\2472one\266two", "\0132one\ntwo"},
        {"\247*one\266two", "\013*1one two"},
        {"\247*0x", "\013*10x"}, // 0 is below the default digit
        {"\247?1x", "\013?1x"},
        {"\\vx", "\0130x"},
        {"no\266header", "no\266header"},
        {"mid\2472", "mid\0132"}, // not at the start: an ordinary mark
        {"\370\2473x", "\016\0133x"},
        // The right-to-left marker only at the start.
        {"\370ab", "\016ab"},
        {"a\370", "a\370"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(parse(c.src), c.parsed) << c.src;
}

TEST(ParseStringTest, Utf8TextsAreMappedThroughTheAlphabet) {
    const Case cases[] = {
        {"\xC3\x84", "\xC4"},
        {"\xC4\x80", std::string("\xff\x01\x00", 3)}, // U+0100: a mapped glyph
        {"\xC8\x80", "\x01"},                         // U+0200: the replacement
        {"\377a", "\001a"},                           // an invalid byte
        {"\xE2\x80\xA6", "\xff\x01\x2a"},             // the ellipsis, glyph 42
        {"\xC3\xB8x", "\016x"},                       // a UTF-8 ø starts right to left
    };
    for (const Case& c : cases)
        EXPECT_EQ(parse(c.src, true), c.parsed) << c.src;
}
} // namespace
