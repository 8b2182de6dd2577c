// CLOCK_MONOTONIC in half-milliseconds, or the virtual clock.
#include "platform/host/host_clock.h"

#include <ctime>

#include "platform/timer.h"

namespace {
bool virtualMode = false;
uint32_t virtualHalfMs = 0;
} // namespace

void hostClockUseVirtual(bool on) {
    virtualMode = on;
}
bool hostClockIsVirtual() {
    return virtualMode;
}

void hostClockSetHalfMs(uint32_t halfMs) {
    virtualMode = true;
    virtualHalfMs = halfMs;
}

void hostClockAdvanceMs(uint32_t ms) {
    virtualHalfMs += ms * 2u;
}

uint32_t getHighResTime() {
    if (virtualMode) return virtualHalfMs;
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    uint64_t halfMs = static_cast<uint64_t>(ts.tv_sec) * 2000u + ts.tv_nsec / 500000u;
    return static_cast<uint32_t>(halfMs);
}
