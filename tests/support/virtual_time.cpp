// Virtual-clock helpers for tests.
#include "tests/support/virtual_time.h"

#include "core/delayed_callback.h"
#include "platform/host/host_clock.h"

void startVirtualClock(uint32_t ms) {
    hostClockSetHalfMs(ms * 2u);
}

uint32_t nowMs() {
    return getMsTime();
}

void runFor(uint32_t ms) {
    checkForDelayedCallbacks();
    while (ms > 0) {
        long next = msUntilNextDelayedCallback();
        uint32_t step =
            (next < 0 || static_cast<uint32_t>(next) > ms) ? ms : static_cast<uint32_t>(next);
        if (step == 0) step = 1;
        hostClockAdvanceMs(step);
        ms -= step;
        checkForDelayedCallbacks();
    }
}

void jumpAndCheck(uint32_t ms) {
    hostClockAdvanceMs(ms);
    checkForDelayedCallbacks();
}
