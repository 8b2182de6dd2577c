// Graphical objects and collections: navigation, focus and keys, showing and hiding,
// blinking on the virtual clock, colours and inversion, selection frames, shared objects.
#include <gtest/gtest.h>

#include "gui/blink_list.h"
#include "gui/rect_obj.h"
#include "gui/shared_obj.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/virtual_time.h"

namespace {
// A filled box that can take the selection.
class Box : public RectObj {
public:
    Box(int x, int y, Color c = 0, bool selectable = true)
        : RectObj(BBox(At(x, y), 10, 10), c, 0, true, true, selectable) {}
};

struct ObjTest : PaneTest {
    // Whether the 10 x 10 box at (x, y) shows colour c all over.
    static bool filled(int x, int y, Color c) { return count(R(x, y, x + 9, y + 9), c) == 100; }
};

class CollectionTest : public ObjTest {
protected:
    Collection list{BBox(BBOX_FILL_PARENT), NOT_SELECTABLE, true};
    Box a{10, 10}, b{30, 10}, d{90, 10};
    Collection group{BBox(BBOX_FILL_PARENT), NAVIGABLE_CONTAINER, true};
    Box c1{50, 10}, c2{70, 10};

    void SetUp() override {
        ObjTest::SetUp();
        pane.add(&list);
        addAll(group, {&c1, &c2});
        addAll(list, {&a, &group, &b, &d});
        d.disable(SELECTABLE_IF_ENABLED);
        list.focus();
    }
    std::vector<GraphicalObj*> walk(UserEvent e, int n) {
        std::vector<GraphicalObj*> seen;
        for (int i = 0; i < n; ++i) {
            EXPECT_EQ(key(e), 0u);
            seen.push_back(list.currentObj());
        }
        return seen;
    }
};

TEST_F(CollectionTest, ArrowsWalkThroughNavigableContainersAndWrap) {
    EXPECT_EQ(std::tuple(list.currentObj(), a.selectability), std::tuple(&a, SELECTED));
    // Into the group, through it, out to b; d is disabled, so round to a.
    EXPECT_EQ(walk(DOWNARROW, 5), (std::vector<GraphicalObj*>{&c1, &c2, &b, &a, &c1}));
    EXPECT_EQ(std::tuple(c1.selectability, a.selectability), std::tuple(SELECTED, SELECTABLE));
    EXPECT_EQ(walk(DIALCCW, 4), (std::vector<GraphicalObj*>{&a, &b, &c2, &c1}));
    EXPECT_EQ(key(F1), F1); // not a navigation key
}

TEST_F(CollectionTest, EnterActivatesOnlyWhatIsSelectable) {
    walk(DOWNARROW, 3); // b
    b.disable(SELECTABILITY_UNCHANGED);
    EXPECT_EQ(key(ENTER), 0u);
    EXPECT_EQ(b.selectability, SELECTED); // nothing happened
    EXPECT_EQ(pane.focusStack.tos(), &list);
    b.enable(SELECTABILITY_UNCHANGED);
    EXPECT_EQ(key(CLICK), 0u);
    EXPECT_EQ(std::tuple(b.selectability, pane.focusStack.tos()), std::tuple(ACTIVE, &b));
    EXPECT_EQ(pane.selectionIndicator, nullptr); // activation removes the frame
    // The active box takes every key; released with event 0 it hands the focus back and
    // the list selects it again.
    EXPECT_EQ(key(DOWNARROW), 0u);
    b.defocus(0);
    EXPECT_EQ(std::tuple(pane.focusStack.tos(), b.selectability), std::tuple(&list, SELECTED));
    EXPECT_NE(pane.selectionIndicator, nullptr);
    // ESC closes it, and the close travels up the focus stack.
    key(ENTER);
    EXPECT_EQ(pane.focusStack.tos(), &b);
    EXPECT_EQ(key(ESC), 0u);
    EXPECT_TRUE(pane.focusStack.empty());
}

TEST_F(CollectionTest, RemovingTheCurrentChildMovesTheSelection) {
    walk(DOWNARROW, 3);
    ASSERT_EQ(list.currentObj(), &b);
    list.remove(&b);
    EXPECT_EQ(std::tuple(list.currentObj(), a.selectability), std::tuple(&a, SELECTED));
    EXPECT_EQ(b.parent, nullptr);
    EXPECT_TRUE(filled(30, 10, 15)); // erased
    EXPECT_TRUE(list.contains(&a) && !list.contains(&b));
    list.removeAll();
    EXPECT_EQ(list.currentObj(), nullptr);
    EXPECT_FALSE(list.contains(&c1));
    // Every child erased, and no selection frame left around c1 inside the removed group.
    EXPECT_EQ(count(R(0, 0, 319, 239), 0), 0);
}

TEST_F(GuiTest, ShowDrawsOnlyWhatWasNotOnScreenUnlessForced) {
    CountingDriver driver;
    TestPane pane(BBox(R(0, 0, 99, 99)), 15, &driver);
    theScreen.addLayer(&pane, nullptr, false);
    Box box(10, 10, 3);
    pane.add(&box);
    driver.reset();
    box.show(true, false);
    EXPECT_EQ(driver.writes, 0);
    box.show(true, true);
    EXPECT_GT(driver.writes, 0);
    box.show(false, false);
    EXPECT_EQ(count(R(10, 10, 19, 19), 15), 100);
    box.show(true, false);
    EXPECT_EQ(count(R(10, 10, 19, 19), 3), 100);
    // Hidden parents hide their children, and showing them again shows the children.
    pane.show(false, false);
    EXPECT_FALSE(box.visible());
    pane.show(true, false);
    EXPECT_TRUE(box.visible());
    theScreen.removeLayer(&pane);
    EXPECT_FALSE(box.visible()); // off the stack
}

// The dimmed look, and a dimmed collection's children, are pinned by the reference screen.
TEST_F(ObjTest, ColourSetWhileDimmedComesWithUndimming) {
    Box box(10, 10, 3);
    pane.add(&box);
    box.dim(true, true);
    box.setColor(12, true);
    EXPECT_TRUE(filled(10, 10, 7)); // only what undimming brings back
    box.dim(false, true);
    EXPECT_TRUE(filled(10, 10, 12));
}

TEST_F(ObjTest, InvertedAncestorsInvertTheBackground) {
    Collection outer(BBox(BBOX_FILL_PARENT), NOT_SELECTABLE, true);
    Collection inner(BBox(BBOX_FILL_PARENT), NOT_SELECTABLE, true);
    RectObj frame(BBox(At(10, 10), 20, 20), 0, 1, true, true, false);
    pane.add(&outer);
    outer.add(&inner);
    inner.add(&frame);
    bool inv;
    inner.inverted = true;
    EXPECT_EQ(std::tuple(frame.getParentBackground(inv), inv), std::tuple(0, true));
    outer.inverted = true; // twice inverted: as plain
    EXPECT_EQ(std::tuple(frame.getParentBackground(inv), inv), std::tuple(15, false));
    frame.draw(nullptr, true);
    EXPECT_EQ(row(10, 15, 6), "0fffff");
}

TEST_F(ObjTest, SelectionFrameIsARingLayerAboveTheObject) {
    Box a(50, 50, 12), b(100, 50, 12);
    pane.add(&a);
    pane.add(&b);
    a.select();
    auto* ring = static_cast<SelectionIndicator*>(pane.selectionIndicator);
    ASSERT_NE(ring, nullptr);
    // The look of the frame is pinned by the selection frame reference screen.
    EXPECT_EQ(std::tuple(pane.above, ring->layerRect), std::tuple(ring, R(46, 46, 63, 63)));
    // The hole belongs to the layer below: the object redraws inside the ring untouched.
    EXPECT_EQ(ring->overlaps(R(40, 52, 58, 58)), 1);
    EXPECT_EQ(pane.clip(R(50, 50, 59, 59)), 0);
    a.setColor(9, true);
    EXPECT_TRUE(filled(50, 50, 9));
    EXPECT_EQ(getPixel(47, 55), 0);
    {
        // A popup inside the ring's hole: when it goes, the object under the hole repaints.
        TestPane popup(BBox(R(52, 52, 57, 57)), 3);
        theScreen.addLayer(&popup, nullptr, false);
        EXPECT_EQ(getPixel(55, 55), 3);
        theScreen.removeLayer(&popup);
    }
    EXPECT_TRUE(filled(50, 50, 9));
    // Selecting another object moves the one frame there; the old ring is redrawn white.
    b.select();
    EXPECT_EQ(std::tuple(count(R(46, 46, 63, 63), 0), getPixel(97, 55)), std::tuple(0, 0));
    b.deselect();
    EXPECT_EQ(std::tuple(pane.selectionIndicator, theScreen.topLayer), std::tuple(nullptr, &pane));
    EXPECT_EQ(count(R(0, 0, 319, 239), 0), 0);
}

TEST_F(ObjTest, SharedObjectTakesTheStrongestLookAskedFor) {
    Box icon(10, 10, 3);
    pane.add(&icon);
    SharedObj shared(&icon);
    SharedObjRef r1(BBox(1, 1), &shared, true, false), r2(BBox(1, 1), &shared, true, false);
    addAll(pane, {&r1, &r2});
    r1.update();
    r2.update();
    r2.dim(true, true);
    EXPECT_TRUE(filled(10, 10, 7));
    r1.shown(false);
    EXPECT_EQ(shared.level, OPERABILITY_DIMMED);
    r2.shown(false);
    EXPECT_TRUE(filled(10, 10, 15));
    r1.shown(true);
    EXPECT_TRUE(filled(10, 10, 3));
}

class BlinkTest : public ObjTest {
protected:
    Box box{10, 10, 3};
    void SetUp() override {
        ObjTest::SetUp();
        startVirtualClock();
        pane.add(&box);
    }
    void TearDown() override { box.blinkStop(); }
    bool onScreen() { return filled(10, 10, 3); }
};

TEST_F(BlinkTest, OneTimerShowsAndHidesEverySecond) {
    Box other(40, 10, 3);
    pane.add(&other);
    box.blinkStart();
    other.blinkStart();
    EXPECT_EQ(box.blinkState, BLINKING);
    runFor(1999);
    EXPECT_TRUE(onScreen());
    runFor(1);
    EXPECT_TRUE(filled(40, 10, 15)); // both in step
    runFor(999);
    EXPECT_FALSE(onScreen());
    runFor(1);
    EXPECT_TRUE(onScreen());
    runFor(1000);
    EXPECT_FALSE(onScreen());
    other.blinkStop();
    EXPECT_TRUE(filled(40, 10, 3)); // stopped while hidden: shown again
}

TEST_F(BlinkTest, HiddenBlinkerResumesWhenShownAndStopsVisibly) {
    box.blinkStart();
    runFor(2000);
    EXPECT_FALSE(onScreen());
    box.hide();
    EXPECT_EQ(box.blinkState, BLINK_PENDING);
    EXPECT_TRUE(GraphicalObj::blinkList.blinkObjects.empty());
    runFor(5000);
    EXPECT_FALSE(onScreen());
    box.show(true, false);
    EXPECT_EQ(box.blinkState, BLINKING);
    EXPECT_TRUE(onScreen());
    bool seenHidden = false;
    for (int i = 0; i < 4 && !seenHidden; ++i) {
        runFor(500);
        seenHidden = !onScreen();
    }
    EXPECT_TRUE(seenHidden);
    box.blinkStop();
    EXPECT_TRUE(onScreen());
    EXPECT_LT(msUntilNextDelayedCallback(), 0); // no timer left once nobody blinks
}

} // namespace
