// Helpers for GUI tests: a driver that counts what reaches the screen, objects that record
// the events and close codes they are given, the usual button, and a fixture that starts from a
// white screen with the default palette, and one with a white pane on it (scene parts are in
// gui_scene.h).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/notifiable.h"
#include "gui/application_gui.h"
#include "gui/button.h"
#include "gui/collection.h"
#include "gui/layer.h"
#include "gui/rect_obj.h"
#include "gui/selection_indicator.h"
#include "platform/display.h"
#include "tests/support/gui_scene.h"
#include "tests/support/virtual_time.h"

inline Rect R(int l, int t, int r, int b) {
    return Rect(At(l, t), At(r, b));
}

// A box placed from the top margin of its parent, such as below a dialog's title.
inline BBox below(int32_t x, int32_t y, int32_t w, int32_t h) {
    return BBox(RefPoint(At(x, y), HREF_LEFT, VREF_TOP_MARGIN),
                RefPoint(At(w - 1, h - 1), HREF_WIDTH, VREF_HEIGHT));
}

// Names for the items of lists.
constexpr const char* SystemNames[] = {
    "Engine",  "Transmission", "Brakes",      "Steering", "Instruments", "Body",       "Lights",
    "Climate", "Doors",        "Seats",       "Mirrors",  "Wipers",      "Hydraulics", "Implement",
    "Hitch",   "Telematics",   "Fuel system", "Exhaust",  "Cooling",     "Battery"};

// Counts the pixels written through it, per screen position.
class CountingDriver : public DisplayDriver {
public:
    void setPixel(long x, long y, Color c) override {
        ++writes;
        if (x >= 0 && y >= 0 && x < ScreenWidth && y < ScreenHeight)
            ++perPixel[y * ScreenWidth + x];
        DisplayDriver::setPixel(x, y, c);
    }
    void reset() {
        writes = 0;
        perPixel.assign(ScreenWidth * ScreenHeight, 0);
    }
    // How many pixels of r were written exactly once.
    long onceIn(const Rect& r) const {
        long n = 0;
        for (long y = r.top(); y <= r.bottom(); ++y)
            for (long x = r.left(); x <= r.right(); ++x)
                n += perPixel[y * ScreenWidth + x] == 1;
        return n;
    }
    long writes = 0;
    std::vector<int> perPixel = std::vector<int>(ScreenWidth * ScreenHeight, 0);
};

// A box that records the events it is given and answers with reply (PassOn: the event).
class EventProbe : public RectObj {
public:
    static constexpr UserEvent PassOn = 1;
    explicit EventProbe(const BBox& b, bool selectable = true, UserEvent r = PassOn)
        : RectObj(b, 0, 1, true, true, selectable), reply(r) {}
    UserEvent handleUserEvent(UserEvent e) override {
        seen.push_back(e);
        return reply == PassOn ? e : reply;
    }
    UserEvent reply;
    std::vector<UserEvent> seen;
};

// The usual button: enabled, raised and momentary, its text in the normal font.
struct PushButton : TextualButton {
    PushButton(const BBox& b, ButtonAction* a, const char* key)
        : TextualButton(b, a, key, 0, 1, nullptr, true, false, BUTTON_MOMENTARY) {}
};

// Records the codes it is notified of, such as how a dialog closed.
struct CloseObserver : Notifiable {
    std::vector<NotificationEvent> codes;
    void notify(NotificationEvent e, Data*) override { codes.push_back(e); }
};

class GuiTest : public ::testing::Test {
protected:
    void SetUp() override {
        setPalette(nullptr);
        blankFrameBuffer();
    }
    // Number of pixels of colour c inside r.
    static long count(const Rect& r, Color c) {
        long n = 0;
        for (long y = r.top(); y <= r.bottom(); ++y)
            for (long x = r.left(); x <= r.right(); ++x)
                if (getPixel(x, y) == c) ++n;
        return n;
    }
    static long area(const Rect& r) { return static_cast<long>(r.width()) * r.height(); }
    // Keys through the screen in turn, each followed by settleMs on the virtual clock.
    static void keys(std::initializer_list<UserEvent> es, uint32_t settleMs = 0) {
        for (UserEvent e : es) {
            theScreen.dispatchUserEvent(e);
            if (settleMs > 0) runFor(settleMs);
        }
    }
    // The layers above the base layer, bottom up.
    static std::vector<Layer*> layerStack() {
        std::vector<Layer*> s;
        for (Layer* l = theScreen.baseLayer.above; l != nullptr; l = l->above)
            s.push_back(l);
        return s;
    }
    static void addAll(Collection& c, std::initializer_list<GraphicalObj*> objs) {
        for (GraphicalObj* o : objs)
            c.add(o);
    }
    // The colours of n pixels from (x, y) rightwards, as hex digits.
    static std::string row(long x, long y, int n) {
        std::string s;
        for (long i = 0; i < n; ++i)
            s += "0123456789abcdef"[getPixel(x + i, y) & 15];
        return s;
    }
};

// A white full-screen pane on the screen; its selection frame goes with the test.
class PaneTest : public GuiTest {
protected:
    TestPane pane{BBox(R(0, 0, 319, 239)), 15};
    void SetUp() override {
        GuiTest::SetUp();
        theScreen.addLayer(&pane, nullptr, false);
    }
    void TearDown() override { delete static_cast<SelectionIndicator*>(pane.selectionIndicator); }
    static UserEvent key(UserEvent e) { return theScreen.dispatchUserEvent(e); }
};
