// The string file: header sections, key search and reading an entry's texts (its tokens
// through what they yield).
#include <gtest/gtest.h>

#include <string>

#include "tests/text/text_test_support.h"
#include "text/language.h"
#include "text/parse_string.h"
#include "text/vocabulary.h"

namespace {
const char* Header = "[Languages]\nEnglish\nFrancais\nDeutsch\n[Aliases]\nde = Deutsch\n"
                     "[Strings]\n";

TEST(StringFileHeaderTest, LanguagesAliasesAndTheirLimits) {
    initVocabularyWith("// a comment line\n[Languages]\nEnglish\nFrancais/Latin\n"
                       "Greek/NoSuchAlphabet\nFrancais\n[CharSets]\nNoSuchCharSet\n"
                       "[Aliases]\nfr = Francais\nxx = Nobody\nen=English\ngr=Greek\nf2=Francais\n"
                       "[Strings]\n$Hi$ :fr \"Salut\" :en \"Hi\";\n");
    ASSERT_EQ(V.languageCount, 3);
    EXPECT_STREQ(V.languages[0]->name, "English");
    EXPECT_STREQ(V.languages[1]->name, "Francais");
    EXPECT_STREQ(V.languages[2]->name, "Greek");
    EXPECT_EQ(V.languages[2]->alphabet, V.languages[0]->alphabet); // unknown: Latin
    // The unknown one is dropped, and no more aliases are kept than there are languages.
    EXPECT_EQ(V.stringFiles[0].aliasCount, 3);
    EXPECT_EQ(V.languageNamed("fr"), V.languages[1]);
    EXPECT_EQ(V.languageNamed("f2"), nullptr);
    EXPECT_EQ(textOf("Hi", "Francais"), "Salut");
    EXPECT_EQ(textOf("Hi"), "Hi");
}

TEST(StringFileHeaderTest, MissingFileOrStringsSectionShowsKeys) {
    V.stringFiles[0].setFileName("/nonexistent/stringFile.txt");
    V.init(nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(V.languageCount, 1);
    EXPECT_EQ(textOf("Anything"), "Anything");
    EXPECT_EQ(V.stringFiles[0].getToken(true), TOK_EOF);

    initVocabularyWith("[Languages]\nEnglish\nFrancais\n\"stray text\"\n[Strings]\n"
                       "$Hi$ :Francais \"Salut\";\n");
    EXPECT_EQ(V.languageCount, 2);
    EXPECT_FALSE(V.stringFiles[0].hasStrings());
    EXPECT_EQ(textOf("Hi", "Francais"), "Hi");
    // So does a section of an unknown name.
    initVocabularyWith(
        "[Languages]\nEnglish\n[Other]\nGreek\n[Strings]\n$Hi$ :English \"Hello\";\n");
    EXPECT_EQ(V.languageNamed("Greek"), nullptr);
    EXPECT_FALSE(V.stringFiles[0].hasStrings());
}

TEST(StringFileKeyTest, IndexAndPositionOnTheLineDecide) {
    initVocabularyWith(std::string(Header) +
                       "$Title$ :English \"zero\";\n"
                       "$Title$.2 :English \"two\";\n"
                       "  $Indented$ :English \"first token all the same\";\n"
                       "$a$ :English \"A\"; $Second$ :English \"not first\";\n"
                       "$\\vHeader$ :English \"marked\";\n");
    StringFile& f = V.stringFiles[0];
    EXPECT_TRUE(f.findString("Title", 0));
    EXPECT_TRUE(f.findString("Title", 2));
    EXPECT_FALSE(f.findString("Title", 1));
    EXPECT_TRUE(f.findString("Indented", 0));
    EXPECT_FALSE(f.findString("Second", 0));
    EXPECT_TRUE(f.findString("\x0bHeader", 0));
    EXPECT_EQ(textOf("Title", "English", 2), "two");
    EXPECT_EQ(textOf("Title"), "zero");
    EXPECT_EQ(textOf("Second"), "Second");
}

TEST(StringFileEntryTest, SharedTextsFormsBraceListsAndContinuationLines) {
    initVocabularyWith(std::string(Header) +
                       "$Both$ :English|Francais \"same\" :de \"anders\";\n"
                       "$Codes$ :English {0x41, 66 0103};\n"
                       "$Wrapped$ :English {65 66\n  67} :Francais \"F\";\n"
                       "$Pair$ :English Francais \"shared\";\n"
                       "$Split$\n"
                       "   :English \"one\"\n"
                       "   :Francais \"un\";\n"
                       "$Forms$ :English.2 Francais \"x\" :English \"y\";\n"
                       "$Title$ :English \"Hello\" :Francais.12 \"Bonjour\";\n"
                       "$k$ :Klingon \"tlhIngan\" :English \"\" :Francais \"F\";\n");
    EXPECT_EQ(textOf("Both", "English"), "same");
    EXPECT_EQ(textOf("Both", "Francais"), "same");
    EXPECT_EQ(textOf("Both", "Deutsch"), "anders");
    EXPECT_EQ(textOf("Codes"), "ABC");
    EXPECT_EQ(textOf("Wrapped"), "ABC"); // a brace list ends at its brace
    EXPECT_EQ(textOf("Wrapped", "Francais"), "F");
    EXPECT_EQ(textOf("Pair", "Francais"), "shared"); // tags before one text share it
    EXPECT_EQ(textOf("Pair", "English"), "shared");
    EXPECT_EQ(textOf("Split", "Francais"), "un");
    // English lists form 2 for "x" and no form for "y"; French gets form 1 from "x".
    EXPECT_EQ(textOf("Forms", "English", 0, 1), "y");
    EXPECT_EQ(textOf("Forms", "English", 0, 2), "x");
    EXPECT_EQ(textOf("Forms", "Francais", 0, 1), "x");
    EXPECT_EQ(textOf("Title", "Francais", 0, 2), "Bonjour"); // .12: forms 1 and 2
    // Unknown language tags are ignored, and an empty text is a text.
    EXPECT_EQ(textOf("k", "English"), "");
    EXPECT_EQ(textOf("k", "Francais"), "F");
}

TEST(StringFileEntryTest, Latin1AndUtf8Files) {
    // \370 (ø) marks right to left only at the start of a text.
    initVocabularyWith(std::string(Header) + "$Mid$ :English \"a\370b\";\n"
                                             "$Start$ :English \"\370ab\";\n");
    EXPECT_EQ(textOf("Mid"), "a\370b");
    EXPECT_EQ(textOf("Start"), "\016ab");

    initVocabularyWith("\xEF\xBB\xBF" + std::string(Header) +
                       "$\xC3\x84pfel$ :English \"\xC3\x84pfel \xC2\xA7\";\n"
                       "$Bad\xE2\x80\xA6$ :English \"skipped\";\n");
    // The key is converted to single bytes too.
    EXPECT_EQ(textOf("\xC4pfel"), "\xC4pfel \x0b");
    EXPECT_FALSE(V.stringFiles[0].findString("Bad", 0));
}

} // namespace
