// Tests run on the virtual clock: time passes only when a test advances it, and timers
// fire along the way as the main loop would fire them.
#pragma once

#include <cstdint>

#include <gtest/gtest.h>

// Starts the virtual clock at the given millisecond reading.
void startVirtualClock(uint32_t ms = 1000);
uint32_t nowMs();
// Advances the clock by ms in steps that stop at every due timer, checking the queue at
// each step, so callbacks see the time at which they were due.
void runFor(uint32_t ms);
// Advances the clock by ms at once, then checks the queue once (a late pass).
void jumpAndCheck(uint32_t ms);

class VirtualTimeTest : public ::testing::Test {
protected:
    void SetUp() override { startVirtualClock(); }
};
