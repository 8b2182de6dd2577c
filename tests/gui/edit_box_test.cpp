// Edit boxes and the virtual keypad driven by keys: typing, deleting, limits, commit with
// ENTER and cancel with ESC, and the screens while editing.
#include <gtest/gtest.h>

#include <string>

#include "data/data.h"
#include "data/units.h"
#include "gui/dialog.h"
#include "gui/edit_box.h"
#include "gui/virtual_key_pad.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/screen_compare.h"
#include "tests/support/virtual_time.h"
#include "tests/text/text_test_support.h"

namespace {
class EditBoxTest : public GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        startVirtualClock();
        theScreen.addLayer(&main, nullptr, false);
    }
    void TearDown() override {
        if (dialog.isOpen()) dialog.asyncDefocus(ESC);
    }
    // A key as the application passes it on; a pressed virtual key is released before the next.
    static void key(UserEvent e) {
        theScreen.dispatchUserEvent(e);
        runFor(VirtualKeyReleaseMs);
    }
    // Turns the dial until the keypad's key with that label is selected, then presses it.
    static void press(VirtualKeyPad& pad, const std::string& label) {
        for (int i = 0; i < pad.keyCount(); ++i) {
            if (pad.key(pad.currentKey())->getText() == label) break;
            key(DIALCW);
        }
        ASSERT_EQ(pad.key(pad.currentKey())->getText(), label);
        key(ENTER);
    }
    // One key a character; ">" stands for the delete-digit key.
    static void type(VirtualKeyPad& pad, const std::string& keys) {
        for (char c : keys)
            press(pad, c == '>' ? std::string("\x8D") : std::string(1, c));
    }
    void open(GraphicalObj& box) {
        dialog.add(&box);
        dialog.popup(At(-1, -1), &main, false);
    }

    MainPane main;
    Dialog dialog{BBox(At(20, 24), 280, 56), "Edit", 0, 1, FRAME_SHADOW};
};

class TextEditBoxTest : public EditBoxTest {
protected:
    void SetUp() override {
        EditBoxTest::SetUp();
        name.setTextValue(reinterpret_cast<const unsigned char*>("Engine"));
        open(box);
    }
    std::string text() const { return bytesOf(name.getText()); }

    TextData name{20};
    TextEditBox box{new TextDataRef(&name), below(60, 8, 150, 20), 1, true, false,
                    VirtualAlphaKeyPad};
};

TEST_F(TextEditBoxTest, TypingReplacesThenAppendsEscRestoresAndEnterKeeps) {
    key(ENTER);
    type(VirtualAlphaKeyPad, "A");
    EXPECT_EQ(text(), "A"); // the first key replaces the whole text
    type(VirtualAlphaKeyPad, "B");
    press(VirtualAlphaKeyPad, "Space");
    type(VirtualAlphaKeyPad, "C");
    press(VirtualAlphaKeyPad, "\x8C"); // backspace
    EXPECT_EQ(text(), "AB ");
    EXPECT_TRUE(screenMatchesReference("text_edit_box_with_keypad"));
    key(ESC); // closes the keypad; the box still edits
    EXPECT_FALSE(VirtualAlphaKeyPad.isOpen());
    key(ESC);
    EXPECT_EQ(text(), "Engine");
    keys({ENTER, F2}, VirtualKeyReleaseMs); // right after focus: erases nothing
    EXPECT_EQ(text(), "Engine");
    type(VirtualAlphaKeyPad, "X"); // no longer the first key: appended
    EXPECT_EQ(text(), "EngineX");
    press(VirtualAlphaKeyPad, "Clear");
    type(VirtualAlphaKeyPad, "Q");
    keys({ESC, ENTER}, VirtualKeyReleaseMs);
    EXPECT_EQ(std::tuple(text(), box.selectability), std::tuple("Q", SELECTED));
}

class NumberEditBoxTest : public EditBoxTest {
protected:
    std::string shown() {
        unsigned char buf[DataTextBufferSize];
        return bytesOf(box->shownText(buf).text);
    }
    void make(double lo, double hi, Marshalling m) {
        box.reset(new NumberEditBox(new NumericDataRef(&value, nullptr, 2, 2),
                                    below(150, 8, 80, 20), 1, true, true, lo, hi, m, NoColor));
        open(*box);
    }
    Data value{&NoUnits, nullptr, 12.5};
    std::unique_ptr<NumberEditBox> box;
    static constexpr Marshalling CommitNow = CommitOnOk | CloseOnDefocus;
};

TEST_F(NumberEditBoxTest, DigitsDecimalsAndDeletingThenEnterCommits) {
    make(-100, 100, CommitNow);
    key(ENTER);
    EXPECT_EQ(shown(), "12.50");
    type(VirtualNumericKeyPad, "42.");
    EXPECT_EQ(shown(), "42");          // no decimals typed yet
    type(VirtualNumericKeyPad, "759"); // a third decimal does not fit
    EXPECT_EQ(shown(), "42.75");
    EXPECT_EQ(value.getValue(), 12.5); // only the copy changes
    EXPECT_TRUE(screenMatchesReference("number_edit_box_with_keypad"));
    type(VirtualNumericKeyPad, ">");
    EXPECT_EQ(shown(), "42.7");
    type(VirtualNumericKeyPad, ">>>3"); // the decimal, the point, a digit
    EXPECT_EQ(shown(), "43");
    type(VirtualNumericKeyPad, "->");
    EXPECT_EQ(shown(), "-4");
    type(VirtualNumericKeyPad, "C7.2");
    EXPECT_EQ(shown(), "7.2");
    keys({ESC, ENTER}, VirtualKeyReleaseMs);
    EXPECT_DOUBLE_EQ(value.getValue(), 7.2);
    // ESC leaves an edit without keeping what was typed.
    key(ENTER);
    type(VirtualNumericKeyPad, "9");
    keys({ESC, ESC}, VirtualKeyReleaseMs);
    EXPECT_DOUBLE_EQ(value.getValue(), 7.2);
    EXPECT_EQ(box->selectability, SELECTED);
}

TEST_F(NumberEditBoxTest, LimitsBoundTypingTheSignAndTheCommittedValue) {
    make(10, 50, CommitNow);
    key(ENTER);
    type(VirtualNumericKeyPad, "75"); // 75 is beyond what the limits allow
    EXPECT_EQ(shown(), "7");
    type(VirtualNumericKeyPad, "-"); // no negative numbers
    EXPECT_EQ(shown(), "7");
    keys({ESC, ENTER}, VirtualKeyReleaseMs);
    EXPECT_EQ(value.getValue(), 10); // raised to the low limit
}
} // namespace
