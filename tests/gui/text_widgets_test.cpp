// Check boxes toggled by keys through the screen. Data displays are pinned by the program's
// reference screens.
#include <gtest/gtest.h>

#include "data/units.h"
#include "gui/graphical_list_box.h"
#include "gui/plane.h"
#include "tests/gui/gui_test_support.h"

namespace {
struct TextWidgetsTest : GuiTest {
    Plane pane{BBox(At(0, 0), 320, 240), FRAME_NONE, NOT_SELECTABLE};
    // The children are the test's own and go before the pane.
    void close() {
        pane.asyncDefocus(NOEVENT);
        pane.removeAll();
    }
};

TEST_F(TextWidgetsTest, CheckBoxTogglesBetweenItsFirstAndThirdPicture) {
    CheckBox box("Key Clicks", 0, true, nullptr, At(10, 10), 14);
    Data shared(&NoUnits, nullptr, 1); // toggled through keys in the widget screen test
    CheckBox other("other", 0, true, &shared, At(40, 10), 0);
    addAll(pane, {&box, &other});
    pane.popup(At(-1, -1), nullptr, true);
    Rect r = box.getAbsRect(nullptr);
    EXPECT_EQ(r, R(10, 10, 23, 24));
    // Row 7 of the picture: the box's sides only, or the tick's stroke as well.
    const long y = r.top() + 8; // centred: 13 rows in 15
    EXPECT_EQ(row(r.left(), y, 14), "f0fffffffffff0");
    EXPECT_EQ(theScreen.dispatchUserEvent(ENTER), 0u);
    EXPECT_EQ(box.ownData->getValue(), 1);
    EXPECT_EQ(row(r.left(), y, 14), "f0f00000fffff0");
    theScreen.dispatchUserEvent(ENTER);
    EXPECT_EQ(box.ownData->getValue(), 0);
    EXPECT_EQ(row(r.left(), y, 14), "f0fffffffffff0");
    close();
}

} // namespace
