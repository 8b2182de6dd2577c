// Packed pictures of 1, 4 or 8 bits a pixel, and the pen with which they (and text) are
// drawn through a graphical object's layer.
#pragma once

#include <cstdint>

#include "gui/display_driver.h"
#include "gui/geometry.h"

class GraphicalObj;

// Ink colour that draws every pixel other than white in the dimmed colour.
constexpr Color DimInk = 258;

// The pen and colours of one drawing operation.
struct BitmapArgs {
    BitmapArgs(GraphicalObj* obj, const Rect* r, long y, Alignment a, Color transparent, Color ink,
               bool rightToLeft);
    // Places the pen for content of that size: x from the alignment in [left, right], y
    // moved up for vertically centred or bottom-aligned content.
    void adjustToAlignment(long width, long height, long yShift);

    GraphicalObj* obj;
    long x;
    long y;
    long yShift = 0;
    Alignment alignment;
    Color transparentColor;
    Color inkColor;
    bool rightToLeft;
    long left;
    long right;
};

class Bitmap {
public:
    Bitmap(long width, long height, const unsigned char* data, long bitsPerPixel);
    // An embedded record: a 12-byte header of little-endian words, then the rows.
    explicit Bitmap(const unsigned char* record);
    void resize(long width, long height, long bitsPerPixel);

    void indexAt(long x, long y);
    void nextIndex();
    Color getPixel() const;
    void setPixel(Color c);
    Color getNextPixel();
    void setNextPixel(Color c);
    Color getPixel(long x, long y);
    void setPixel(long x, long y, Color c);

    // Draws columns srcX .. srcX + width - 1 (width 0: to the end) of every row with the
    // pen at (a.x + xOffset, a.y + yOffset [+ a.yShift]); returns the width drawn.
    long drawSlice(const BitmapArgs& a, long srcX, long width, unsigned char yOffset,
                   bool addYShift, long xOffset) const;

    int32_t width;
    int32_t height;
    int32_t bitsPerPixel;
    unsigned char* data;
    int32_t bytesPerRow;
    int32_t pixelsPerByte;
    uint8_t pixelMask;
    unsigned char* cursor = nullptr;
    int32_t cursorShift = 0;
    int32_t firstPixelOffset = 0;

private:
    bool supportedDepth() const {
        return bitsPerPixel == 1 || bitsPerPixel == 4 || bitsPerPixel == 8;
    }
    Color decode(unsigned v) const;
    unsigned encode(Color c) const;
};
