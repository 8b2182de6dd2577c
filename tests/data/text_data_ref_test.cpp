// Text entry through a text reference: capacity, the widget's width, erasing and reverting.
#include <gtest/gtest.h>

#include <string>

#include "data/text_data_ref.h"
#include "gui/alphabet.h"
#include "gui/font.h"
#include "gui/text_data_display.h"
#include "tests/text/text_test_support.h"

namespace {
std::string textIn(TextData& t) {
    return bytesOf(t.getText());
}

TEST(TextDataRefTest, TypingStopsAtTheCapacity) {
    TextData t(5);
    TextDataRef r(&t);
    for (char c : std::string("abcdef"))
        r.addChar(static_cast<unsigned char>(c));
    EXPECT_EQ(textIn(t), "abcd");
    EXPECT_FALSE(r.addChar('x'));
    r.eraseLastChar();
    EXPECT_EQ(textIn(t), "abc");
    EXPECT_FALSE(r.addChar(0x100)); // a wide character needs three bytes
    EXPECT_TRUE(r.addChar('d'));
    TextData wide(8);
    TextDataRef w(&wide);
    EXPECT_TRUE(w.addChar('a'));
    EXPECT_TRUE(w.addChar(0x100));
    EXPECT_EQ(bytesOf(wide.getText()), std::string("a\xff\x01\x00", 4));
    w.eraseLastChar(); // the whole wide character goes
    EXPECT_EQ(textIn(wide), "a");
    w.eraseLastChar();
    w.eraseLastChar();
    EXPECT_EQ(textIn(wide), "");
}

TEST(TextDataRefTest, TypingStopsAtTheWidgetsWidth) {
    TextData t(50);
    // Room for three letters and the margin typing keeps free.
    long w = NormalFont.getCharWidth('a');
    TextDataDisplay widget(new TextDataRef(&t), BBox(At(0, 0), 3 * w + TypingMargin, 14), 1,
                           ALIGN_LEFT_TOP, 15, 0, 0, false, true, true);
    TextDataRef& r = *static_cast<TextDataRef*>(widget.dataRef);
    EXPECT_TRUE(r.addChar('a'));
    EXPECT_TRUE(r.addChar('a'));
    EXPECT_TRUE(r.addChar('a'));
    EXPECT_FALSE(r.addChar('a'));
    EXPECT_EQ(textIn(t), "aaa");
    r.eraseLastChar();
    EXPECT_TRUE(r.addChar('a'));
}

TEST(TextDataRefTest, RevertsToTheValueAtFocusOrTheOriginal) {
    TextData t(20);
    const unsigned char start[] = "start";
    t.setTextValue(start);
    TextDataRef r(&t);
    r.noteOriginalValue(false);
    r.addChar('1');
    r.noteValueAtTimeOfFocus();
    r.addChar('2');
    r.revertToValueAtTimeOfFocus();
    EXPECT_EQ(textIn(t), "start1");
    r.revertToOriginalValue();
    EXPECT_EQ(textIn(t), "start");
    r.clear();
    EXPECT_EQ(textIn(t), "");

    r.noteOriginalValue(true); // skipped: nothing to revert to
    r.addChar('z');
    r.revertToOriginalValue();
    EXPECT_EQ(textIn(t), "z");
    r.keepTentativeValue();
    r.addChar('y');
    r.revertToOriginalValue();
    EXPECT_EQ(textIn(t), "z");
    unsigned char buf[DataTextBufferSize];
    EXPECT_EQ(bytesOf(r.getText(0, buf).text), "z");
}
} // namespace
