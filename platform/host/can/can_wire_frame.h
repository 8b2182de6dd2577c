// A CAN frame as the host's emulated controller and its transports carry it, and its
// length on the wire.
#pragma once

#include <cstdint>

struct CanWireFrame {
    uint32_t id = 0; // 29 bits when extended, 11 otherwise
    bool extended = true;
    bool rtr = false;
    uint8_t dlc = 0; // 0..15 as on the wire; at most 8 data bytes follow
    uint8_t data[8] = {};

    // Data bytes the frame carries.
    unsigned dataBytes() const { return rtr ? 0 : (dlc > 8 ? 8 : dlc); }
};

bool operator==(const CanWireFrame& a, const CanWireFrame& b);
inline bool operator!=(const CanWireFrame& a, const CanWireFrame& b) {
    return !(a == b);
}

// Bits the frame holds the bus for: start of frame to end of frame with the stuff bits the
// encoder inserts (CRC included), plus the 3-bit intermission.
unsigned canFrameBits(const CanWireFrame& f);
// The same without stuff bits, and the most stuff bits a frame of this format and length
// can need.
unsigned canFrameBitsUnstuffed(const CanWireFrame& f);
unsigned canFrameMaxStuffBits(const CanWireFrame& f);
// The value that decides arbitration: a lower key wins. Identical keys cannot be told
// apart by arbitration.
uint64_t canArbitrationKey(const CanWireFrame& f);
