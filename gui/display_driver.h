// Colours and the driver through which layers reach the frame buffer.
#pragma once

#include "platform/display.h"

// Colour sentinels: no colour at all, and "use the parent's background".
constexpr Color NoColor = 256;
constexpr Color ParentBackground = 257;

extern Color DimColor;
extern const char* const ColorName[16];

class DisplayDriver {
public:
    // Colour 8 is a one-pixel checkerboard of 15 and 0, not a shade of its own.
    virtual void setPixel(long x, long y, Color c);
    virtual Color getPixel(long x, long y);
    virtual ~DisplayDriver() = default;
};

extern DisplayDriver* DefaultDisplayDriver;
