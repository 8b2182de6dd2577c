// Template expansion: what the expander writes, nested expansion, and the English text when
// an expansion fails.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/text/text_test_support.h"
#include "text/language.h"
#include "text/vocabulary.h"

namespace {
const char* File = "[Languages]\nEnglish\nFrancais\n[Strings]\n"
                   "$Result$ :English \"Code &1 at &2.\" :Francais \"Code &1 a &2.\";\n"
                   "$Yes$ :English \"Yes\" :Francais \"Oui\";\n"
                   "$Nested$ :English \"[&3]\";\n"
                   "$Amp$ :English \"a & b&x &\";\n";

// Writes what it is told for each placeholder, with the result code it is told.
struct ScriptedExpander : TemplateExpander {
    const char* texts[10] = {};
    int results[10] = {};
    unsigned long lastContext = 0;
    int calls = 0;
    void set(int d, const char* text, int result) {
        texts[d] = text;
        results[d] = result;
    }
    int expand(Language*, unsigned char d, unsigned char*& out, unsigned long context,
               double) override {
        ++calls;
        lastContext = context;
        const char* t = texts[d] != nullptr ? texts[d] : "";
        size_t n = strlen(t);
        memcpy(out, t, n + 1);
        out += n;
        return results[d];
    }
};

struct TemplateTest : ::testing::Test {
    void SetUp() override { initVocabularyWith(File); }
};

std::string expanded(MultiString& ms, Language* lang = langMinusOne()) {
    unsigned char buf[MultiStringBufferSize];
    return bytesOf(ms.getExpandedString(buf, 0, lang).text);
}

TEST_F(TemplateTest, PlaceholdersTakeWhatTheExpanderWrites) {
    ScriptedExpander e;
    e.set(1, "42", ExpandedText);
    e.set(2, "\xC4", ExpandedPlain);
    MultiString ms("Result");
    ms.expander = &e;
    ms.expansionContext = 77;
    EXPECT_EQ(expanded(ms), "Code 42 at \xC4.");
    EXPECT_EQ(e.lastContext, 77u);
    MultiString noExpander("Result");
    EXPECT_EQ(expanded(noExpander), "Code &1 at &2."); // kept for a later expansion
    TemplateExpander plain; // placeholders of the base expander are empty
    ms.expander = &plain;
    EXPECT_EQ(expanded(ms), "Code  at .");
}

TEST_F(TemplateTest, KeysAreTranslatedAndTemplatesScannedAgain) {
    ScriptedExpander e;
    e.set(1, "Yes", ExpandedKey);
    e.set(2, "<&3>", ExpandedTemplate);
    e.set(3, "x", ExpandedText);
    MultiString ms("Result");
    ms.expander = &e;
    EXPECT_EQ(expanded(ms), "Code Yes at <x>.");
    EXPECT_EQ(expanded(ms, V.language("Francais")), "Code Oui a <x>.");
}

TEST_F(TemplateTest, AFailedExpansionShowsTheWholeTextInEnglish) {
    V.setCurrentLanguage(V.language("Francais"));
    struct FailsInFrench : ScriptedExpander {
        int expand(Language* l, unsigned char d, unsigned char*& out, unsigned long c,
                   double v) override {
            ScriptedExpander::expand(l, d, out, c, v);
            return l == &English ? ExpandedText : ExpansionFailed;
        }
    } e;
    e.texts[1] = "7";
    e.texts[2] = "8";
    MultiString ms("Result");
    ms.expander = &e;
    EXPECT_EQ(expanded(ms), "Code 7 at 8.");
    EXPECT_EQ(ms.language, nullptr); // the preference is left as it was
    EXPECT_EQ(expanded(ms), "Code 7 at 8.");
}

TEST_F(TemplateTest, EndlessNestingEndsAndFailsSafely) {
    ScriptedExpander e;
    e.set(3, "&3&3", ExpandedTemplate);
    MultiString ms("Nested");
    ms.expander = &e;
    std::string t = expanded(ms);
    EXPECT_EQ(t, "[&3]"); // fails in every language: the English text, unexpanded
    EXPECT_LT(e.calls, 100);
}

TEST_F(TemplateTest, AmpersandsThatAreNotPlaceholdersAndLongResults) {
    ScriptedExpander e;
    MultiString amp("Amp");
    amp.expander = &e;
    EXPECT_EQ(expanded(amp), "a & b&x ");
    EXPECT_EQ(e.calls, 0);

    std::string big(ExpansionWorkSize - 1, 'z');
    e.set(1, big.c_str(), ExpandedText);
    e.set(2, big.c_str(), ExpandedPlain);
    MultiString ms("Result");
    ms.expander = &e;
    std::string t = expanded(ms);
    EXPECT_EQ(t.size(), 5 + big.size() + 4 + big.size() + 1);
}
} // namespace
