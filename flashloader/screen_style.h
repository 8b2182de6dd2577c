// The colours the application's screens share. Texts are drawn without their background
// (the font's paper colour is skipped), so they show on panels and on paper alike.
#pragma once

#include "gui/display_driver.h"

constexpr Color PaperColor = 15; // white
constexpr Color PanelColor = 0;  // black
constexpr Color TextOnPaper = PanelColor;
constexpr Color TextOnPanel = PaperColor;
// The font's background pixels are not drawn.
constexpr Color TextTransparent = PaperColor;
