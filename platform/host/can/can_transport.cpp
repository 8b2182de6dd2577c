// The receive buffer shared by the socket transports.
#include "platform/host/can/can_transport.h"

void CanRxBuffer::push(const CanWireFrame& f, EmulatedSJA1000* sja) {
    if (count == Capacity) {
        ++dropped;
        sja->frameLost();
        return;
    }
    ring[(head + count) % Capacity] = f;
    ++count;
}

unsigned CanRxBuffer::feed(EmulatedSJA1000* sja, uint64_t nowNs) {
    unsigned moved = 0;
    // A controller that is not running takes (and ignores) everything at once.
    while (count > 0 && (!sja->operating() || sja->hasRoomFor(ring[head]))) {
        sja->frameFromBus(ring[head], nowNs);
        head = (head + 1) % Capacity;
        --count;
        ++moved;
    }
    return moved;
}
