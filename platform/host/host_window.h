// The host's optional window: the 320 x 240 screen scaled up, with the PC's keyboard and
// mouse wheel standing for the keypad and dial. Built with SDL2 when the build finds it;
// otherwise the stand-in reports that no window is available.
#pragma once

#include <cstddef>

// False when this program was built without a window.
bool hostWindowAvailable();
// Opens the window, scale times the screen's size; false with the reason in err.
bool hostWindowOpen(int scale, char* err, size_t errSize);
void hostWindowClose();
