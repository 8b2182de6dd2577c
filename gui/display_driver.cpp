// The default display driver: the platform's frame buffer, with colour 8 dithered.
#include "gui/display_driver.h"

Color DimColor = 7;

const char* const ColorName[16] = {
    "Black",  "Shade 1", "Shade 2",  "Shade 3",  "Shade 4", "Shade 5",  "Shade 6",  "Gray",
    "LtGray", "Red",     "Shade 10", "Shade 11", "Blue",    "Shade 13", "Shade 14", "White",
};

void DisplayDriver::setPixel(long x, long y, Color c) {
    if (c == 8) c = ((x ^ y) & 1) ? 15 : 0;
    ::setPixel(x, y, c);
}

Color DisplayDriver::getPixel(long x, long y) {
    return ::getPixel(x, y);
}

namespace {
DisplayDriver defaultDriver;
}

DisplayDriver* DefaultDisplayDriver = &defaultDriver;
