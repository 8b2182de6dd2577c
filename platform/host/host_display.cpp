// Host frame buffer: plain memory in place of the LCD controller's, and screenshots of it
// through the palette registers.
#include "platform/host/host_display.h"

#include <cstdio>
#include <cstring>

#include "platform/display.h"
#include "platform/host/host_keyscript.h"

namespace {
alignas(4) uint8_t hostFrameBuffer[FrameBufferBytes];
} // namespace

uint8_t* frameBuffer = hostFrameBuffer;

RgbImage hostScreenImage() {
    RgbImage img;
    img.width = ScreenWidth;
    img.height = ScreenHeight;
    img.rgb.resize(static_cast<size_t>(ScreenWidth) * ScreenHeight * 3);
    uint32_t palette[PaletteWords];
    getPalette(palette);
    uint8_t colours[16][3];
    for (int i = 0; i < 16; ++i)
        paletteEntryToRgb(palette[i / 2] >> (16 * (i & 1)), colours[i]);
    uint8_t* out = img.rgb.data();
    for (long y = 0; y < ScreenHeight; ++y)
        for (long x = 0; x < ScreenWidth; ++x, out += 3)
            memcpy(out, colours[getPixel(x, y)], 3);
    return img;
}

bool hostScreenshot(const char* path, std::string* error) {
    return writePng(path, hostScreenImage(), error);
}

namespace {
const char* checkScreenshot(const char* arg) {
    return *arg == '\0' ? "screenshot needs a file name" : nullptr;
}

void runScreenshot(const char* arg) {
    std::string error;
    if (!hostScreenshot(arg, &error)) fprintf(stderr, "screenshot: %s\n", error.c_str());
}
} // namespace

void hostRegisterScreenshotCommand() {
    static bool registered = false;
    if (registered) return;
    registered = hostKeyScriptAddCommand({"screenshot", checkScreenshot, runScreenshot});
}
