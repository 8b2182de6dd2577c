// Setting data: start-up seeding from the hardware, pushing changes back, the volume click,
// the contrast adjustment and the unit-system setting.
#include <gtest/gtest.h>

#include "core/framework.h"
#include "data/settings.h"
#include "data/units.h"
#include "platform/host/host_coproc.h"
#include "platform/host/host_io.h"
#include "platform/io_services.h"
#include "tests/support/test_application.h"

namespace {
// The emulated co-processor once it has received everything sent to it.
EmulatedCoprocessor& coprocessor() {
    waitForMSPqueueEmpty();
    return hostCoprocessor();
}

TEST(SettingsTest, StartupSeedsFromTheHardwareWithoutAClickAtFirst) {
    installTestApplication();
    // What the co-processor reported.
    setMSPcmdField(0, MFT_BacklightLevel, 2000);
    setMSPcmdField(0, MFT_BuzzerVolume, 9);
    setMSPcmdField(0, MFT_KeyClickDisabled, 1);
    hostSetBoardRevision(7);
    FW.onStartup();
    EXPECT_EQ(Backlight.getValue(), 2000);
    EXPECT_EQ(KeyClickEnable.getValue(), 0);
    EXPECT_EQ(HWrevision.getValue(), 7);
    EXPECT_EQ(coprocessor().keyClicks, 0u); // 9 from the initial last volume 128: no click
    EXPECT_EQ(getBuzzerVolume(), 9);
}

TEST(SettingsTest, ChangesArePushedToTheHardware) {
    Backlight.setValue(1234);
    EXPECT_EQ(coprocessor().backlightLevel(), 1234u);
    KeyClickEnable.setValue(0);
    EXPECT_FALSE(coprocessor().keyClickEnabled());
    KeyClickEnable.setValue(1);
    EXPECT_TRUE(coprocessor().keyClickEnabled());
    Contrast.setValue(-37.8);
    EXPECT_EQ(coprocessor().contrast(), _getTempAdjContrast(10000, -37)); // truncated
    Contrast.setValue(150);
    backgroundContrastAdjust();
    EXPECT_EQ(coprocessor().contrast(), _getTempAdjContrast(10000, 150));
}

TEST(SettingsTest, VolumeStepsOfOneClick) {
    Volume.setValue(12); // from 128: no click
    EXPECT_EQ(coprocessor().keyClicks, 0u);
    EXPECT_EQ(coprocessor().volume(), 12);
    Volume.setValue(11);
    EXPECT_EQ(coprocessor().keyClicks, 1u);
    Volume.setValue(11, true, true); // the same level again clicks too
    EXPECT_EQ(coprocessor().keyClicks, 2u);
    Volume.setValue(5);
    EXPECT_EQ(coprocessor().keyClicks, 2u);

    VolumeChange.notify(VolumeFeedbackOffEvent, nullptr);
    Volume.setValue(6);
    EXPECT_EQ(coprocessor().volume(), 5); // suspended: nothing reaches the buzzer
    VolumeChange.notify(VolumeFeedbackOnEvent, nullptr);
    EXPECT_EQ(coprocessor().volume(), 6); // resumed, without a click (from 128)
    EXPECT_EQ(coprocessor().keyClicks, 2u);
}

TEST(SettingsTest, UnitSystemSetting) {
    struct App : TestApplication {
        std::vector<std::pair<bool, bool>> changes; // (language, units)
        void onLanguageUnitsChange(bool language, bool units) override {
            changes.push_back({language, units});
        }
    } app;
    theApplication = &app;
    UnitsListBoxData units;
    units.setInitialValue(ImperialSystem);
    EXPECT_EQ(CurrentUnitSystem, ImperialSystem);
    TestApplication widget;
    units.registerInterest(&widget);
    units.setValue(0); // ignored entirely
    EXPECT_EQ(units.getValue(), ImperialSystem);
    units.setValue(MetricSystem);
    units.setValue(MetricSystem); // unchanged: the application is not told again
    EXPECT_EQ(CurrentUnitSystem, MetricSystem);
    EXPECT_EQ(app.changes, (std::vector<std::pair<bool, bool>>{{false, true}}));
    EXPECT_EQ(widget.notifications.size(), 1u);
}
} // namespace
