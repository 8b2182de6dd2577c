// Key-state changes to UserEvent codes.
#include "core/keypad.h"

#include "core/application_task.h"
#include "core/framework.h"
#include "platform/io_services.h"

const UserEvent KeypadMapping[32] = {
    RIGHTARROW, CLICK,     F6,        F5,      F4,          F3,      F2,      F1,
    UPARROW,    LEFTARROW, DOWNARROW, ACK,     CIRCLEARROW, PWRKEY,  ESC,     ENTER,
    NOEVENT,    NOEVENT,   NOEVENT,   NOEVENT, NOEVENT,     NOEVENT, NOEVENT, NOEVENT,
    NOEVENT,    NOEVENT,   NOEVENT,   NOEVENT, NOEVENT,     NOEVENT, DIALCW,  DIALCCW,
};

KeypadDataBlock KeypadData;

uint32_t getKeypadState() {
    return KeypadData.state;
}
uint8_t getDialCounter() {
    return KeypadData.dialCounter;
}

void setKeypadChangeCallback(KeypadChangeCallback cb, uint32_t context) {
    KeypadData.callback = cb;
    KeypadData.context = context;
}

void setKeypadReportReleaseKeys(unsigned char mode, uint32_t mask) {
    if (mode == 0)
        KeypadData.releaseReportMask |= mask;
    else if (mode == 1)
        KeypadData.releaseReportMask &= ~mask;
    else
        KeypadData.releaseReportMask = mask;
}

UserEvent mapToUserEvent(KeypadScanCode mask) {
    for (int i = 0; i < 32; ++i)
        if (mask & (1u << i)) return KeypadMapping[i];
    return NOEVENT;
}

KeypadScanCode mapToScanCode(UserEvent e) {
    for (int i = 0; i < 32; ++i)
        if (KeypadMapping[i] == e) return 1u << i;
    return 0;
}

bool injectKeyPress(UserEvent e) {
    KeypadScanCode bit = mapToScanCode(e);
    if (bit == 0) return false;
    _setKeypadState_(KeypadData.state ^ bit);
    _setKeypadState_(KeypadData.state ^ bit);
    return true;
}

void _setKeypadState_(uint32_t state) {
    if (state == KeypadData.state) return;
    uint32_t changed = KeypadData.state ^ state;
    KeypadData.state = state;
    if (KeypadData.callback == nullptr) return;
    uint32_t report = (changed & state) | (changed & ~state & KeypadData.releaseReportMask);
    if (report != 0) KeypadData.callback(KeypadData.context, state, report);
}

void _setDialCounter_(uint8_t counter) {
    int8_t delta = static_cast<int8_t>(static_cast<uint8_t>(counter - KeypadData.dialCounter));
    KeypadData.dialCounter = counter;
    if (KeypadData.callback == nullptr || delta == 0) return;
    uint32_t bit = delta < 0 ? 0x80000000u : 0x40000000u;
    KeypadData.callback(KeypadData.context, KeypadData.state | bit, bit);
}

uint32_t _decodeKeypadPkt_(uint32_t pkt) {
    setBulkDin((pkt >> 24) & 0xF);
    _setDialCounter_(static_cast<uint8_t>(pkt >> 16));
    return pkt & 0xFFFF;
}

uint32_t _resetKeypadPkt_(uint32_t pkt) {
    return pkt & ~0xFFFFu;
}

void resetKeypadBuffer() {
    MSP_resetStoredKeypadPkt();
    _setKeypadState_(0);
}

void setKeypadAutoRepeatKeys(uint32_t mask) {
    MSP_setKeypadAutoRepeat(mask);
}

void FW_enableKeypad(bool on) {
    FW.keypadEnabled = on;
}

void FW_keypadMgr(uint32_t, uint32_t state, uint32_t changed) {
    for (int i = 0; i < 32 && FW.keypadEnabled; ++i) {
        uint32_t bit = 1u << i;
        if (!(changed & bit)) continue;
        UserEvent e = KeypadMapping[i];
        if (!(state & bit)) e += KeyReleaseBit;
        theApplication->handleUserEvent(e);
    }
}
