// Host time base: CLOCK_MONOTONIC by default, or a virtual clock that tests and the
// virtual-time mode of the program set and advance explicitly.
#pragma once

#include <cstdint>

void hostClockUseVirtual(bool on);
bool hostClockIsVirtual();
// Sets the virtual count in half-milliseconds (switches to the virtual clock).
void hostClockSetHalfMs(uint32_t halfMs);
// Advances the virtual clock by whole milliseconds.
void hostClockAdvanceMs(uint32_t ms);
// The same clock in nanoseconds, for the CAN bus model, which works below a millisecond.
uint64_t hostClockNowNs();
void hostClockAdvanceNs(uint64_t ns);
