// Transport-protocol sessions: one per (sender, receiver) pair and direction, kept in the
// bus's four session lists.
#pragma once

#include <cstdint>

class J1939_TPsession {
public:
    uint32_t key; // sender in bits 0..7, receiver in bits 8..15
    J1939_TPsession* nextSession = nullptr;

    J1939_TPsession(uint8_t sa, uint8_t da) : key(makeKey(sa, da)) {}
    J1939_TPsession(const J1939_TPsession&) = delete;
    J1939_TPsession& operator=(const J1939_TPsession&) = delete;
    virtual ~J1939_TPsession() = default;

    static uint32_t makeKey(uint8_t sa, uint8_t da) { return sa | static_cast<uint32_t>(da) << 8; }
};
