// Device services behind the I/O co-processor: backlight, contrast, sound, digital inputs
// and the keypad's co-processor side.
#pragma once

#include <cstdint>

unsigned char getHWrev();

uint32_t getBacklight();
void setBacklight(uint32_t level);
void backlightEnable(bool on, bool derate);
uint32_t getContrast();
void setContrast(uint32_t level);
void tempAdjContrast(long offset);

unsigned char getBuzzerVolume();
void setBuzzerVolume(unsigned char volume);
bool getAutoKeyClick();
void setAutoKeyClick(bool on);
void playSound(unsigned char n, bool repeat);
void killSound();
void keyClick();

uint32_t getBulkDin();
void setBulkDin(uint32_t bits);

void waitForMSPqueueEmpty();
// Clears the key bits of the last keypad packet kept by the co-processor poll, so that the
// next packet counts as new.
void MSP_resetStoredKeypadPkt();
void MSP_setKeypadAutoRepeat(uint32_t mask);
