// Host frame buffer and palette registers: plain memory in place of the LCD controller.
#include <cstring>

#include "platform/display.h"

namespace {
alignas(4) uint8_t hostFrameBuffer[FrameBufferBytes];
// Loaded with the default palette by platformInit, as on the device.
uint32_t paletteRegisters[PaletteWords];
} // namespace

uint8_t* frameBuffer = hostFrameBuffer;

void setPalette(const uint32_t* p) {
    memcpy(paletteRegisters, p != nullptr ? p : DefaultPalette, sizeof paletteRegisters);
}

void getPalette(uint32_t* p) {
    memcpy(p, paletteRegisters, sizeof paletteRegisters);
}

void setCurrentPaletteEntry(unsigned char index, uint32_t entry) {
    uint32_t& w = paletteRegisters[(index & 0x0F) >> 1];
    if (index & 1)
        w = (w & 0xFFFFu) | ((entry & 0xFFFFu) << 16);
    else
        w = (w & 0xFFFF0000u) | (entry & 0xFFFFu);
}
