// The speaker, backlight and contrast dialogs that the circle-arrow key opens in turn over
// any screen, each a bar graph that changes its setting as the user steps it.
#pragma once

#include "core/user_event.h"

class Dialog;

// Builds the three dialogs (at start-up, once the settings exist).
void setupCircleArrowObjects();
// Takes CIRCLEARROW (true: never passed on) and ends the cycle on CLICK, ENTER and ESC,
// which go on to the open dialog (false).
bool handleCircleArrow(UserEvent key);

extern Dialog* VolumeDialog;
extern Dialog* BacklightDialog;
extern Dialog* ContrastDialog;
