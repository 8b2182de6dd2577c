// The display's /dev/mem mappings. A failure prints its message and ends the process with
// exit status 255.
#pragma once

#include <cstdint>

extern volatile uint8_t* canBase;
extern volatile uint8_t* canBank;

void openLinuxMemmaps();
void closeLinuxMemmaps();
