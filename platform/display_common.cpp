// Frame-buffer pixel access and palette packing, the same on device and host: only where
// frameBuffer and the palette registers live differs.
#include "platform/display.h"
#include "platform/platform.h"

const uint32_t DefaultPalette[PaletteWords] = {
    0xF7BDFFFFu, 0xE739EF7Bu, 0xD6B5DEF7u, 0xDEF7CE73u,
    0x83FFB9CEu, 0xA108A94Au, 0x9084FFE0u, 0x80008842u,
};

namespace {
inline long pixelByte(long x, long y) {
    return (76799 - (320 * y + x)) / 2;
}
} // namespace

void setPixel(long x, long y, Color c) {
    if (--RT_pixelCountDown <= 0) realTimeDriverHook();
    if (x < 0 || y < 0 || x >= ScreenWidth || y >= ScreenHeight) return;
    uint8_t& b = frameBuffer[pixelByte(x, y)];
    if (x & 1)
        b = static_cast<uint8_t>((b & 0xF0) | (c & 0x0F));
    else
        b = static_cast<uint8_t>((b & 0x0F) | ((c & 0x0F) << 4));
}

Color getPixel(long x, long y) {
    if (x < 0 || y < 0 || x >= ScreenWidth || y >= ScreenHeight) return 0;
    uint8_t b = frameBuffer[pixelByte(x, y)];
    return (x & 1) ? (b & 0x0F) : (b >> 4);
}

void blankFrameBuffer() {
    uint32_t* w = reinterpret_cast<uint32_t*>(frameBuffer);
    for (int i = 0; i < FrameBufferWords; ++i)
        w[i] = 0xFFFFFFFFu;
}

void setPaletteEntryPair(uint32_t* p, unsigned char index, uint32_t even, uint32_t odd) {
    p[(index & 0x0E) >> 1] = (even & 0xFFFFu) | ((odd & 0xFFFFu) << 16);
}
