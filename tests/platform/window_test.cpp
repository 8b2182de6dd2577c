// The program in a window, run under SDL's offscreen video driver: the PC's keys reach it
// as keypad keys and dial turns, the window shows the screen scaled up pixel for pixel, and
// closing the window ends the program as the power key does.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/host/host_png.h"
#include "tests/support/program_runner.h"

namespace {
ProgramResult runInWindow(const std::vector<std::string>& args, const std::string& keys) {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    // The libraries SDL loads and unloads at run time keep allocations that the leak
    // checker of a sanitizer build can no longer attribute; the window's own code frees
    // what it takes.
    setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
    std::vector<std::string> all{"--display", "sdl", "--virtual-time", "--keys", "-"};
    all.insert(all.end(), args.begin(), args.end());
    return runProgram(ProgramRun(all, keys));
}
} // namespace

TEST(WindowTest, KeysReachTheProgramAndClosingEndsIt) {
    // SDL's key names and the keypad events they stand for.
    const std::pair<const char*, const char*> keys[] = {
        {"Up", "UPARROW"},     {"Down", "DOWNARROW"},
        {"Left", "LEFTARROW"}, {"Right", "RIGHTARROW"},
        {"Return", "ENTER"},   {"Keypad Enter", "ENTER"},
        {"Escape", "ESC"},     {"Space", "CLICK"},
        {"F1", "F1"},          {"F6", "F6"},
        {"PageUp", "DIALCW"},  {"PageDown", "DIALCCW"},
        {"C", "CIRCLEARROW"},  {"A", "ACK"},
        {"X", nullptr}};
    std::string script = "wait 200\n", expected;
    for (const auto& k : keys) {
        script += std::string("window-key ") + k.first + "\nwait 60\n";
        if (k.second != nullptr) expected += std::string("key ") + k.second + "\n";
    }
    ProgramResult r = runInWindow({}, script + "window-close\nwait 1000\nENTER\n");
    EXPECT_EQ(r.exitStatus, 0) << r.err;
    EXPECT_NE(r.out.find(expected + "key PWRKEY\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("key ENTER\nJ1939"), std::string::npos); // nothing after the close
}

// A start-up script record filling a rectangle (screen coordinates) with a colour.
std::string fillRecord(uint16_t x, uint16_t y, uint16_t w, uint16_t h, uint16_t colour) {
    std::string r{4, 0, 10, 0, 0, 0};
    for (uint16_t v : {x, y, w, h, colour})
        r += std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
    return r;
}

TEST(WindowTest, TheWindowShowsTheScreenScaled) {
    std::string dir = makeTempDir();
    writeFile(dir + "/startup", fillRecord(10, 20, 100, 50, 6) + fillRecord(200, 100, 50, 80, 2));
    ProgramResult r =
        runInWindow({"--scale", "2", "-startup", dir + "/startup"},
                    "wait 500\nscreenshot " + dir + "/screen.png\nwindow-screenshot " + dir +
                        "/window.png\nquit\n");
    ASSERT_EQ(r.exitStatus, 0) << r.err;
    RgbImage screen, window;
    ASSERT_TRUE(readPng((dir + "/screen.png").c_str(), &screen));
    ASSERT_TRUE(readPng((dir + "/window.png").c_str(), &window));
    ASSERT_EQ(window.width, 2 * screen.width);
    ASSERT_EQ(window.height, 2 * screen.height);
    int coloured = 0, wrong = 0;
    for (int y = 0; y < window.height; ++y)
        for (int x = 0; x < window.width; ++x)
            for (int c = 0; c < 3; ++c) {
                coloured += window.rgb[(y * window.width + x) * 3 + c] != 0xFF;
                wrong += window.rgb[(y * window.width + x) * 3 + c] !=
                         screen.rgb[((y / 2) * screen.width + x / 2) * 3 + c];
            }
    EXPECT_GT(coloured, 4 * 5000); // the two rectangles at least
    EXPECT_EQ(wrong, 0);
}

TEST(WindowTest, BadScalesAndMissingDisplaysAreRefused) {
    for (const char* scale : {"0", "9", "2x", ""}) {
        ProgramResult r = runInWindow({"--scale", scale}, "quit\n");
        EXPECT_EQ(r.exitStatus, 2) << scale;
        EXPECT_NE(r.err.find("--scale"), std::string::npos) << r.err;
    }
    setenv("SDL_VIDEODRIVER", "nonexistent", 1);
    ProgramResult r = runProgram(ProgramRun({"--display", "sdl", "--keys", "-"}, "quit\n"));
    EXPECT_EQ(r.exitStatus, 2);
    EXPECT_NE(r.err.find("--display sdl: cannot open a window"), std::string::npos) << r.err;
}
