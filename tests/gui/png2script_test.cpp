// The boot-animation tool: pictures made into a start-up script, run by the script
// interpreter, must show exactly the pictures (the program's -startup option is run by the
// window test).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "core/application_task.h"
#include "core/framework.h"
#include "platform/display.h"
#include "platform/host/host_display.h"
#include "platform/platform.h"
#include "tests/support/program_runner.h"
#include "tests/support/screen_compare.h"
#include "tests/support/test_application.h"

namespace {
void box(RgbImage& img, int l, int t, int r, int b, uint32_t c) {
    for (int y = t; y <= b; ++y)
        for (int x = l; x <= r; ++x) {
            uint8_t* p = &img.rgb[(y * 320 + x) * 3];
            p[0] = c >> 16;
            p[1] = (c >> 8) & 0xFF;
            p[2] = c & 0xFF;
        }
}

RgbImage picture(uint32_t background) {
    RgbImage img;
    img.width = 320;
    img.height = 240;
    img.rgb.resize(320 * 240 * 3);
    box(img, 0, 0, 319, 239, background);
    return img;
}

class Png2ScriptTest : public ::testing::Test {
protected:
    std::string dir = makeTempDir();
    std::string script = dir + "/startupScript";
    void SetUp() override {
        installTestApplication();
        platformInit();
    }
    std::string save(const RgbImage& img, const std::string& name) {
        std::string path = dir + "/" + name;
        EXPECT_TRUE(writePng(path.c_str(), img));
        return path;
    }
    ProgramResult tool(std::vector<std::string> args) {
        ProgramRun run(std::move(args));
        run.argv0 = PNG2SCRIPT_BIN;
        run.program = PNG2SCRIPT_BIN;
        return runProgram(run);
    }
};

TEST_F(Png2ScriptTest, AnimationInTheDefaultColoursShowsEachPicture) {
    RgbImage first = picture(0xFFFFFF);
    box(first, 10, 10, 100, 60, 0x000000);    // black, at the top left
    box(first, 250, 200, 319, 239, 0xFF0000); // red, in the bottom right corner
    RgbImage second = first;
    box(second, 131, 100, 190, 140, 0x0000FF); // blue, not on 8-pixel columns
    ProgramResult r = tool(
        {"--delay", "50", script, save(first, "a.png"), "pause", "300", save(second, "b.png")});
    ASSERT_EQ(r.exitStatus, 0) << r.err;
    StartupScriptFileName = script.c_str();
    EXPECT_EQ(theApplication->paceStartup(false), 50u); // the first picture, then its delay
    EXPECT_EQ(imageDifference(hostScreenImage(), first), 0);
    EXPECT_EQ(theApplication->paceStartup(false), 300u);
    EXPECT_EQ(theApplication->paceStartup(false), 50u);
    EXPECT_EQ(imageDifference(hostScreenImage(), second), 0);
    EXPECT_EQ(theApplication->paceStartup(false), 0u);
    // Only the changed part was written for the second picture: two full screens would be
    // 76800 bytes.
    EXPECT_LT(std::filesystem::file_size(script), 38400u + 4000);
}

TEST_F(Png2ScriptTest, OwnColoursComeWithTheirPalette) {
    // Colours that five bits a component show exactly.
    const uint32_t teal = 0x108494, sand = 0xDEBD84, plum = 0x6B2963;
    RgbImage img = picture(sand);
    box(img, 0, 0, 319, 19, teal);
    box(img, 40, 60, 279, 179, plum);
    ProgramResult r = tool({"--restore-palette", script, save(img, "own.png")});
    ASSERT_EQ(r.exitStatus, 0) << r.err;
    StartupScriptFileName = script.c_str();
    EXPECT_EQ(theApplication->paceStartup(false), 100u);
    EXPECT_EQ(imageDifference(hostScreenImage(), img), 0);
    EXPECT_EQ(theApplication->paceStartup(false), 0u);
    uint32_t p[8];
    getPalette(p);
    EXPECT_EQ(p[0], DefaultPalette[0]); // put back at the end
}

TEST_F(Png2ScriptTest, PicturesItCannotShowAreRefused) {
    RgbImage many = picture(0xFFFFFF);
    for (int i = 0; i < 17; ++i)
        box(many, i * 10, 0, i * 10 + 9, 9, 0x080808 * (i + 1));
    ProgramResult r = tool({script, save(many, "many.png")});
    EXPECT_EQ(r.exitStatus, 1);
    EXPECT_NE(r.err.find("at most 16"), std::string::npos);
    RgbImage small;
    small.width = 10;
    small.height = 10;
    small.rgb.assign(300, 0);
    r = tool({script, save(small, "small.png")});
    EXPECT_EQ(r.exitStatus, 1);
    EXPECT_NE(r.err.find("not 320 x 240"), std::string::npos);
    EXPECT_EQ(tool({script, dir + "/missing.png"}).exitStatus, 1);
    EXPECT_EQ(tool({script, "pause", "x"}).exitStatus, 1);
    EXPECT_EQ(tool({script}).exitStatus, 2);
}
} // namespace
