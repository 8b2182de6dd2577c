// Frame-buffer pixel access, the palette registers and palette packing, the same on device
// and host: only where frameBuffer and the I/O window live differs.
#include "platform/display.h"
#include "platform/io_regs.h"
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

void setPalette(const uint32_t* p) {
    if (p == nullptr) p = DefaultPalette;
    for (int i = 0; i < PaletteWords; ++i)
        ioWrite32(IO_Palette + 4 * i, p[i]);
}

void getPalette(uint32_t* p) {
    for (int i = 0; i < PaletteWords; ++i)
        p[i] = ioRead32(IO_Palette + 4 * i);
}

void setCurrentPaletteEntry(unsigned char index, uint32_t entry) {
    uint32_t reg = IO_Palette + 4 * ((index & 0x0F) >> 1);
    uint32_t w = ioRead32(reg);
    if (index & 1)
        w = (w & 0xFFFFu) | ((entry & 0xFFFFu) << 16);
    else
        w = (w & 0xFFFF0000u) | (entry & 0xFFFFu);
    ioWrite32(reg, w);
}

void setPaletteEntryPair(uint32_t* p, unsigned char index, uint32_t even, uint32_t odd) {
    p[(index & 0x0E) >> 1] = (even & 0xFFFFu) | ((odd & 0xFFFFu) << 16);
}

void paletteEntryToRgb(uint32_t entry, uint8_t rgb[3]) {
    for (int i = 0; i < 3; ++i) {
        uint32_t v = 31 - ((entry >> (10 - 5 * i)) & 31);
        rgb[i] = static_cast<uint8_t>((v << 3) | (v >> 2));
    }
}

bool readDirectlyIntoFrameBuffer(FILE* f, uint32_t wordOffset, uint32_t wordCount,
                                 uint32_t transparent) {
    static uint8_t buffer[FrameBufferBytes];
    if (f == nullptr || (wordCount != FrameBufferWords && wordCount > 40)) return false;
    if (fread(buffer, 4, wordCount, f) != wordCount) return false;
    long row = 0, column = 0;
    if (wordCount != FrameBufferWords) {
        row = wordOffset / 40;
        column = (wordOffset % 40) * 8;
    }
    Color clear = transparent & 15;
    for (uint32_t i = 0; i < wordCount * 8; ++i) {
        Color c = (buffer[i / 2] >> ((i & 1) * 4)) & 15;
        long x = column + i, y = row;
        if (wordCount == FrameBufferWords) {
            x = i % ScreenWidth;
            y = i / ScreenWidth;
        }
        // Pixels past the end of the row would belong to no column of it.
        if (x >= ScreenWidth) break;
        if (clear == 0 || c != clear) setPixel(x, y, c);
    }
    return true;
}
