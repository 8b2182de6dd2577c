// Laying texts out in their objects: fixed line counts, wrapping at blanks and after
// punctuation, breaking inside long words, the ellipsis, and drawing left to right and
// right to left. In texts \247 is the section mark that starts a
// header, \266 the paragraph mark and \370 the right-to-left marker.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui/alphabet.h"
#include "gui/gui_language.h"
#include "tests/gui/gui_test_support.h"
#include "tests/text/text_test_support.h"
#include "text/language.h"
#include "text/parse_string.h"
#include "text/vocabulary.h"
#include "text/xtd_string.h"

namespace {
class TextBox : public GraphicalObj {
public:
    TextBox(const BBox& b, const char* key, Alignment a = ALIGN_LEFT_TOP)
        : GraphicalObj(b, true, true, false), text(key), alignment(a) {}
    void _draw_(const Rect& r, bool, bool, Color, Rect*, bool) override {
        text.drawString(this, r, r.vAlign(alignment), NormalFontSize, alignment, NoColor, 0);
    }
    MultiString text;
    Alignment alignment;
};

Font* normal() {
    return Latin.font(NormalFontSize);
}

long widthOf(const std::string& s) {
    return normal()->getStringWidth(reinterpret_cast<const unsigned char*>(s.c_str()));
}

// A word of repeated letters about `pixels` wide.
std::string wordOf(char c, long pixels) {
    std::string w;
    while (widthOf(w + c) <= pixels)
        w += c;
    return w;
}

// The lines of a laid-out text, without break-point marks.
std::vector<std::string> linesOf(const StringAndLang& s, int n) {
    std::string all = bytesOf(s.text);
    if (n > 1) all = all.substr(2);
    std::vector<std::string> lines(1);
    for (char c : all) {
        if (c == static_cast<char>(LineBreakCode))
            lines.emplace_back();
        else if (c != static_cast<char>(BreakPointCode))
            lines.back() += c;
    }
    return lines;
}

const std::string Ellipsis("\xff\x01\x2a", 3);

struct LineBreakTest : GuiTest {
    // Lays out text (as written in a string file) in a box of the given size.
    int layout(const std::string& text, int width, int height, bool mustFit,
               std::vector<std::string>* lines) {
        initVocabularyWith("[Strings]\n$t$ :English \"" + text + "\";\n");
        TextBox box(BBox(At(0, 0), width, height), "t");
        unsigned char buf[MultiStringBufferSize];
        StringAndLang s;
        int n = box.text.nLines(0, langMinusOne(), &s, buf, &box, NormalFontSize, mustFit);
        if (lines != nullptr) *lines = linesOf(s, n);
        return n;
    }
};

TEST_F(LineBreakTest, FixedLineCountsAndTheirHeaders) {
    std::vector<std::string> lines;
    EXPECT_EQ(layout("\2472one\266two", 100, 100, false, &lines), 2);
    EXPECT_EQ(lines, (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(layout("\2470a\\nb\\nc", 100, 100, false, &lines), 3);
    EXPECT_EQ(layout("\2470a\\nb\\nc", 100, 20, true, nullptr), 0); // two lines fit
    EXPECT_EQ(layout("\2471single", 100, 20, false, &lines), 1);
    EXPECT_EQ(lines, (std::vector<std::string>{"single"}));     // no header left to draw
    EXPECT_EQ(layout("plain\\ntext", 10, 10, true, &lines), 1); // no header: one line
}

TEST_F(LineBreakTest, OneLineWiderThanItsObjectEndsWithTheEllipsis) {
    std::vector<std::string> lines;
    std::string text = wordOf('a', 60) + " " + wordOf('b', 60);
    EXPECT_EQ(layout("\247*" + text, 100, 40, false, &lines), 1);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].substr(lines[0].size() - 3), Ellipsis);
    EXPECT_LE(widthOf(lines[0]), 100);
    EXPECT_EQ(layout("\247*" + text, 100, 40, true, nullptr), 2); // mustFit: lines by height
    EXPECT_EQ(layout("\247*" + text + " " + text, 100, 20, true, nullptr), 0);
    // Nine lines allowed, but only one fits the height.
    EXPECT_EQ(layout("\247*9" + text, 100, 20, false, &lines), 1);
    EXPECT_EQ(lines[0].substr(lines[0].size() - 3), Ellipsis);
    EXPECT_EQ(layout("\247*short", 100, 40, false, &lines), 1);
    EXPECT_EQ(lines, (std::vector<std::string>{"short"}));
}

TEST_F(LineBreakTest, BreaksAtTheLastBlankOrAfterALaterHyphen) {
    std::vector<std::string> lines;
    std::string a = wordOf('a', 50), b = wordOf('b', 30), c = wordOf('c', 60);
    ASSERT_LE(widthOf(a + " " + b), 100);
    ASSERT_GT(widthOf(a + " " + b + "-" + c), 100);
    EXPECT_EQ(layout("\247*3" + a + " " + c, 100, 100, false, &lines), 2);
    EXPECT_EQ(lines, (std::vector<std::string>{a, c}));
    EXPECT_EQ(layout("\247*3" + a + " " + b + "-" + c, 100, 100, false, &lines), 2);
    EXPECT_EQ(lines, (std::vector<std::string>{a + " " + b + "-", c}));
    EXPECT_EQ(layout("\247*3" + a + " " + b + " x", 100, 100, false, &lines), 1);
}

TEST_F(LineBreakTest, AWordLongerThanTheWidthBreaksInside) {
    std::vector<std::string> lines;
    std::string longWord = wordOf('m', 250);
    EXPECT_EQ(layout("\247*9" + longWord, 100, 100, false, &lines), 3);
    std::string joined;
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_LE(widthOf(lines[i]), 100);
        if (i + 1 < lines.size()) {
            EXPECT_GT(widthOf(lines[i]), 80); // filled before breaking
        }
        joined += lines[i];
    }
    EXPECT_EQ(joined, longWord);
    // Only two lines allowed: the second ends with the ellipsis.
    EXPECT_EQ(layout("\247*2" + longWord, 100, 100, false, &lines), 2);
    EXPECT_EQ(lines[1].substr(lines[1].size() - 3), Ellipsis);
    EXPECT_LE(widthOf(lines[1]), 100);
}

TEST_F(LineBreakTest, SeveralLinesCentredAroundTheMiddle) {
    TestPane pane(BBox(Rect(At(0, 0), At(319, 239))), 15);
    theScreen.addLayer(&pane, nullptr, false);
    initVocabularyWith("[Strings]\n$t$ :English \"\2473a\266b\266c\";\n");
    Rect r(At(0, 0), At(99, 199));
    TextBox box(BBox(r), "t", ALIGN_VCENTER);
    pane.add(&box, nullptr);
    long lh = normal()->lineHeight();
    EXPECT_EQ(count(Rect(At(0, 0), At(99, 99 - 3 * lh / 2 - 2)), 0), 0);
    EXPECT_EQ(count(Rect(At(0, 100 + 3 * lh / 2 + 2), At(99, 199)), 0), 0);
    EXPECT_GT(count(Rect(At(0, 100 - lh / 2), At(99, 100 + lh / 2)), 0), 0); // the middle line
}

TEST_F(LineBreakTest, RightToLeftTextsInARightToLeftAlphabet) {
    Alphabet testRtl("TestRtl", &NormalFont, &LargeFont, &SmallFont, nullptr, true);
    Language hebrew("Hebrew", &testRtl);
    V.stringFiles[0].setFileName(
        writeTempStringFile("[Strings]\n$t$ :Hebrew \"\370abc\" "
                            ":English \"abc\";\n$plain$ :Hebrew \"abc\";\n")
            .c_str());
    V.init(&hebrew, nullptr, nullptr, nullptr, nullptr);
    EXPECT_TRUE(V.rightToLeft);
    EXPECT_TRUE(CurrentRightToLeft);
    EXPECT_EQ(currentAlphabet(), &testRtl);
    MultiString t("t"), plain("plain");
    EXPECT_TRUE(t.getString().rightToLeft);
    EXPECT_FALSE(plain.getString().rightToLeft); // no marker: left to right
    EXPECT_FALSE(t.getString(1, &English).rightToLeft);

    TestPane pane(BBox(Rect(At(0, 0), At(319, 239))), 15);
    theScreen.addLayer(&pane, nullptr, false);
    Rect r(At(100, 50), At(199, 69));
    TextBox mirrored(BBox(r), "t", ALIGN_MIRROR_RTL);
    pane.add(&mirrored, nullptr);
    long w = widthOf("abc");
    EXPECT_EQ(count(Rect(At(100, 50), At(198 - w, 69)), 0), 0); // at the right edge
    EXPECT_GT(count(Rect(At(200 - w, 50), At(199, 69)), 0), 0);
    V.setCurrentLanguage(&English);
    EXPECT_FALSE(CurrentRightToLeft);
    EXPECT_EQ(currentAlphabet(), &Latin);
}

TEST_F(LineBreakTest, AlternativeTextsFromTheExpander) {
    struct Alternative : TemplateExpander {
        const char* key = "alt";
        StringArgs getMsgTemplate(unsigned char& priority, unsigned char, unsigned long) override {
            priority = 2;
            StringArgs a;
            a.key = key;
            return a;
        }
    } expander;
    std::string wide = wordOf('w', 150) + " " + wordOf('v', 150);
    initVocabularyWith("[Strings]\n$t$ :English \"\247?2fallback text\";\n"
                       "$alt$ :English.2 \"\247*9the alternative\";\n"
                       "$u$ :English \"\247!5fallback\";\n"
                       "$wide$ :English \"\247*9" +
                       wide +
                       "\";\n"
                       "$q$ :English \"\247?own\";\n"
                       "$x$ :English \"\247!own\";\n");
    // (key, alternative, box height, laid out as)
    struct Case {
        const char* key;
        const char* alternative;
        int height;
        std::string text;
    } cases[] = {
        {"t", "alt", 40, "the alternative"},
        {"u", "alt", 40, "fallback"}, // form 5 of the alternative is not defined
        // "?" forces the alternative to fit, "!" lays it out as the caller asks.
        {"q", "wide", 20, "own"},
        {"x", "wide", 20, "www"},
    };
    for (const Case& c : cases) {
        TextBox box(BBox(At(0, 0), 200, c.height), c.key);
        box.text.expander = &expander;
        expander.key = c.alternative;
        unsigned char buf[MultiStringBufferSize];
        StringAndLang s;
        EXPECT_EQ(box.text.nLines(0, langMinusOne(), &s, buf, &box, NormalFontSize, false), 1);
        EXPECT_EQ(linesOf(s, 1)[0].substr(0, c.text.size()), c.text) << c.key;
    }
    // Without a digit after the mark (and without an alternative) the text keeps its first
    // character.
    std::vector<std::string> lines;
    EXPECT_EQ(layout("\247?body", 100, 40, false, &lines), 1);
    EXPECT_EQ(lines, (std::vector<std::string>{"body"}));
}
} // namespace
