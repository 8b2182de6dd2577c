// Layers: placement on the stack, exposure when a layer goes, dark mode, the drawing
// primitives and event dispatch down the stack. Inversion is pinned by the reference screens.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <utility>

#include "core/application_task.h"
#include "gui/rect_obj.h"
#include "tests/gui/gui_test_support.h"

namespace {
using LayerTest = GuiTest;

TEST_F(LayerTest, LayersGoWhereTheyAreAskedAndOnlyOnce) {
    TestPane a(BBox(R(10, 10, 100, 100)), 4), b(BBox(R(0, 0, 20, 20)), 9),
        c(BBox(R(0, 0, 9, 9)), 3);
    theScreen.addLayer(&a, nullptr, false);
    EXPECT_EQ(a.draws, 1);
    EXPECT_EQ(count(R(10, 10, 100, 100), 4), area(R(10, 10, 100, 100)));
    theScreen.addLayer(&b, nullptr, false); // on top
    theScreen.addLayer(&a, nullptr, false); // already active: nothing changes
    EXPECT_EQ(a.draws, 1);
    EXPECT_TRUE(theScreen.topLayer == &b && b.below == &a);
    theScreen.addLayer(&c, nullptr, true); // directly above the base layer
    EXPECT_EQ(layerStack(), (std::vector<Layer*>{&c, &a, &b}));
    theScreen.removeLayer(&c);
    theScreen.addLayer(&c, &a, false); // directly above a
    EXPECT_EQ(layerStack(), (std::vector<Layer*>{&a, &c, &b}));
    EXPECT_EQ(theScreen.topLayer, &b);
    theScreen.removeLayer(&a);
    EXPECT_FALSE(a.layerIsActive());
    theScreen.removeLayer(&b);
    EXPECT_TRUE(theScreen.topLayer == &c && layerStack() == std::vector<Layer*>{&c});
    theScreen.removeLayer(&c);
    EXPECT_EQ(theScreen.topLayer, &theScreen.baseLayer);
}

TEST_F(LayerTest, RemovingAPopupRedrawsExactlyWhatItCovered) {
    CountingDriver driver;
    TestPane back(BBox(R(0, 0, 319, 239)), 4, &driver);
    TestPane middle(BBox(R(20, 20, 199, 139)), 9, &driver);
    TestPane top(BBox(R(100, 60, 259, 179)), 12, &driver);
    theScreen.addLayer(&back, nullptr, false);
    theScreen.addLayer(&middle, nullptr, false);
    theScreen.addLayer(&top, nullptr, false);
    driver.reset();
    theScreen.removeLayer(&top);
    // Each uncovered pixel is written once, by the layer that owns it.
    EXPECT_EQ(driver.writes, area(R(100, 60, 259, 179)));
    EXPECT_EQ(driver.onceIn(R(100, 60, 259, 179)), area(R(100, 60, 259, 179)));
    ASSERT_EQ(middle.areas.size(), 1u);
    EXPECT_EQ(middle.areas[0], R(100, 60, 259, 179)); // who paints what: the popup reference
    // Exposure stops when the area is used up: the back layer is not asked.
    TestPane inside(BBox(R(50, 50, 80, 80)), 12);
    theScreen.addLayer(&inside, nullptr, false);
    int backDraws = back.draws;
    theScreen.removeLayer(&inside);
    EXPECT_EQ(back.draws, backDraws);
    EXPECT_EQ(middle.areas.back(), R(50, 50, 80, 80));
    // A layer that was not covered is not asked at all.
    TestPane aside(BBox(R(250, 200, 300, 230)), 1);
    theScreen.addLayer(&aside, nullptr, false);
    int middleDraws = middle.draws;
    theScreen.removeLayer(&aside);
    EXPECT_EQ(middle.draws, middleDraws);
    EXPECT_EQ(count(R(250, 200, 300, 230), 4), area(R(250, 200, 300, 230)));
}

std::set<std::pair<int, int>> inked() {
    std::set<std::pair<int, int>> s;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            if (getPixel(x, y) == 0) s.insert({x, y});
    return s;
}

TEST_F(LayerTest, DrawingStaysInsideTheClipRectangle) {
    Layer& l = theScreen.baseLayer;
    Rect clip = R(10, 10, 19, 19);
    l.clipRect = &clip;
    // (what is drawn, pixels inked inside the clip rectangle)
    std::pair<std::function<void()>, size_t> draws[] = {
        {[&] { l.fillRect(0, 0, 40, 40, 0); }, 100},
        {[&] { l.frameRect(R(5, 12, 30, 17), 0); }, 2 * 10},
        {[&] { l.line(At(0, 0), At(39, 39), 0); }, 10},
        {[&] { l.line(At(0, 15), At(39, 15), 0); }, 10},
        {[&] { l.line(At(15, 0), At(15, 39), 0); }, 10},
        {[&] { l.setPixel(9, 10, 0); }, 0},
    };
    for (auto& d : draws) {
        blankFrameBuffer();
        d.first();
        auto s = inked();
        EXPECT_EQ(s.size(), d.second);
        for (auto& p : s)
            EXPECT_TRUE(clip.pointInRect(p.first, p.second)) << p.first << "," << p.second;
    }
    l.clipRect = nullptr;
    // An object's own clip rectangle holds while it draws, and only then.
    TestPane pane(BBox(R(0, 0, 39, 39)), 15);
    theScreen.addLayer(&pane, nullptr, false);
    RectObj box(BBox(R(5, 5, 24, 24)), 0, 0, true, true, false);
    pane.add(&box);
    box.onLayer(&pane, &clip);
    blankFrameBuffer();
    box.draw(nullptr, true);
    EXPECT_EQ(inked().size(), 100u);
    EXPECT_EQ(pane.clipRect, nullptr);
    // Erasing the interior leaves the one-pixel edge.
    blankFrameBuffer();
    pane.fillRect(R(0, 0, 39, 39), 0);
    box.eraseInterior(R(30, 30, 39, 39), 15);
    EXPECT_EQ(count(R(30, 30, 39, 39), 15), 64);
    EXPECT_EQ(count(R(31, 31, 38, 38), 15), 64);
    theScreen.removeLayer(&pane);
}

TEST_F(LayerTest, EventsGoDownTheStackUntilConsumedOrStopped) {
    TestPane lower(BBox(R(0, 0, 99, 99)), 15), upper(BBox(R(0, 0, 49, 49)), 15);
    theScreen.addLayer(&lower, nullptr, false);
    theScreen.addLayer(&upper, nullptr, false);
    EventProbe low(BBox(1, 1)), passOn(BBox(1, 1)), stopper(BBox(1, 1), true, ENTER | EventStopBit);
    lower.focusStack.push(&low);
    upper.focusStack.push(&passOn);
    EXPECT_EQ(theScreen.dispatchUserEvent(DOWNARROW), DOWNARROW);
    EXPECT_EQ(low.seen, std::vector<UserEvent>{DOWNARROW});
    upper.focusStack.push(&stopper); // innermost first
    EXPECT_EQ(theScreen.dispatchUserEvent(ESC), ENTER);
    EXPECT_EQ(stopper.seen, std::vector<UserEvent>{ESC});
    EXPECT_EQ(passOn.seen, std::vector<UserEvent>{DOWNARROW}); // the stop bit ended the walk
    EXPECT_EQ(low.seen.size(), 1u);
    stopper.reply = 0;
    EXPECT_EQ(theScreen.dispatchUserEvent(ESC), 0u);
    EXPECT_EQ(low.seen.size(), 1u);
    // An application that does not handle keys itself hands them to the screen.
    struct PlainApp : ApplicationTask {
        void onStartup() override {}
    } app;
    app.handleUserEvent(LEFTARROW);
    EXPECT_EQ(stopper.seen, (std::vector<UserEvent>{ESC, ESC, LEFTARROW}));
    theScreen.removeLayer(&upper);
    theScreen.removeLayer(&lower);
    EXPECT_EQ(theScreen.dispatchUserEvent(ESC), ESC); // the base layer is never offered keys
}

TEST_F(LayerTest, DarkModeRefusesDrawingAndRemembersIt) {
    TestPane pane(BBox(R(0, 0, 49, 49)), 15);
    theScreen.addLayer(&pane, nullptr, false);
    RectObj box(BBox(At(5, 5), 10, 10), 0, 0, true, true, false);
    pane.add(&box);
    EXPECT_EQ(count(R(5, 5, 14, 14), 0), 100);
    pane.inhibitDrawing(true);
    pane.inhibitDrawing(true);
    box.setColor(9, true);
    EXPECT_EQ(count(R(5, 5, 14, 14), 0), 100);
    EXPECT_TRUE(pane.isRedrawRequired());
    pane.inhibitDrawing(false);
    EXPECT_FALSE(pane.isNotDarkMode(false)); // still one inhibition left
    pane.inhibitDrawing(false);
    EXPECT_TRUE(pane.isNotDarkMode(true) && !pane.isRedrawRequired());
    box.draw(nullptr, true);
    EXPECT_EQ(count(R(5, 5, 14, 14), 9), 100);
}
} // namespace
