// Device services on top of the I/O co-processor link: board identity, backlight with
// over-temperature derating, contrast compensated for temperature, sounds, and the
// analogue, digital and frequency inputs and outputs.
#pragma once

#include <cstdint>

#include "platform/msp_link.h"

unsigned char getHWrev();
unsigned char getCPLDversion(bool force);

// Backlight and contrast (levels 0-4095).
extern bool TurnDownBacklightWhenVoltageLow;
void backlightEnable(bool on, bool derate);
// 65535 restores the level last asked for (or keeps the hardware's own).
void setBacklight(uint32_t level);
uint32_t getBacklight();
void _setBacklight_(uint32_t level);
void setContrast(uint32_t level);
uint32_t getContrast();
void tempAdjContrast(long offset);
// Table contrast at a temperature in tenths of a degree (above 9999: measured now) plus
// offset and calibration, clamped to 0-4095.
long _getTempAdjContrast(long temperature, long offset);
struct ContrastPoint {
    long temperature; // tenths of a degree
    long contrast;
};
constexpr int ContrastTableSize = 13;
// The temperature contrast table in use (built on first use; devBoard switches to the
// development board's constant contrast).
const ContrastPoint* getTemperatureContrastTable(bool devBoard);
long _setContrastCalibrationOffset(long temperature, long wanted);
extern long ContrastCalibrationOffset;
// Tenths of a degree Celsius.
long getTemperature();

// Sounds.
constexpr unsigned char NoRepeatingSound = 255;
extern unsigned char activeRepeatingSound;
void playSound(unsigned char n, bool repeat);
void killSound();
void keyClick();
void setBuzzerVolume(unsigned char volume);
unsigned char getBuzzerVolume();
void setAutoKeyClick(bool on);
bool getAutoKeyClick();
// Up to 8 bytes of sound description (null: the default sound), duration in ms.
void defineUserSound(const unsigned char* data, uint32_t durationMs);

// Digital inputs (bits 0-3, from the keypad packet) and outputs (bits 0-3).
bool getDin(unsigned char n);
uint32_t getBulkDin();
void setBulkDin(uint32_t bits);
void setDout(unsigned char n, bool on);
void setBulkDout(uint32_t bits);
uint32_t getBulkDout();

// Analogue inputs. Range codes 0-4: 2500, 40000, 15000, 8500 and 3180 mV full scale.
extern const uint32_t fullScale_mV[5];
constexpr uint32_t VbattConversionFactor_x10 = 231;
uint32_t ADC_to_mV(uint32_t counts, unsigned char range);
// The 12-bit reading of channel 0-3 and its range (code + 1; 0 for no channel).
uint32_t getAin(unsigned char ch, unsigned char* range);
double getAin_V(unsigned char ch);
void configADC(unsigned char ch, uint32_t periodMs, unsigned char ioEvent);
// Millivolts behind the 23.1:1 divider.
uint32_t getBattery();
uint32_t getIgnition();
void enableIgnitionSampling();

// I/O channels 0-3: configuration and readings.
enum GPIO_Type : unsigned char {
    GPIO_Off = 0,
    GPIO_Type1 = 1,
    GPIO_Type2 = 2,
    GPIO_Type3 = 3,
    GPIO_Type4 = 4,
    GPIO_Type5 = 5,
    GPIO_Type6 = 6,
    GPIO_Type7 = 7, // the low 16 bits of the parameter go into the configuration
    GPIO_EdgeCatcher = 8,
};
// Edges reported by an edge catcher.
constexpr unsigned char EdgeRising = 0x01;
constexpr unsigned char EdgeFalling = 0x80;
void configGPIO(unsigned char ch, GPIO_Type type, bool option, uint32_t parameter,
                unsigned char ioEvent);
void configGPIOasEdgeCatcher(unsigned char ch, unsigned char edges, bool option,
                             EdgeCatcherCallbackFn cb);
struct FinInfo {
    unsigned char type;
    uint32_t value1;
    uint32_t value2;
};
bool getFin(unsigned char ch, FinInfo* info);
