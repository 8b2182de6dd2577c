// Host CAN stepping for tests.
#include "tests/support/can_test_bus.h"

#include <gtest/gtest.h>

#include "core/delayed_callback.h"
#include "platform/host/can/host_can.h"
#include "platform/host/host_clock.h"
#include "platform/host/host_loop.h"
#include "platform/platform.h"
#include "tests/support/virtual_time.h"

namespace {
void noop(DelayedCallbackListNode*) {}
constexpr uint32_t HeartbeatMs = 10;
} // namespace

CanTestBus::CanTestBus(const char* spec, const char* logPath, uint32_t startMs)
    : heartbeat(HeartbeatMs, noop) {
    startVirtualClock(startMs);
    char err[400];
    opened = hostCanOpen(spec, logPath, err, sizeof err);
    EXPECT_TRUE(opened) << err;
    bus = hostCanSimBus();
    scheduleDelayedCallback(&heartbeat, HeartbeatMs);
}

CanTestBus::~CanTestBus() {
    cancelDelayedCallback(&heartbeat);
    hostCanClose();
}

void CanTestBus::pass() {
    platformBackgroundProcess();
    if (checkForDelayedCallbacks() > 0) platformNoteActivity();
}

bool CanTestBus::runUntil(const std::function<bool()>& done, uint32_t maxMs) {
    uint64_t end = hostClockNowNs() + static_cast<uint64_t>(maxMs) * 1000000;
    while (!done()) {
        uint64_t now = hostClockNowNs();
        if (now >= end) return false;
        hostWakeWithinNs(end - now); // the wait never jumps past the end
        pass();
    }
    return true;
}

CanWireFrame extFrame(uint32_t id, std::initializer_list<uint8_t> data) {
    CanWireFrame f;
    f.id = id;
    f.extended = true;
    f.dlc = static_cast<uint8_t>(data.size());
    unsigned i = 0;
    for (uint8_t b : data)
        if (i < 8) f.data[i++] = b;
    return f;
}

CanWireFrame stdFrame(uint32_t id, std::initializer_list<uint8_t> data) {
    CanWireFrame f = extFrame(id, data);
    f.extended = false;
    return f;
}
