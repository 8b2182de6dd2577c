// Keypad states and the dial become UserEvent codes at the application.
#include <gtest/gtest.h>

#include "core/framework.h"
#include "core/keypad.h"
#include "platform/io_services.h"
#include "tests/support/test_application.h"

namespace {
class KeypadTest : public ::testing::Test {
protected:
    TestApplication* app = nullptr;
    void SetUp() override {
        app = &installTestApplication();
        setKeypadChangeCallback(FW_keypadMgr, 0);
    }
    std::vector<UserEvent>& events() { return app->events; }
};

constexpr uint32_t EnterBit = 1u << 15;
constexpr uint32_t RightBit = 1u << 0;
constexpr uint32_t ClickBit = 1u << 1;

TEST_F(KeypadTest, PressReportedReleaseOnlyWhenAskedTwoKeysLowerBitFirst) {
    _setKeypadState_(EnterBit);
    _setKeypadState_(0);
    EXPECT_EQ(events(), (std::vector<UserEvent>{ENTER}));
    setKeypadReportReleaseKeys(0, EnterBit);
    _setKeypadState_(EnterBit);
    _setKeypadState_(0);
    EXPECT_EQ(events(), (std::vector<UserEvent>{ENTER, ENTER, 269}));
    setKeypadReportReleaseKeys(1, EnterBit);
    _setKeypadState_(EnterBit | RightBit);
    _setKeypadState_(EnterBit | RightBit); // no change, nothing reported
    EXPECT_EQ(events(), (std::vector<UserEvent>{ENTER, ENTER, 269, RIGHTARROW, ENTER}));
    _setKeypadState_(0);
    EXPECT_EQ(events().size(), 5u);
}

// The dial steps across the counter's wrap; a keypad packet holds keys, dial and inputs.
TEST_F(KeypadTest, DialAndKeypadPacket) {
    _setDialCounter_(250);
    events().clear();
    _setDialCounter_(3);
    _setDialCounter_(250);
    _setDialCounter_(250);
    _setDialCounter_(0);
    EXPECT_EQ(_decodeKeypadPkt_(0xA5018000u), 0x8000u);
    EXPECT_EQ(getBulkDin(), 0x5u);
    EXPECT_EQ(getDialCounter(), 1);
    EXPECT_EQ(events(), (std::vector<UserEvent>{DIALCW, DIALCCW, DIALCW, DIALCW}));
    EXPECT_EQ(_resetKeypadPkt_(0xA5018000u), 0xA5010000u);
}

// Key scripts inject presses through the scan code of an event; a release follows if asked.
TEST_F(KeypadTest, InjectedPressIsReportedLikeARealOne) {
    EXPECT_FALSE(injectKeyPress(PAGEUP));
    EXPECT_TRUE(injectKeyPress(CIRCLEARROW));
    EXPECT_EQ(events(), (std::vector<UserEvent>{CIRCLEARROW}));
    setKeypadReportReleaseKeys(0, mapToScanCode(CIRCLEARROW));
    EXPECT_TRUE(injectKeyPress(CIRCLEARROW));
    EXPECT_EQ(events(), (std::vector<UserEvent>{CIRCLEARROW, CIRCLEARROW, CIRCLEARROW + 0x100}));
    EXPECT_EQ(getKeypadState(), 0u);
}

TEST_F(KeypadTest, DisablingTheKeypadInAHandlerStopsTheRestOfTheChange) {
    struct Disabler : TestApplication {
        void handleUserEvent(UserEvent e) override {
            events.push_back(e);
            FW_enableKeypad(false);
        }
    } d;
    theApplication = &d;
    _setKeypadState_(EnterBit | RightBit);
    EXPECT_EQ(d.events, (std::vector<UserEvent>{RIGHTARROW}));
    _setKeypadState_(0);
    _setKeypadState_(ClickBit);
    EXPECT_EQ(d.events.size(), 1u);
    FW_enableKeypad(true);
    _setKeypadState_(0);
    _setKeypadState_(ClickBit);
    EXPECT_EQ(d.events, (std::vector<UserEvent>{RIGHTARROW, CLICK}));
}
} // namespace
