// Tests against the host's emulated co-processor on the virtual clock: the words it took,
// and a loop that runs the link and the timers as the main loop would.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/delayed_callback.h"
#include "platform/host/host_clock.h"
#include "platform/host/host_coproc.h"
#include "platform/msp_link.h"
#include "tests/support/program_runner.h"
#include "tests/support/virtual_time.h"

constexpr uint32_t EnterKey = 1u << 15;

class CoprocessorTest : public ::testing::Test {
protected:
    EmulatedCoprocessor& coprocessor = hostCoprocessor();
    unsigned mark = 0;

    void SetUp() override {
        startVirtualClock(1000);
        mark = coprocessor.wordsTaken();
    }

    // The words the co-processor took since the last call, once the queue is empty.
    std::vector<uint32_t> sent() {
        waitForMSPqueueEmpty();
        while (MSP_linkBusy())
            MSP_bkgndProcess();
        std::vector<uint32_t> w;
        for (; mark < coprocessor.wordsTaken(); ++mark)
            w.push_back(coprocessor.takenWord(mark));
        return w;
    }

    // Runs timers and the link for ms milliseconds, one millisecond at a time.
    void runLink(uint32_t ms) {
        for (uint32_t i = 0; i < ms; ++i) {
            hostClockAdvanceMs(1);
            checkForDelayedCallbacks();
            do
                MSP_bkgndProcess();
            while (MSP_linkBusy());
        }
    }
};
