// Wire length of a CAN 2.0 frame with its stuff bits, and the arbitration order.
#include "platform/host/can/can_wire_frame.h"

#include <cstring>

bool operator==(const CanWireFrame& a, const CanWireFrame& b) {
    return a.id == b.id && a.extended == b.extended && a.rtr == b.rtr && a.dlc == b.dlc &&
           memcmp(a.data, b.data, a.dataBytes()) == 0;
}

namespace {
// Bits after the CRC: delimiter, ACK slot and delimiter, end of frame, intermission.
constexpr unsigned TrailerBits = 1 + 2 + 7 + 3;
constexpr unsigned CrcBits = 15;
constexpr unsigned CrcPolynomial = 0x4599;

// Feeds the frame's bits from start of frame to the end of the CRC to an encoder that
// counts stuff bits.
class StuffCounter {
public:
    unsigned bits = 0;
    unsigned stuffed = 0;

    void put(unsigned value, unsigned n, bool crcToo = true) {
        for (unsigned i = n; i-- > 0;) {
            unsigned b = (value >> i) & 1;
            if (crcToo) {
                unsigned top = (crc >> 14) & 1;
                crc = (crc << 1) & 0x7FFF;
                if (b ^ top) crc ^= CrcPolynomial;
            }
            emit(b);
        }
    }
    void putCrc() { put(crc, CrcBits, false); }

private:
    unsigned crc = 0;
    unsigned last = 2;
    unsigned run = 0;

    void emit(unsigned b) {
        ++bits;
        if (b == last) {
            ++run;
        } else {
            last = b;
            run = 1;
        }
        if (run == 5) {
            // The stuff bit has the other value and starts the next run.
            ++bits;
            ++stuffed;
            last ^= 1;
            run = 1;
        }
    }
};

unsigned headerBits(const CanWireFrame& f) {
    // SOF, identifier, SRR/RTR, IDE, r1/r0, DLC.
    return f.extended ? 1 + 11 + 1 + 1 + 18 + 1 + 2 + 4 : 1 + 11 + 1 + 1 + 1 + 4;
}
} // namespace

unsigned canFrameBits(const CanWireFrame& f) {
    StuffCounter s;
    s.put(0, 1); // start of frame
    unsigned rtr = f.rtr ? 1 : 0;
    if (f.extended) {
        s.put(f.id >> 18 & 0x7FF, 11);
        s.put(1, 1); // SRR
        s.put(1, 1); // IDE
        s.put(f.id & 0x3FFFF, 18);
        s.put(rtr, 1);
        s.put(0, 2); // r1, r0
    } else {
        s.put(f.id & 0x7FF, 11);
        s.put(rtr, 1);
        s.put(0, 1); // IDE
        s.put(0, 1); // r0
    }
    s.put(f.dlc & 0x0F, 4);
    for (unsigned i = 0; i < f.dataBytes(); ++i)
        s.put(f.data[i], 8);
    s.putCrc();
    return s.bits + TrailerBits;
}

unsigned canFrameBitsUnstuffed(const CanWireFrame& f) {
    return headerBits(f) + 8 * f.dataBytes() + CrcBits + TrailerBits;
}

unsigned canFrameMaxStuffBits(const CanWireFrame& f) {
    // One stuff bit after the first five bits, then one every four.
    unsigned n = headerBits(f) + 8 * f.dataBytes() + CrcBits;
    return (n - 1) / 4;
}

uint64_t canArbitrationKey(const CanWireFrame& f) {
    // Bit order on the wire: base identifier, SRR or RTR, IDE, identifier extension, RTR.
    uint64_t rtr = f.rtr ? 1 : 0;
    if (f.extended)
        return static_cast<uint64_t>(f.id >> 18 & 0x7FF) << 21 | 1u << 20 | 1u << 19 |
               static_cast<uint64_t>(f.id & 0x3FFFF) << 1 | rtr;
    return static_cast<uint64_t>(f.id & 0x7FF) << 21 | rtr << 20;
}
