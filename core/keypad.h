// Keypad and dial: key-state changes become UserEvent codes, with release reporting, dial
// steps, injected presses and the framework's change callback.
#pragma once

#include <cstdint>

#include "core/user_event.h"

typedef uint32_t KeypadScanCode;
typedef void (*KeypadChangeCallback)(uint32_t context, uint32_t state, uint32_t changed);

extern const UserEvent KeypadMapping[32];

struct KeypadDataBlock {
    uint32_t state = 0;
    KeypadChangeCallback callback = nullptr;
    uint32_t context = 0;
    uint32_t releaseReportMask = 0;
    uint8_t dialCounter = 0;
};
extern KeypadDataBlock KeypadData;

uint32_t getKeypadState();
uint8_t getDialCounter();
void setKeypadChangeCallback(KeypadChangeCallback cb, uint32_t context);
// Mode 0 adds keys to the release-report mask, 1 removes them, anything else replaces it.
void setKeypadReportReleaseKeys(unsigned char mode, uint32_t mask);
UserEvent mapToUserEvent(KeypadScanCode mask);
KeypadScanCode mapToScanCode(UserEvent e);
bool injectKeyPress(UserEvent e);
void _setKeypadState_(uint32_t state);
void _setDialCounter_(uint8_t counter);
// Splits a co-processor keypad packet: inputs and dial are passed on, the key mask returned.
uint32_t _decodeKeypadPkt_(uint32_t pkt);
uint32_t _resetKeypadPkt_(uint32_t pkt);
void resetKeypadBuffer();
void setKeypadAutoRepeatKeys(uint32_t mask);
void FW_enableKeypad(bool on);
void FW_keypadMgr(uint32_t context, uint32_t state, uint32_t changed);
