// List boxes: the shown item follows the data, the popup opens below, above or on the
// roomier side, ENTER or CLICK writes the chosen value and ESC does not; reference screens
// of a list box closed and open.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "gui/hier_list_item_table.h"
#include "gui/list_box.h"
#include "gui/rect_obj.h"
#include "gui/text_list_item.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/screen_compare.h"

namespace {
class ListBoxTest : public PaneTest {
protected:
    Data choice{nullptr, nullptr, 30};
    NumericDataRef ref{&choice};
    Data other{nullptr, nullptr, 20};
    NumericDataRef otherRef{&other};
    std::vector<std::unique_ptr<ListBox>> boxes;
    std::vector<std::unique_ptr<RectObj>> frames;
    std::vector<std::unique_ptr<SimpleTextListItem>> items;

    void TearDown() override {
        for (auto& b : boxes)
            if (b->isOpen()) theScreen.removeLayer(&b->plane);
        PaneTest::TearDown();
    }
    // A framed box of n items valued 10, 20, 30 ... at row y.
    ListBox* box(int y, int n, unsigned long maxHeight = 120, DataRef* r = nullptr) {
        frames.emplace_back(new RectObj(BBox(R(39, y - 1, 240, y + 20)), 0, 1, true, true, false));
        pane.add(frames.back().get());
        boxes.emplace_back(new ListBox(r != nullptr ? r : &ref, BBox(R(40, y, 239, y + 19)),
                                       maxHeight, nullptr, true, true, true, true, false, NoColor));
        for (int i = 0; i < n; ++i) {
            items.emplace_back(new SimpleTextListItem(SystemNames[i], 10 * (i + 1), 0, 0, 1, 2,
                                                      SUBLIST_ALWAYS_EXPANDED, SELECTABLE,
                                                      ALIGN_VCENTER));
            boxes.back()->addItem(items.back().get(), ADD_LAST_CHILD, nullptr, true);
        }
        pane.add(boxes.back().get());
        return boxes.back().get();
    }
    static Rect planeRect(ListBox* b) { return b->plane.getAbsRect(nullptr); }
};

TEST_F(ListBoxTest, ChoosingWritesTheValueAndEscapeDoesNot) {
    ListBox* b = box(30, 5);
    EXPECT_EQ(b->getItem(30), items[2].get());
    pane.focus();
    EXPECT_EQ(key(ENTER), 0u); // opens
    ASSERT_TRUE(b->isOpen());
    EXPECT_TRUE(b->inverted);
    EXPECT_EQ(b->getCurrentItem(), items[2].get()); // the list starts at the shown item
    // Below the box, as wide, as high as the items (5 x 17) and 2.
    EXPECT_EQ(planeRect(b), R(40, 49, 239, 135));
    keys({DOWNARROW, DOWNARROW});
    EXPECT_EQ(key(ESC), 0u);
    EXPECT_FALSE(b->isOpen() || b->inverted);
    EXPECT_EQ(choice.value, 30.0);
    for (UserEvent close : {ENTER, CLICK}) {
        key(ENTER);
        ASSERT_TRUE(b->isOpen());
        key(UPARROW);
        EXPECT_EQ(key(close), 0u);
        EXPECT_FALSE(b->isOpen());
        EXPECT_EQ(choice.value, close == ENTER ? 20.0 : 10.0);
    }
    EXPECT_EQ(pane.focusStack.tos(), &pane);
    // The data changes from elsewhere: the box shows the item of the new value.
    choice.setValue(50);
    EXPECT_GT(count(R(41, 31, 228, 48), 0), 20);
    choice.setValue(55); // no such item: an empty box
    EXPECT_EQ(count(R(41, 31, 228, 48), 0), 0);
}

TEST_F(ListBoxTest, PopupGoesWhereThereIsRoom) {
    ListBox* low = box(200, 4);
    low->focus();
    EXPECT_EQ(planeRect(low), R(40, 200 - 70 + 1, 239, 200)); // above: 4 x 17 + 2
    EXPECT_FALSE(low->list->showScrollBar);
    low->list->handleUserEvent(ESC);
    EXPECT_FALSE(low->isOpen());
    ListBox* tall = box(150, 12, 230); // 206 rows fit neither below nor above
    tall->focus();
    EXPECT_EQ(planeRect(tall), R(40, 0, 239, 150));
    EXPECT_TRUE(tall->list->showScrollBar);
    tall->list->handleUserEvent(ESC);
    ListBox* capped = box(10, 12, 100);
    capped->focus();
    EXPECT_EQ(planeRect(capped), R(40, 29, 239, 128));
    EXPECT_TRUE(capped->list->showScrollBar);
}

TEST_F(ListBoxTest, CopyKeepsOutsideChangesUntilChosen) {
    ListBox* b = box(30, 3);
    b->focus();
    EXPECT_TRUE(b->edit.active());
    choice.setValue(10); // changes the real data, not the copy being chosen on
    EXPECT_EQ(b->dataRef->getValue(), 30.0);
    b->list->handleUserEvent(ENTER);
    EXPECT_FALSE(b->edit.active());
    EXPECT_EQ(choice.value, 30.0);
    // Removing the shown item moves the data to the list's new current item.
    b->removeItem(items[2].get(), true);
    EXPECT_EQ(std::tuple(choice.value, b->getItem(30)), std::tuple(20.0, nullptr));
}

TEST_F(ListBoxTest, MenuFromATableNestsAndCollapsesItsRows) {
    HierList menu(BBox(R(20, 20, 220, 200)), true);
    pane.add(&menu);
    HierListItemTable table[] = {
        {"+Display", nullptr, 0, 0, 0, 0, 0, 1, nullptr, nullptr, nullptr},
        {".Contrast", nullptr, 0, 0, 0, 0, 0, 1, nullptr, nullptr, nullptr},
        {nullptr, nullptr, 0, 0, 0, 0, 0, 0, nullptr, nullptr, nullptr},
    };
    initMenuFromTable(&menu, table, 8);
    EXPECT_EQ(std::tuple(menu.count, table[0].item->sublistState, table[0].item->firstChild),
              std::tuple(2, SUBLIST_COLLAPSED, table[1].item));
    menu.rebuild(true); // menus live for the whole run; this one goes with the test
    for (HierListItemTable& row : table)
        delete row.item;
}

TEST_F(ListBoxTest, ScreenListBoxClosedAndOpen) {
    ListBox* top = box(20, 6);
    ListBox* bottom = box(196, 8, 120, &otherRef);
    EXPECT_TRUE(screenMatchesReference("list_box_closed"));
    pane.focus(); // selects the upper box
    keys({ENTER, DOWNARROW});
    EXPECT_TRUE(screenMatchesReference("list_box_open_below"));
    keys({ESC, DOWNARROW}); // the lower box
    key(ENTER);
    EXPECT_TRUE(top->inverted == false && bottom->isOpen());
    EXPECT_TRUE(screenMatchesReference("list_box_open_above"));
}
} // namespace
