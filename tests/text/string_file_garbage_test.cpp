// String files with garbage: whatever they hold, reading them stays inside its buffers,
// ends, and yields the sound parts.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "tests/text/text_test_support.h"
#include "text/language.h"
#include "text/parse_string.h"
#include "text/vocabulary.h"
#include "text/xtd_string.h"

namespace {
const char* Header = "[Languages]\nEnglish\nFrancais\n[Strings]\n";

// Unterminated quotes, keys and brace lists end with their line, an entry without its
// semicolon stops at the next key, and binary bytes and stray punctuation are passed over.
TEST(StringFileGarbageTest, DamagedEntriesEndWithTheirLineOrTheNextKey) {
    std::string nul("\0\0", 2);
    initVocabularyWith(std::string(Header) + "$open$ :English \"no closing quote\n" +
                       "$nokey :English \"x\";\n$one$ :English \"1\"\n$two$ :English \"2\";\n" +
                       "$k$ :English {65 66 junk\n$n$ :English \"N\";\n" + "$a" + nul +
                       "b$ :English \"x\";\n}}}{{{ ::: ||| ... ;;; \"\n$ok$ :English \"o" + nul +
                       "k\";\n$dot$ . :English.x \"d\";\n$e$ :English {\n");
    const char* texts[][2] = {{"open", "no closing quote"},
                              {"nokey", "nokey"},
                              {"one", "1"},
                              {"two", "2"},
                              {"k", "AB"},
                              {"n", "N"},
                              {"ok", "o"},
                              {"dot", "d"},
                              {"e", ""}};
    for (auto& t : texts)
        EXPECT_EQ(textOf(t[0]), t[1]) << t[0];
}

TEST(StringFileGarbageTest, LinesLongerThanTheBuffer) {
    std::string longText(5000, 'x');
    // The buffer ends right before "$hidden$", in the middle of its line.
    std::string pad = "$pad$ :English \"";
    pad += std::string(StringFileLineSize - 2 - pad.size(), 'y') + "\"";
    std::string hidden = pad + "$hidden$ :English \"h\";\n";
    initVocabularyWith(std::string(Header) + "$long$ :English \"" + longText + "\";\n" + "$" +
                       std::string(3000, 'k') + "$ :English \"k\";\n" + "//" +
                       std::string(4000, 'c') + "\n" + hidden + "$after$ :English \"fine\";\n");
    std::string t = textOf("long");
    EXPECT_GT(t.size(), 900u);
    EXPECT_LT(t.size(), static_cast<size_t>(StringFileLineSize));
    EXPECT_EQ(t.find_first_not_of('x'), std::string::npos);
    // A key in the middle of a long line is not at the start of its line.
    EXPECT_EQ(textOf("hidden"), "hidden");
    EXPECT_EQ(textOf("pad").size(), StringFileLineSize - 2 - 16);
    EXPECT_EQ(textOf("after"), "fine");
}

TEST(StringFileGarbageTest, InvalidUtf8DecodesToTheReplacementGlyph) {
    initVocabularyWith("\xEF\xBB\xBF" + std::string(Header) +
                       "$k$ :English \"a\xFF\xC3\"\n;\n$bad\xC3$ :English \"z\";\n"
                       "$next$ :English \"\xE2\x80\";\n");
    EXPECT_EQ(textOf("k"), "a\x01\x01");
    EXPECT_EQ(textOf("next"), "\x01\x01");
}

TEST(StringFileGarbageTest, ThousandsOfLanguagesAndAliases) {
    std::string f = "[Languages]\n";
    for (int i = 0; i < 3000; ++i)
        f += "L" + std::to_string(i) + "\n";
    f += "[Aliases]\n";
    for (int i = 0; i < 3000; ++i)
        f += "a" + std::to_string(i) + " = L" + std::to_string(i % 5) + "\n";
    f += "[Strings]\n$k$ :a3 \"three\" :L8 \"eight\" :L2000 \"none\";\n";
    initVocabularyWith(f);
    EXPECT_EQ(V.languageCount, MaxLanguages);
    EXPECT_EQ(V.stringFiles[0].aliasCount, MaxStringFileAliases);
    EXPECT_EQ(textOf("k", "L3"), "three");
    EXPECT_EQ(textOf("k", "L8"), "eight");
}

// Random mixtures of the file's own tokens and raw bytes: every lookup ends and every
// text stays within the largest text a line can give.
TEST(StringFileGarbageTest, RandomFilesStayInBounds) {
    const char* pieces[] = {
        "$k$",  "$",  "\"", "\"t\"", ":",         "English",     "Francais",  "|",    ".",
        ".12",  "{",  "}",  "0x41",  ",",         ";",           "\\",        "\xA7", "\xB6",
        "\xF8", "&",  "&1", "\\v",   "[Strings]", "[Languages]", "[Aliases]", "=",    "/",
        "//",   "\n", " ",  "\t",    "\r",        "\xC3",        "\xFF",      "$k$.1"};
    std::mt19937 rng(1234);
    for (int round = 0; round < 60; ++round) {
        std::string f = round % 2 ? "\xEF\xBB\xBF" : "";
        int n = 50 + static_cast<int>(rng() % 400);
        for (int i = 0; i < n; ++i) {
            if (rng() % 8 == 0)
                f += static_cast<char>(rng() % 256);
            else
                f += pieces[rng() % (sizeof pieces / sizeof pieces[0])];
        }
        initVocabularyWith(f);
        EXPECT_LE(V.languageCount, MaxLanguages);
        for (const char* key : {"k", "t", "English"})
            for (long index : {0L, 1L}) {
                std::string t = textOf(key, "English", index);
                EXPECT_LT(t.size(), static_cast<size_t>(MaxParsedTextSize));
                t = textOf(key, "Francais", index, 2);
                EXPECT_LT(t.size(), static_cast<size_t>(MaxParsedTextSize));
            }
    }
}
} // namespace
