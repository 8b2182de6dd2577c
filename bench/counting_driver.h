// A display driver that counts the pixels reaching the frame buffer, for overdraw figures.
#pragma once

#include "gui/display_driver.h"

class CountingDriver : public DisplayDriver {
public:
    void setPixel(long x, long y, Color c) override {
        ++writes;
        DisplayDriver::setPixel(x, y, c);
    }
    long writes = 0;
};
