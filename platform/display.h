// The 4-bit frame buffer (320 x 240, stored turned by 180 degrees) and its 16-entry palette.
#pragma once

#include <cstdint>
#include <cstdio>

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

// The 8-bit red, green and blue intensities that a palette entry shows (the entry holds the
// complements of 5-bit intensities).
void paletteEntryToRgb(uint32_t entry, uint8_t rgb[3]);

// Draws words of 8 pixels (lowest nibble leftmost) read from f: 9600 words for the whole
// screen, or at most 40 words (part of one row) at wordOffset. Pixels of the transparent
// colour (transparent AND 15; 0 for none) are not drawn. False when the file is short or
// the count is not allowed.
bool readDirectlyIntoFrameBuffer(FILE* f, uint32_t wordOffset, uint32_t wordCount,
                                 uint32_t transparent);
