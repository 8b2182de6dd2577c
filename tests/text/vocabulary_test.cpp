// The vocabulary: fallbacks from a missing language to English to the key, forms, the
// current language and reloading after it changes, several string files.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "gui/alphabet.h"
#include "tests/support/program_runner.h"
#include "tests/text/text_test_support.h"
#include "text/language.h"
#include "text/vocabulary.h"

namespace {
const char* File = "[Languages]\nEnglish\nFrancais\nDeutsch\n[Strings]\n"
                   "$Title$ :English \"Hello\" :Francais.12 \"Bonjour\";\n"
                   "$OnlyFrench$ :Francais \"Seul\";\n"
                   "$Later$ :English.3 \"third\" :Deutsch.2 \"zwei\";\n"
                   "$Yes$ :English \"Yes\" :Francais \"Oui\" :Deutsch \"Ja\";\n";

struct VocabularyTest : ::testing::Test {
    void SetUp() override { initVocabularyWith(File); }
};

TEST_F(VocabularyTest, MissingLanguageFallsBackToEnglishThenToTheKey) {
    EXPECT_EQ(textOf("Title", "Deutsch"), "Hello");
    EXPECT_EQ(textOf("OnlyFrench", "Deutsch"), "OnlyFrench");
    EXPECT_EQ(textOf("NoSuchKey", "Francais"), "NoSuchKey");

    MultiString ms("Title", 0, 1, V.language("Deutsch"));
    EXPECT_EQ(ms.getString().language, &English);
    MultiString missing("NoSuchKey");
    EXPECT_EQ(missing.getString().language, &English);
    EXPECT_FALSE(missing.formDefined(1));
}

TEST_F(VocabularyTest, FormsFallBackToTheFormBefore) {
    Language* fr = V.language("Francais");
    Language* de = V.language("Deutsch");
    MultiString title("Title");
    EXPECT_EQ(bytesOf(title.getString(2, &English).text), "Hello"); // form 2 takes form 1
    EXPECT_FALSE(title.formDefined(2, &English));
    EXPECT_TRUE(title.formDefined(1, fr));
    EXPECT_FALSE(title.formDefined(2, fr)); // the same text as form 1: not a form of its own
    // Forms 2 and 3 only: form 1 shows the key and is undefined outside English.
    MultiString later("Later");
    EXPECT_EQ(bytesOf(later.getString(1, de).text), "Later");
    EXPECT_FALSE(later.formDefined(1, de));
    EXPECT_EQ(bytesOf(later.getString(2, de).text), "zwei");
    EXPECT_EQ(bytesOf(later.getString(3, de).text), "zwei");
    EXPECT_TRUE(later.formDefined(1, &English));
    EXPECT_EQ(bytesOf(later.getString(9, &English).text), "third");
    EXPECT_EQ(bytesOf(later.getString(0, &English).text), "Later"); // default form 1
}

TEST_F(VocabularyTest, ChangingTheLanguageReloadsTexts) {
    MultiString yes("Yes");
    EXPECT_EQ(bytesOf(yes.getString().text), "Yes");
    StringPoolNode* node = yes.poolNode;
    V.setCurrentLanguage(V.language("Francais"));
    EXPECT_EQ(node->state, PoolNodeStale);
    EXPECT_EQ(bytesOf(yes.getString().text), "Oui");
    EXPECT_EQ(yes.poolNode, node); // the same node, reloaded

    // -1 steps through the languages by id and wraps after the last.
    V.setCurrentLanguage(langMinusOne());
    EXPECT_EQ(V.currentLanguage, V.language("Deutsch"));
    EXPECT_EQ(bytesOf(yes.getString().text), "Ja");
    V.setCurrentLanguage(langMinusOne());
    EXPECT_EQ(V.currentLanguage, &English);
    EXPECT_EQ(English.id, 0);
}

TEST_F(VocabularyTest, KeysShareOnePoolNode) {
    MultiString a("Yes"), b("Yes"), c("Yes", 1);
    a.getString();
    b.getString();
    c.getString();
    EXPECT_EQ(a.poolNode, b.poolNode);
    EXPECT_NE(a.poolNode, c.poolNode);
    EXPECT_EQ(bytesOf(c.getString().text), "Yes"); // index 1 is not in the file
}

TEST_F(VocabularyTest, PreferredLanguageAndSetString) {
    Language* fr = V.language("Francais");
    MultiString ms("Yes", 0, 1, fr);
    EXPECT_EQ(bytesOf(ms.getString().text), "Oui");
    EXPECT_EQ(ms.targetLang(langMinusOne(), &English), fr);
    EXPECT_EQ(ms.setLang(nullptr), fr); // null leaves the preference
    ms.setString("Title");
    EXPECT_EQ(bytesOf(ms.getString().text), "Bonjour");
    ms.setString("Title", -1, 0, nullptr); // back to the current language
    EXPECT_EQ(bytesOf(ms.getString().text), "Hello");
}

TEST(VocabularyFilesTest, LaterStringFilesOverrideAndAddKeys) {
    std::string second = writeTempStringFile("[Languages]\nEnglish\nFrancais\n[Strings]\n"
                                             "$Yes$ :Francais \"Ouais\";\n"
                                             "$Extra$ :English \"more\";\n");
    V.stringFiles[0].setFileName(writeTempStringFile(File).c_str());
    ASSERT_TRUE(V.addStringFile(second.c_str()));
    V.init(nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(textOf("Extra"), "more");
    EXPECT_EQ(textOf("Yes", "Francais"), "Ouais");
    EXPECT_EQ(textOf("Yes", "Deutsch"), "Ja"); // only the first file has German
    EXPECT_TRUE(V.addStringFile("b"));
    EXPECT_TRUE(V.addStringFile("c"));
    EXPECT_FALSE(V.addStringFile("d")); // four at most
}

TEST(VocabularyFilesTest, InitFromStringFileChoosesALanguageById) {
    V.stringFiles[0].setFileName(writeTempStringFile(File).c_str());
    V.initFromStringFile(2);
    EXPECT_STREQ(V.currentLanguage->name, "Deutsch");
    EXPECT_EQ(textOf("Yes", V.currentLanguage->name), "Ja");
    // The table is full at its capacity: the next language is refused and keeps no id.
    static std::vector<std::unique_ptr<Language>> extra;
    int added = 0;
    for (; added <= MaxLanguages; ++added) {
        extra.emplace_back(new Language(("x" + std::to_string(added)).c_str(), nullptr));
        if (!V.addLanguage(extra.back().get())) break;
    }
    EXPECT_EQ(V.languageCount, MaxLanguages);
    EXPECT_EQ(added, MaxLanguages - 3); // English, Francais, Deutsch were there
}
} // namespace

namespace {
TEST(VocabularyCharSetTest, CharacterSetsLoadTheirFontFilesForTheLanguages) {
    std::string dir = makeTempDir();
    ASSERT_EQ(chdir(dir.c_str()), 0);
    writeFile(dir + "/GreekFont", "Font Tiny(65 66 1 0 0 0)\n"
                                  "Bitmap(8 2)\nFF FF\n"
                                  "Offsets(3) 0 1 4 8\n"
                                  "end Font\n"
                                  "CharSet Greek(Tiny Tiny Tiny)\n"
                                  "end CharSet\n");
    initVocabularyWith("[CharSets]\nGreek\nNoFontFileForThis\n"
                       "[Languages]\nEllinika/Greek\nOther/NoFontFileForThis\n"
                       "[Strings]\n$k$ :Ellinika \"AB\";\n");
    Alphabet* greek = V.alphabet("Greek");
    ASSERT_NE(greek, nullptr);
    EXPECT_TRUE(greek->initialised);
    EXPECT_EQ(V.language("Ellinika")->alphabet, greek);
    EXPECT_EQ(V.language("Other")->alphabet, &Latin);
    EXPECT_EQ(greek->font(NormalFontSize)->getCharWidth('B'), 4);
    EXPECT_EQ(textOf("k", "Ellinika"), "AB");
    // Loading the header again finds the alphabet known and loads nothing twice.
    int alphabets = V.alphabetCount;
    V.init(nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(V.alphabetCount, alphabets);
}
} // namespace
