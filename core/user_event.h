// Key and dial event codes as the application and the GUI receive them.
#pragma once

#include <cstdint>

typedef unsigned UserEvent;

enum : UserEvent {
    ENTER = 13,
    ESC = 27,
    LEFTARROW = 128,
    RIGHTARROW = 129,
    UPARROW = 130,
    DOWNARROW = 131,
    CLICK = 132,
    DIALCCW = 133,
    DIALCW = 134,
    PAGEUP = 135,
    PAGEDOWN = 136,
    CIRCLEARROW = 137,
    ACK = 138,
    PWRKEY = 139,
    F1 = 140,
    F2 = 141,
    F3 = 142,
    F4 = 143,
    F5 = 144,
    F6 = 145,
    F7 = 146,
    F8 = 147,
    F9 = 148,
    F10 = 149,
    F11 = 150,
    F12 = 151,
    NOEVENT = 255,
    CLOSENO = 8192,
    CLOSEYES = 8193,
    ESCDEFAULT = 8194,
    DEFOCUSKEEPLAYER = 8195,
};

constexpr UserEvent KeyReleaseBit = 0x100;
constexpr UserEvent EventStopBit = 0x200;

// Name of an event as printed in diagnostics and read from key scripts; "0x%04X" of the
// low 16 bits for values without a name (in a shared static buffer).
const char* EventNameString(UserEvent e);
// The event whose name is the given text (names as EventNameString prints them); false when
// no event has that name.
bool eventFromName(const char* name, UserEvent* out);
