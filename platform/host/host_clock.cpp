// CLOCK_MONOTONIC in half-milliseconds, or the virtual clock.
#include "platform/host/host_clock.h"

#include <ctime>

#include "platform/timer.h"

namespace {
constexpr uint64_t NsPerHalfMs = 500000;
bool virtualMode = false;
uint64_t virtualNs = 0;
} // namespace

void hostClockUseVirtual(bool on) {
    virtualMode = on;
}
bool hostClockIsVirtual() {
    return virtualMode;
}

void hostClockSetHalfMs(uint32_t halfMs) {
    virtualMode = true;
    virtualNs = halfMs * NsPerHalfMs;
}

void hostClockAdvanceMs(uint32_t ms) {
    virtualNs += static_cast<uint64_t>(ms) * 2 * NsPerHalfMs;
}

void hostClockAdvanceNs(uint64_t ns) {
    virtualNs += ns;
}

uint64_t hostClockNowNs() {
    if (virtualMode) return virtualNs;
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000000000u + static_cast<uint64_t>(ts.tv_nsec);
}

uint32_t getHighResTime() {
    return static_cast<uint32_t>(hostClockNowNs() / NsPerHalfMs);
}
