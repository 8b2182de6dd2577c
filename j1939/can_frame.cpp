// Packets: construction, byte access through a chain, destination changes.
#include "j1939/can_frame.h"

FreeListPool CANpkt::pool(sizeof(CANpkt));

CANpkt::CANpkt(uint32_t ident, uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3, uint8_t b4,
               uint8_t b5, uint8_t b6, uint8_t b7) {
    id = ident;
    dlc = 8;
    const uint8_t b[8] = {b0, b1, b2, b3, b4, b5, b6, b7};
    for (int i = 0; i < 8; ++i)
        data[i] = b[i];
}

namespace {
// Finds the packet holding chain position index, moving past index 7 into the next packet.
template <class P> P* locate(P* p, unsigned& index) {
    while (p != nullptr && index > 7) {
        p = p->next;
        index -= 7;
    }
    return p;
}
} // namespace

uint32_t CANpkt::getBytes(unsigned start, unsigned n) const {
    if (n > 4) n = 4;
    uint32_t v = 0;
    unsigned index = start;
    const CANpkt* p = this;
    for (unsigned i = 0; i < n; ++i, ++index) {
        p = locate(p, index);
        if (p == nullptr) break;
        v |= static_cast<uint32_t>(p->data[index]) << (8 * i);
    }
    return v;
}

int CANpkt::setBytes(uint32_t value, unsigned start, unsigned n) {
    if (n > 4) n = 4;
    int changed = 0;
    unsigned index = start;
    CANpkt* p = this;
    for (unsigned i = 0; i < n; ++i, ++index) {
        p = locate(p, index);
        if (p == nullptr) break;
        uint8_t b = static_cast<uint8_t>(value >> (8 * i));
        if (p->data[index] != b) changed = 1;
        p->data[index] = b;
    }
    return changed;
}

void CANpkt::changeDA(uint8_t da) {
    for (CANpkt* p = this; p != nullptr; p = p->next)
        p->id = (p->id & ~0xFF00u) | static_cast<uint32_t>(da) << 8;
}

CANframe* allocCANframe() {
    return new CANpkt();
}

void freeCANframe(CANframe* frame) {
    delete frame;
}
