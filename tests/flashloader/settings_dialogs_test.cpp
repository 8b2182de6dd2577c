// The settings dialogs as a user reaches them: the circle-arrow key opens speaker,
// backlight and contrast in turn and closes the last; the arrows change the setting at
// once; ESC, ENTER or CLICK closes the open dialog and starts the cycle again.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/program_runner.h"
#include "tests/support/screen_compare.h"

namespace {
RgbImage shot(const std::string& dir, const std::string& name) {
    RgbImage img;
    EXPECT_TRUE(readPng((dir + "/" + name + ".png").c_str(), &img)) << name;
    return img;
}
} // namespace

// A closed dialog leaves its pixels on a screen with nothing beneath it, so closing shows
// in what the keys do afterwards: arrows change nothing, and the cycle starts again.
TEST(SettingsDialogsTest, CircleArrowCyclesAndClosingKeysEndTheCycle) {
    std::string dir = makeTempDir();
    auto screenshot = [&](const char* name) {
        return "wait 100\nscreenshot " + dir + "/" + name + ".png\n";
    };
    std::string keys = screenshot("start") + "CIRCLEARROW\n" + screenshot("speaker") +
                       "UPARROW\nDIALCW\nDOWNARROW\nUPARROW\n" + screenshot("louder") +
                       "CIRCLEARROW\n" + screenshot("backlight") + "CIRCLEARROW\n" +
                       screenshot("contrast") + "CIRCLEARROW\nUPARROW\n" + "CIRCLEARROW\n" +
                       screenshot("reopened") + "ESC\nUPARROW\nCIRCLEARROW\n" +
                       screenshot("afterEsc") + "quit\n";
    ProgramResult r =
        runProgram(ProgramRun({"--virtual-time", "--keys", "-", "--state", dir + "/state"}, keys));
    ASSERT_EQ(r.exitStatus, 0) << r.err;
    EXPECT_TRUE(imageMatchesReference(shot(dir, "start"), "screens_main_no_stick"));
    EXPECT_TRUE(imageMatchesReference(shot(dir, "speaker"), "settings_speaker"));
    EXPECT_TRUE(imageMatchesReference(shot(dir, "louder"), "settings_speaker_louder"));
    EXPECT_TRUE(imageMatchesReference(shot(dir, "backlight"), "settings_backlight"));
    EXPECT_TRUE(imageMatchesReference(shot(dir, "contrast"), "settings_contrast"));
    EXPECT_EQ(imageDifference(shot(dir, "reopened"), shot(dir, "louder")), 0);
    EXPECT_EQ(imageDifference(shot(dir, "afterEsc"), shot(dir, "louder")), 0);
}
