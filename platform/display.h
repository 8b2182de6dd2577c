// The 4-bit frame buffer (320 x 240, stored turned by 180 degrees) and its 16-entry palette.
#pragma once

#include <cstdint>

typedef int32_t Color;

constexpr int ScreenWidth = 320;
constexpr int ScreenHeight = 240;
constexpr int FrameBufferBytes = ScreenWidth * ScreenHeight / 2;
constexpr int FrameBufferWords = FrameBufferBytes / 4;
constexpr int PaletteWords = 8;

extern uint8_t* frameBuffer;

void setPixel(long x, long y, Color c);
Color getPixel(long x, long y);
void blankFrameBuffer();

// A palette is eight 32-bit words, two 16-bit entries each (even entry in the low half).
// Null selects the default palette.
void setPalette(const uint32_t* p);
void getPalette(uint32_t* p);
void setPaletteEntryPair(uint32_t* p, unsigned char index, uint32_t even, uint32_t odd);
void setCurrentPaletteEntry(unsigned char index, uint32_t entry);
extern const uint32_t DefaultPalette[PaletteWords];
