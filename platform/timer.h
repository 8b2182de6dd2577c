// The platform's free-running time base.
#pragma once

#include <cstdint>

// Monotonic count in half-milliseconds, wrapping at 2^32.
uint32_t getHighResTime();
