// Hierarchical lists: numbering as items come and go, keys sent through the screen (moving,
// wrapping, collapsing, expanding, leaving), a long list driven by random keys, and a
// reference screen of a list scrolled to its middle (with its elevator).
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "gui/bitmap_obj.h"
#include "gui/hier_list.h"
#include "gui/text_list_item.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/screen_compare.h"

namespace {
// An item of one line of text.
class TextItem : public HierListItem {
public:
    explicit TextItem(const std::string& name, SublistState s = SUBLIST_ALWAYS_EXPANDED,
                      Selectability sel = SELECTABLE)
        : HierListItem(16, s, VREF_HEIGHT, sel),
          text(BBox(RefPoint(At(0, 1), HREF_LEFT_MARGIN, VREF_TOP),
                    RefPoint(At(0, 13), HREF_RIGHT, VREF_HEIGHT)),
               name.c_str(), &NormalFont) {
        text.selectability = NOT_SELECTABLE;
        add(&text);
    }
    Label text;
};

class ListTest : public PaneTest {
protected:
    HierList list{BBox(At(20, 20), 200, 100), true}; // 6 items of 16 rows fit
    std::vector<std::unique_ptr<TextItem>> items;
    void SetUp() override {
        PaneTest::SetUp();
        pane.add(&list);
    }
    TextItem* add(const std::string& name, WhereAdded where = ADD_LAST_CHILD,
                  HierListItem* ref = nullptr, SublistState s = SUBLIST_ALWAYS_EXPANDED) {
        items.emplace_back(new TextItem(name, s));
        list.addItem(items.back().get(), where, ref, true);
        return items.back().get();
    }
    // The items in pre-order with their ordinals, as "name:ordinal ...".
    std::string order() const {
        std::string s;
        for (HierListItem* i = list.root; i != nullptr; i = i->findNext(false))
            s += std::string(1, static_cast<char>(static_cast<TextItem*>(i)->text.xtd[0])) +
                 std::to_string(i->ordinal) + " ";
        return s;
    }
};

TEST_F(ListTest, OrdinalsFollowAddingAndRemoving) {
    TextItem* a = add("a");
    add("b");
    add("c");
    EXPECT_EQ(order(), "a1 b2 c3 ");
    TextItem* d = add("d", ADD_NEXT_SIBLING, a);
    EXPECT_EQ(order(), "a1 d2 b3 c4 ");
    add("e", ADD_FIRST_CHILD, d);
    add("f", ADD_AS_LAST_CHILD, d);
    add("g", ADD_FIRST_CHILD); // no reference: in front
    EXPECT_EQ(order(), "g1 a2 d3 e4 f5 b6 c7 ");
    EXPECT_TRUE(list.hasSublists);
    EXPECT_EQ(list.count, 7);
    EXPECT_EQ(list.current, a); // the first item added
    EXPECT_EQ(list.totalHeight(), 7 * 16);
    list.removeItem(d, true); // with its sublist
    EXPECT_EQ(std::tuple(order(), list.count), std::tuple("g1 a2 b3 c4 ", 4));
    EXPECT_EQ(d->list(), nullptr);
    list.addItem(d, ADD_LAST_CHILD, nullptr, true); // and back, alone
    list.addItem(d, ADD_LAST_CHILD, nullptr, true); // twice is once
    EXPECT_EQ(order(), "g1 a2 b3 c4 d5 ");
}

TEST_F(ListTest, ArrowsMoveStopOrWrapAtTheEnds) {
    TextItem* only = add("a");
    list.focus();
    EXPECT_EQ(key(DOWNARROW), 0u); // one item: nothing moves
    EXPECT_EQ(list.current, only);
    add("b");
    TextItem* c = add("c");
    keys({DOWNARROW, DIALCW});
    EXPECT_EQ(list.current, c);
    EXPECT_TRUE(c->inverted && !only->inverted);
    key(DOWNARROW);
    EXPECT_EQ(list.current, c); // stops at the end
    list.wraps = true;
    key(DOWNARROW);
    EXPECT_EQ(list.current, only);
    key(UPARROW);
    EXPECT_EQ(list.current, c);
    key(LEFTARROW); // on the top level: to the first
    EXPECT_EQ(list.current, only);
    key(RIGHTARROW);
    EXPECT_EQ(list.current, c);
    EXPECT_EQ(key(F2), F2);
}

TEST_F(ListTest, LeftArrowCollapsesToTheParentAndClickExpands) {
    TextItem* p = add("p", ADD_LAST_CHILD, nullptr, SUBLIST_EXPANDED);
    TextItem* c1 = add("1", ADD_LAST_CHILD, p);
    TextItem* c2 = add("2", ADD_LAST_CHILD, p);
    TextItem* q = add("q");
    list.focus();
    keys({DOWNARROW, DOWNARROW});
    EXPECT_EQ(std::tuple(list.current, q->box.start.at.y), std::tuple(c2, 48));
    key(LEFTARROW);
    EXPECT_EQ(std::tuple(list.current, p->sublistState), std::tuple(p, SUBLIST_COLLAPSED));
    EXPECT_TRUE(c1->hidden && c2->hidden);
    EXPECT_EQ(q->box.start.at.y, 16); // moved up under its parent
    key(DOWNARROW);
    EXPECT_EQ(list.current, q); // the hidden children are passed over
    key(UPARROW);
    EXPECT_EQ(key(CLICK), 0u); // a collapsed parent opens
    EXPECT_EQ(p->sublistState, SUBLIST_EXPANDED);
    EXPECT_TRUE(!c1->hidden && p->inverted);
    // The expand icon stands 14 pixels left of the text margin of 16: at x 21 + 2.
    // Inverted with its item, but for the grey box.
    key(CLICK);
    EXPECT_EQ(row(23, 24, 11), "77777777777");
    EXPECT_EQ(row(23, 26, 11), "70000f00007"); // the plus
    key(CLICK);
    EXPECT_EQ(row(23, 26, 11), "70000000007"); // the minus
}

TEST_F(ListTest, EnterActivatesOrClosesTheList) {
    add("a");
    list.focus();
    EXPECT_EQ(key(ENTER), 0u);
    EXPECT_EQ(pane.focusStack.tos(), &list);
    list.closeOnEnter = true; // closing is what a list box's list does, tested there
    list.escResult = F6;
    EXPECT_EQ(key(ESC), F6);
    list.enterAlias = F3;
    EXPECT_EQ(key(F3), 0u); // handled as ENTER: closes
    EXPECT_EQ(pane.focusStack.tos(), nullptr);
}

TEST_F(ListTest, OmittedItemsAreLeftOut) {
    TextItem* a = add("a");
    TextItem* b = add("b");
    TextItem* c = add("c");
    list.focus();
    key(DOWNARROW);
    list.omitItem(b, true);
    EXPECT_EQ(list.current, a); // the current item went: the first takes over
    EXPECT_EQ(c->box.start.at.y, 16);
    list.omitItem(b, false);
    EXPECT_EQ(c->box.start.at.y, 32); // all three fit: none is left above the top
}

// 500 items in a tree of three levels, some not selectable, driven by random keys: the
// current item is always shown and wholly inside the viewing area.
TEST_F(ListTest, LongListUnderRandomKeys) {
    std::mt19937 rng(20261206);
    std::vector<TextItem*> parents;
    list.rebuild(true);
    for (int n = 0; n < 500; ++n) {
        int kind = rng() % 10;
        SublistState s = kind < 3 ? SUBLIST_COLLAPSED : SUBLIST_EXPANDED;
        Selectability sel = kind == 9 ? NOT_SELECTABLE : SELECTABLE;
        items.emplace_back(new TextItem("i" + std::to_string(n), s, sel));
        TextItem* item = items.back().get();
        HierListItem* ref = parents.empty() || kind < 4 ? nullptr : parents[rng() % parents.size()];
        list.addItem(item, ADD_LAST_CHILD, ref, true);
        if (item->getLevel() < 2) parents.push_back(item);
    }
    list.rebuild(false);
    list.focus();
    const UserEvent keys[] = {UPARROW, DOWNARROW, DIALCW, DIALCCW, LEFTARROW, RIGHTARROW, CLICK};
    for (int step = 0; step < 3000; ++step) {
        UserEvent e = keys[rng() % 7];
        key(e);
        HierListItem* cur = list.current;
        ASSERT_NE(cur, nullptr);
        ASSERT_FALSE(cur->hidden) << step;
        ASSERT_TRUE(cur->displayable()) << step;
        ASSERT_TRUE(cur->fullyVisible()) << step;
        ASSERT_EQ(cur->selectability, SELECTED) << step;
    }
}

TEST_F(ListTest, ScreenListScrolledToItsMiddle) {
    list.box = BBox(At(40, 30), 240, 180);
    pane.draw(nullptr, true);
    TextItem* brakes = nullptr;
    for (int i = 0; i < 20; ++i) {
        TextItem* it = add(SystemNames[i], ADD_LAST_CHILD, nullptr,
                           i == 2 || i == 10 ? SUBLIST_EXPANDED : SUBLIST_COLLAPSED);
        if (i == 2) brakes = it;
        if (i == 10) {
            add("Left mirror", ADD_LAST_CHILD, it);
            add("Right mirror", ADD_LAST_CHILD, it);
        }
        if (i == 4) add("Gauges", ADD_LAST_CHILD, it);
    }
    add("Front axle", ADD_LAST_CHILD, brakes);
    add("Rear axle", ADD_LAST_CHILD, brakes);
    list.focus();
    list.selectItemAt(13); // "Mirrors", the middle of 24 items
    for (int i = 0; i < 3; ++i)
        key(DOWNARROW);
    EXPECT_EQ(list.current->ordinal, 16);
    EXPECT_TRUE(screenMatchesReference("hier_list_middle"));
}
} // namespace

// Texts beside an item's main text: a column right of x > 10 ends the main text just before
// it, one at the left edge starts the main text after it; a right-justified one ends it.
TEST_F(ListTest, ColumnTextsShareTheItemWithItsMainText) {
    SimpleTextListItem a("a", 0, 0, 0, 1, 2, SUBLIST_ALWAYS_EXPANDED, SELECTABLE, ALIGN_VCENTER);
    SimpleTextListItem b("b", 0, 0, 0, 1, 2, SUBLIST_ALWAYS_EXPANDED, SELECTABLE, ALIGN_VCENTER);
    SimpleTextListItem c("c", 0, 0, 0, 1, 2, SUBLIST_ALWAYS_EXPANDED, SELECTABLE, ALIGN_VCENTER);
    StaticTextObj* right = a.addText("x", 100, 40, 0, true);
    StaticTextObj* left = b.addText("y", 4, 30, 0, true);
    StaticTextObj* justified = c.addRightJustifiedText("z", 50, 0, 1);
    ASSERT_TRUE(right != nullptr && left != nullptr && justified != nullptr);
    for (SimpleTextListItem* i : {&a, &b, &c})
        list.addItem(i, ADD_LAST_CHILD, nullptr, true);
    Rect main = a.text.getAbsRect(nullptr), ra = right->getAbsRect(nullptr);
    EXPECT_EQ(std::tuple(ra.left() - main.left(), ra.width()), std::tuple(100, 40));
    EXPECT_EQ(main.right(), ra.left() - 1);
    Rect lb = left->getAbsRect(nullptr);
    EXPECT_EQ(b.text.getAbsRect(nullptr).left(), lb.right() + 1);
    EXPECT_EQ(c.text.getAbsRect(nullptr).right(), justified->getAbsRect(nullptr).left() - 1);
    for (SimpleTextListItem* i : {&a, &b, &c})
        list.removeItem(i, true);
}
