// Planes opened and closed through the screen as the application does: placement on the
// layer stack, close codes and broadcasts, refocus of the owner, frames.
#include <gtest/gtest.h>

#include <vector>

#include "gui/plane.h"
#include "gui/rect_obj.h"
#include "gui/selection_indicator.h"
#include "tests/gui/gui_test_support.h"

namespace {
struct PlaneTest : GuiTest {
    TestPane main{BBox(R(0, 0, 319, 239)), 15};
    EventProbe mainItem{BBox(At(220, 40), 80, 16)};
    EventProbe mainOther{BBox(At(220, 70), 80, 16)};
    Plane plane{BBox(At(40, 40), 120, 80), FRAME_PLAIN, NOT_SELECTABLE};
    EventProbe a{BBox(At(10, 10), 40, 16)};
    EventProbe b{BBox(At(10, 40), 40, 16)};
    CloseObserver observer;
    void SetUp() override {
        GuiTest::SetUp();
        addAll(main, {&mainItem, &mainOther});
        addAll(plane, {&a, &b});
        theScreen.addLayer(&main, nullptr, false);
        main.focus();
        theScreen.dispatchUserEvent(DOWNARROW); // the main screen's selection moves on
    }
    void TearDown() override {
        plane.asyncDefocus(NOEVENT);
        delete static_cast<SelectionIndicator*>(main.selectionIndicator);
        main.selectionIndicator = nullptr;
        theScreen.removeLayer(&main);
    }
};

TEST_F(PlaneTest, OpensDirectlyAboveItsOwnerOrOnTop) {
    Plane top(BBox(At(200, 150), 100, 60), FRAME_PLAIN, NOT_SELECTABLE);
    top.popup(At(-1, -1), &main, false);
    plane.popup(At(20, 30), &main, false);
    // Directly above the main screen and its selection frame, under the other popup.
    EXPECT_EQ(plane.below, main.selectionIndicator);
    EXPECT_EQ(plane.selectionIndicator->above, &top);
    EXPECT_EQ(plane.getAbsRect(nullptr), R(20, 30, 139, 109)); // moved, same size
    plane.asyncDefocus(ESC);
    plane.popup(At(-1, -1), &main, true);
    EXPECT_EQ(plane.ownerLayer, &main);
    EXPECT_EQ(plane.above, plane.selectionIndicator); // its own frame only above it
    EXPECT_EQ(plane.above->above, nullptr);
    plane.asyncDefocus(ESC);
    top.asyncDefocus(ESC);
    EXPECT_EQ(theScreen.topLayer, main.selectionIndicator);
}

// The pass key is checked with the modal dialog.
TEST_F(PlaneTest, EscResultLeavesTheGuiAndEscCloses) {
    plane.popup(At(-1, -1), &main, false);
    plane.escResult = F5;
    EXPECT_EQ(theScreen.dispatchUserEvent(ESC), F5);
    EXPECT_TRUE(plane.layerIsActive());
    EXPECT_EQ(theScreen.dispatchUserEvent(F3), F3); // not consumed by a plain plane
    // ESC closes with "cancel", told once to every child; NOEVENT closes without a key.
    plane.escResult = ESCDEFAULT;
    plane.observer = &observer;
    EXPECT_EQ(theScreen.dispatchUserEvent(ESC), 0u);
    EXPECT_FALSE(plane.layerIsActive());
    EXPECT_EQ(a.seen, std::vector<UserEvent>{CLOSENO});
    EXPECT_EQ(b.seen, std::vector<UserEvent>{CLOSENO});
    EXPECT_EQ(theScreen.topLayer, main.selectionIndicator); // the owner's frame is back
    plane.popup(At(-1, -1), &main, false);
    plane.asyncDefocus(NOEVENT);
    EXPECT_EQ(observer.codes, (std::vector<NotificationEvent>{CloseCancelled, CloseWithoutKey}));
}

TEST_F(PlaneTest, FramesAndShadowsLieOutsideTheBox) {
    Plane thick(BBox(At(100, 100), 60, 40), 5, NOT_SELECTABLE);
    thick.popup(At(-1, -1), &main, false);
    EXPECT_EQ(thick.layerRect, R(98, 98, 161, 141));
    EXPECT_EQ(count(R(98, 98, 161, 141), 0) - count(R(101, 101, 158, 138), 0),
              area(R(98, 98, 161, 141)) - area(R(101, 101, 158, 138)));
    EXPECT_EQ(count(R(101, 101, 158, 138), 15), area(R(101, 101, 158, 138)));
    thick.asyncDefocus(ESC);
    // Shadows and rings look as the dialog reference screens show them.
    Plane shadow(BBox(At(100, 100), 60, 40), FRAME_SHADOW, NOT_SELECTABLE);
    shadow.popup(At(-1, -1), &main, false);
    EXPECT_EQ(shadow.layerRect, R(100, 100, 162, 142));
    // A popup over the shadow only: closing it redraws the shadow.
    Plane corner(BBox(At(161, 141), 20, 20), FRAME_NONE, NOT_SELECTABLE);
    corner.backgroundColor = 12;
    corner.popup(At(-1, -1), nullptr, true);
    EXPECT_EQ(getPixel(162, 142), 12);
    corner.asyncDefocus(ESC);
    EXPECT_EQ(getPixel(162, 142), DimColor);
    shadow.asyncDefocus(ESC);
}
} // namespace
