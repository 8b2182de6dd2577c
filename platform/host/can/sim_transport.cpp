// The controller on the virtual bus.
#include "platform/host/can/sim_transport.h"

bool SimTransport::open(EmulatedSJA1000* controller, char*, size_t) {
    sja = controller;
    sja->setRecoveryByLink(false);
    bus.attach(this);
    return true;
}

void SimTransport::close() {
    bus.detach(this);
}

bool SimTransport::service(uint64_t nowNs, uint64_t* wakeNs) {
    bool moved = bus.runUntil(nowNs);
    uint64_t next = bus.nextEventNs();
    if (next < *wakeNs) *wakeNs = next;
    return moved;
}
