// Check boxes toggled by keys through the screen, and the objects the label helpers place. Data
// displays are pinned by the program's reference screens.
#include <gtest/gtest.h>

#include "data/data_ref.h"
#include "data/units.h"
#include "gui/graphical_list_box.h"
#include "gui/plane.h"
#include "gui/text_data_display.h"
#include "tests/gui/gui_test_support.h"

namespace {
// The leftmost and topmost columns and rows holding ink (colour 0) inside r.
At firstInk(const Rect& r) {
    At first(ScreenWidth, ScreenHeight);
    for (long y = r.top(); y <= r.bottom(); ++y)
        for (long x = r.left(); x <= r.right(); ++x)
            if (getPixel(x, y) == 0) {
                if (x < first.x) first.x = static_cast<int32_t>(x);
                if (y < first.y) first.y = static_cast<int32_t>(y);
            }
    return first;
}

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

TEST_F(TextWidgetsTest, LabelHelpersPlaceTheirObjectsBesideTheLabel) {
    Data speed(&Metric_kph, nullptr, 12);
    Collection* form = new Collection(BBox(At(10, 10), 300, 200), NOT_SELECTABLE, true);
    pane.add(form);
    StaticTextObj* out = nullptr;
    StaticTextObj* label = form->addLabeledTextData(At(5, 5), "Speed", 60, &speed, 40, ALIGN_RIGHT,
                                                    VREF_TOP, 4, nullptr, &out);
    EXPECT_EQ(out, label);
    TextObj* units = form->addUnitsText(At(110, 5), &speed, 40, ALIGN_LEFT_TOP, VREF_TOP);
    StaticTextObj* other = form->addLabeledStaticText(At(5, 30), "Mode", 60, "Auto", 50,
                                                      ALIGN_LEFT_TOP, VREF_TOP, 4, 1);
    pane.popup(At(-1, -1), nullptr, true);
    EXPECT_EQ(label->getAbsRect(nullptr), R(15, 15, 75, 15 + NormalFont.lineHeight() - 1));
    GraphicalObjListNode* n = form->children.findNode(label)->next;
    EXPECT_EQ(n->obj->getAbsRect(nullptr), R(79, 15, 119, 15 + NormalFont.lineHeight() - 1));
    EXPECT_EQ(units->getAbsRect(nullptr), R(120, 16, 160, 16 + NormalFont.lineHeight() - 1));
    EXPECT_NE(firstInk(R(79, 15, 160, 29)).x, ScreenWidth); // the number and its units shown
    EXPECT_EQ(form->children.findNode(other)->next->obj->getAbsRect(nullptr).left(), 79);
    pane.remove(form);
    delete form; // with the labels it made
    close();
}
} // namespace
