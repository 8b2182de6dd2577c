// Keys pressed on the emulated co-processor reach the application through the keypad poll,
// with release reporting, auto-repeat and clicks; the key script's press and release.
#include <gtest/gtest.h>

#include "core/framework.h"
#include "core/keypad.h"
#include "platform/arm9.h"
#include "platform/io_services.h"
#include "tests/platform/coproc_test_support.h"
#include "tests/support/test_application.h"

namespace {
constexpr uint32_t EscKey = 1u << 14;
constexpr uint32_t DownKey = 1u << 10;

class KeysTest : public CoprocessorTest {
protected:
    TestApplication* app = nullptr;
    void SetUp() override {
        CoprocessorTest::SetUp();
        app = &installTestApplication();
        ARM9_platformInit();
        sent();
        resetKeypadBuffer();
        setKeypadChangeCallback(FW_keypadMgr, 0);
        setKeypadReportReleaseKeys(2, EnterKey);
    }
};

TEST_F(KeysTest, PressesAndReleasesArriveWithThePoll) {
    coprocessor.pressKeys(EnterKey);
    runLink(5);
    EXPECT_TRUE(app->events.empty()); // not before the next poll
    runLink(20);
    coprocessor.releaseKeys(EnterKey);
    coprocessor.pressKeys(EscKey);
    runLink(25);
    coprocessor.releaseKeys(EscKey);
    coprocessor.turnDial(3);
    runLink(25);
    // ESC's press and ENTER's release came in one packet: the lower bit first.
    EXPECT_EQ(app->events, (std::vector<UserEvent>{ENTER, ESC, ENTER + KeyReleaseBit, DIALCW}));
    EXPECT_EQ(coprocessor.keyClicks, 2u); // automatic clicks are on after the start
}

TEST_F(KeysTest, APressBetweenTwoPollsIsNotLost) {
    coprocessor.pressKeys(EnterKey);
    coprocessor.releaseKeys(EnterKey);
    runLink(50);
    EXPECT_EQ(app->events, (std::vector<UserEvent>{ENTER, ENTER + KeyReleaseBit}));
}

TEST_F(KeysTest, HeldKeysRepeatOnlyWhenAskedTo) {
    setKeypadAutoRepeatKeys(DownKey);
    runLink(20);
    coprocessor.pressKeys(DownKey | EscKey);
    runLink(1000);
    coprocessor.releaseKeys(DownKey | EscKey);
    runLink(100);
    // Down: at once, after 500 ms, then every 100 ms (one poll later each time it shows
    // released); ESC once.
    int downs = 0, escs = 0;
    for (UserEvent e : app->events) {
        downs += e == DOWNARROW;
        escs += e == ESC;
    }
    EXPECT_EQ(downs, 6);
    EXPECT_EQ(escs, 1);
    EXPECT_EQ(app->events.size(), 7u); // no releases: not reported for these keys
}

TEST(KeyScriptTest, PressAndReleaseGoThroughTheCoprocessor) {
    std::string dir = makeTempDir();
    ProgramResult r = runProgram(ProgramRun(
        {"--virtual-time", "--state", dir, "--keys", "-"},
        "press ENTER\nwait 100\nrelease ENTER\npress ESC\nrelease ESC\nwait 100\nquit\n"));
    EXPECT_EQ(r.exitStatus, 0) << r.err;
    EXPECT_NE(r.out.find("sound: click (volume 8)\nkey ENTER\nsound: click (volume 8)\nkey ESC\n"),
              std::string::npos)
        << r.out;

    r = runProgram(ProgramRun({"--state", dir, "--keys", "-"}, "press PAGEUP\nrelease\nquit\n"));
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_NE(r.err.find("keys:1: press PAGEUP: no key on the keypad gives this event"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("keys:2: release: needs a key name"), std::string::npos) << r.err;
}
} // namespace
