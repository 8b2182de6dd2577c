// The frame buffer and palette services, screenshots and the reference comparison itself.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>

#include "platform/display.h"
#include "platform/host/host_display.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/program_runner.h"
#include "tests/support/screen_compare.h"

namespace {
class DisplayTest : public GuiTest {
protected:
    std::string dir = makeTempDir();
};

TEST_F(DisplayTest, PixelsAreStoredTurnedByHalfATurn) {
    setPixel(0, 0, 5);
    EXPECT_EQ(frameBuffer[38399], 0x5F);
    setPixel(319, 239, 5);
    EXPECT_EQ(frameBuffer[0], 0xF5);
    setPixel(1, 0, 3);
    EXPECT_EQ(std::tuple(frameBuffer[38399], getPixel(1, 0)), std::tuple(0x53, 3));
    setPixel(320, 0, 0); // off the screen: ignored
    setPixel(-1, 5, 0);
    EXPECT_EQ(getPixel(320, 0), 0);
    for (int i = 1; i < 38399; ++i)
        ASSERT_EQ(frameBuffer[i], 0xFF) << i;
}

// Black and white of the default palette are pinned by every reference screen.
TEST_F(DisplayTest, PaletteEntriesBecomeScreenColours) {
    uint8_t rgb[3];
    paletteEntryToRgb(0x83FF, rgb); // red: green and blue complemented to nothing
    EXPECT_TRUE(rgb[0] == 255 && rgb[1] == 0 && rgb[2] == 0);
    // One entry changes, its neighbour in the same register stays.
    setCurrentPaletteEntry(14, 0xFFFF);
    setCurrentPaletteEntry(14, 0x8000);
    uint32_t pal[8];
    getPalette(pal);
    EXPECT_EQ(pal[7] & 0xFFFFu, 0x8000u);
    setCurrentPaletteEntry(15, 0xFFE0); // white shown as blue
    getPalette(pal);
    EXPECT_EQ(pal[7], 0xFFE08000u);
    setPixel(3, 4, 15);
    RgbImage img = hostScreenImage();
    const uint8_t* px = &img.rgb[(4 * 320 + 3) * 3];
    EXPECT_TRUE(px[0] == 0 && px[2] == 255);
}

TEST_F(DisplayTest, ReadDirectlyIntoFrameBuffer) {
    std::string path = dir + "/words";
    std::string data;
    for (int i = 0; i < 41; ++i)
        data += std::string("\x10\x32\x54\x76", 4);
    writeFile(path, data);
    FILE* f = fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    EXPECT_FALSE(readDirectlyIntoFrameBuffer(f, 0, 41, 0)); // more than one row
    EXPECT_EQ(getPixel(0, 0), 15);
    rewind(f);
    // Two words at word 41: row 1, columns 8 to 23; colour 3 is transparent.
    EXPECT_TRUE(readDirectlyIntoFrameBuffer(f, 41, 2, 0x13));
    EXPECT_EQ(row(7, 1, 18), "f012f4567012f4567f"); // 3 is transparent
    // Words past the end of the row are not drawn on the next row.
    rewind(f);
    EXPECT_TRUE(readDirectlyIntoFrameBuffer(f, 39, 3, 0));
    EXPECT_EQ(std::tuple(getPixel(319, 0), getPixel(0, 1)), std::tuple(7, 15));
    fclose(f);
    // The whole screen, and a file too short for it.
    std::string full;
    for (int i = 0; i < 9600; ++i)
        full += std::string("\x21\x43\x65\x87", 4);
    writeFile(path, full);
    f = fopen(path.c_str(), "rb");
    EXPECT_TRUE(readDirectlyIntoFrameBuffer(f, 0, 9600, 0));
    EXPECT_EQ(std::tuple(getPixel(0, 0), getPixel(7, 239)), std::tuple(1, 8));
    EXPECT_FALSE(readDirectlyIntoFrameBuffer(f, 0, 9600, 0));
    fclose(f);
}

TEST_F(DisplayTest, ScreenshotFileHoldsTheScreen) {
    setPixel(10, 20, 9);
    std::string path = dir + "/shot.png";
    std::string error;
    ASSERT_TRUE(hostScreenshot(path.c_str(), &error)) << error;
    RgbImage img;
    ASSERT_TRUE(readPng(path.c_str(), &img, &error)) << error;
    EXPECT_EQ(imageDifference(img, hostScreenImage()), 0); // -1 when the sizes differ
    EXPECT_FALSE(hostScreenshot((dir + "/no/such/dir/x.png").c_str(), &error));
    EXPECT_NE(error.find("cannot create"), std::string::npos);
    writeFile(dir + "/bad.png", "not a picture");
    EXPECT_FALSE(readPng((dir + "/bad.png").c_str(), &img, &error));
    // The smallest picture there is goes both ways; one without pixels is refused.
    RgbImage dot;
    dot.width = dot.height = 1;
    dot.rgb = {1, 2, 3};
    ASSERT_TRUE(writePng((dir + "/dot.png").c_str(), dot, &error)) << error;
    ASSERT_TRUE(readPng((dir + "/dot.png").c_str(), &img, &error)) << error;
    EXPECT_EQ(imageDifference(img, dot), 0);
    dot.width = 0;
    EXPECT_FALSE(writePng((dir + "/none.png").c_str(), dot, &error));
}

TEST_F(DisplayTest, MismatchWritesActualAndDifferenceImages) {
    if (getenv("FL_UPDATE_REFERENCES") != nullptr) GTEST_SKIP() << "would overwrite a reference";
    setPixel(100, 100, 0);
    ::testing::AssertionResult r = screenMatchesReference("selection_frame");
    EXPECT_FALSE(r);
    std::string base = testOutputDir() + "/selection_frame";
    struct stat st;
    EXPECT_EQ(stat((base + ".actual.png").c_str(), &st), 0);
    EXPECT_EQ(stat((base + ".diff.png").c_str(), &st), 0);
    EXPECT_NE(std::string(r.message()).find("pixels differ"), std::string::npos);
    EXPECT_FALSE(screenMatchesReference("no_such_reference"));
    EXPECT_NE(stat(TEST_REFERENCE_DIR "/no_such_reference.png", &st), 0); // never created
}

} // namespace
