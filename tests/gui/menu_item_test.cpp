// A list used as a menu: commands shown as texts and icons, and rows that pair a label with
// an edit box, a list box or a check box, enabled and disabled, through keys and on screen.
#include <gtest/gtest.h>

#include "data/data.h"
#include "data/units.h"
#include "gui/bitmap_obj.h"
#include "gui/dialog.h"
#include "gui/edit_box.h"
#include "gui/graphical_list_box.h"
#include "gui/hier_list.h"
#include "gui/list_box.h"
#include "gui/menu_item.h"
#include "gui/text_list_item.h"
#include "gui/virtual_key_pad.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/screen_compare.h"
#include "tests/support/virtual_time.h"
#include "tests/text/text_test_support.h"

namespace {
struct CountingAction : ButtonAction {
    int runs = 0;
    UserEvent onActivate(Button* b) override {
        ++runs;
        b->defocus(0);
        return 0;
    }
};

constexpr SublistState Flat = SUBLIST_ALWAYS_EXPANDED;

class MenuItemTest : public GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        startVirtualClock();
        name.setTextValue(reinterpret_cast<const unsigned char*>("Engine"));
        rateBox.addItem(&slow, ADD_LAST_CHILD, nullptr, true);
        rateBox.addItem(&fast, ADD_LAST_CHILD, nullptr, true);
        for (HierListItem* i : std::initializer_list<HierListItem*>{
                 &program, &erase, &icon, &nameRow, &rateRow, &clicksRow, &limitRow})
            list.addItem(i, ADD_LAST_CHILD, nullptr, true);
        menu.add(&list);
        menu.activateChildOnFocus = true; // the list takes the keys at once
        theScreen.addLayer(&main, nullptr, false);
        menu.popup(At(-1, -1), &main, false);
    }
    void TearDown() override {
        if (menu.isOpen()) menu.asyncDefocus(ESC);
    }
    static void key(UserEvent e) {
        theScreen.dispatchUserEvent(e);
        runFor(VirtualKeyReleaseMs);
    }

    MainPane main;
    Dialog menu{BBox(At(40, 24), 240, 150), "Settings", 0, 1, FRAME_SHADOW};
    HierList list{BBox(RefPoint(At(2, 2), HREF_LEFT, VREF_TOP_MARGIN),
                       RefPoint(At(-3, -3), HREF_RIGHT, VREF_BOTTOM)),
                  true};
    CountingAction programAction, eraseAction, iconAction;
    MenuCommand program{"Program Module", &programAction, true, 0, 1, nullptr, 0, Flat, SELECTABLE};
    MenuCommand erase{"Erase Module", &eraseAction, false, 0, 1, nullptr, 0, Flat, SELECTABLE};
    MenuCommandIcon icon = MenuCommandIcon(&listBoxBitmap, &iconAction, true, 0,
                                           ALIGN_HCENTER | ALIGN_VCENTER, 4, Flat, SELECTABLE);
    TextData name{16};
    TextEditBox nameBox{new TextDataRef(&name), BBox(At(0, 0), 100, 18), 1, true, false,
                        VirtualAlphaKeyPad};
    MenuInputWidget nameRow{"Name", &nameBox, 0, 100, true, 0, 1, nullptr, 4, Flat, SELECTABLE};
    Data rate{&NoUnits, nullptr, 250};
    NumericDataRef rateRef{&rate}; // a list box does not own its reference
    SimpleTextListItem slow{"250 kbit/s", 250, 0, 0, 1, 2, Flat, SELECTABLE, ALIGN_VCENTER};
    SimpleTextListItem fast{"500 kbit/s", 500, 0, 0, 1, 2, Flat, SELECTABLE, ALIGN_VCENTER};
    ListBox rateBox = ListBox(&rateRef, BBox(At(0, 0), 100, 18), 60, nullptr, true, true, true,
                              true, false, NoColor);
    MenuInputWidget rateRow{"Bit rate", &rateBox, 0, 100, true, 0, 1, nullptr, 4, Flat, SELECTABLE};
    CheckBox clicks{"Key Clicks", 0, true, nullptr, At(0, 0), 14};
    MenuInputWidget clicksRow =
        MenuInputWidget(&upAndDownTrianglesBitmap, &clicks, 4, 100, true, 16, Flat, SELECTABLE, 0);
    Data limit{&NoUnits, nullptr, 7};
    NumberEditBox limitBox = NumberEditBox(new NumericDataRef(&limit), BBox(At(0, 0), 60, 18), 1,
                                           true, true, 0, 99, CommitOnOk, NoColor);
    MenuInputWidget limitRow =
        MenuInputWidget("Retries", &limitBox, 0, 100, false, 0, 1, nullptr, 4, Flat, SELECTABLE);
};

TEST_F(MenuItemTest, CommandsRunTheirActionsAndDisabledRowsAreSkipped) {
    EXPECT_TRUE(screenMatchesReference("menu_items"));
    key(ENTER);
    EXPECT_EQ(programAction.runs, 1);
    EXPECT_EQ(program.selectability, SELECTED); // back in the list, selected again
    key(DOWNARROW);
    EXPECT_EQ(list.current, &icon); // past the disabled command
    key(ENTER);
    EXPECT_EQ(iconAction.runs, 1);
    keys({DOWNARROW, DOWNARROW, DOWNARROW}, VirtualKeyReleaseMs);
    EXPECT_EQ(list.current, &clicksRow);
    key(DOWNARROW);
    EXPECT_EQ(list.current, &clicksRow); // the disabled row is out of reach
    EXPECT_EQ(limitRow.label->currentColor, DimColor);
    EXPECT_EQ(limitBox.currentColor, DimColor);
    limitRow.enable(SELECTABILITY_UNCHANGED);
    EXPECT_EQ(std::tuple(limitRow.label->currentColor, limitBox.currentColor), std::tuple(0, 0));
    key(DOWNARROW);
    EXPECT_EQ(list.current, &limitRow);
}

TEST_F(MenuItemTest, InputRowsEditTheirWidgetsAndGiveTheListBack) {
    keys({DOWNARROW, DOWNARROW}, VirtualKeyReleaseMs);
    ASSERT_EQ(list.current, &nameRow);
    keys({ENTER, ENTER}, VirtualKeyReleaseMs); // types the selected key, "A"
    EXPECT_EQ(bytesOf(name.getText()), "A");
    EXPECT_TRUE(screenMatchesReference("menu_edit_row_with_keypad"));
    keys({ESC, ENTER}, VirtualKeyReleaseMs);
    EXPECT_EQ(nameRow.selectability, SELECTED);
    key(DOWNARROW); // keys move the list again
    ASSERT_EQ(list.current, &rateRow);
    keys({ENTER, DOWNARROW, ENTER}, VirtualKeyReleaseMs);
    EXPECT_EQ(rate.getValue(), 500);
    key(DOWNARROW);
    ASSERT_EQ(list.current, &clicksRow);
    key(ENTER);
    EXPECT_EQ(clicks.ownData->getValue(), 1);
    key(UPARROW);
    EXPECT_EQ(list.current, &rateRow);
}

} // namespace
