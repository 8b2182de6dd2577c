// Host display extras: screenshots of the frame buffer through the current palette.
#pragma once

#include <string>

#include "platform/host/host_png.h"

// The screen as the palette shows it, 320 x 240, top row first.
RgbImage hostScreenImage();
// Writes the screen as a PNG file; false with the reason in *error.
bool hostScreenshot(const char* path, std::string* error);
// Adds the key-script command "screenshot FILE" (once).
void hostRegisterScreenshotCommand();
