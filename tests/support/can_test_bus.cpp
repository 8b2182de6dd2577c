// Host CAN stepping for tests.
#include "tests/support/can_test_bus.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "core/delayed_callback.h"
#include "platform/can_regs.h"
#include "platform/host/can/host_can.h"
#include "platform/host/can/sja1000_emu.h"
#include "platform/host/host_clock.h"
#include "platform/host/host_loop.h"
#include "platform/platform.h"
#include "tests/support/virtual_time.h"

namespace {
void noop(DelayedCallbackListNode*) {}
constexpr uint32_t HeartbeatMs = 10;
} // namespace

CanTestBus::CanTestBus(const char* transport, const char* logPath, uint32_t startMs)
    : heartbeat(HeartbeatMs, noop) {
    if (startMs != RealClock) startVirtualClock(startMs);
    char err[400];
    opened = hostCanOpen(transport, logPath, err, sizeof err);
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

void writeTxFrame(EmulatedSJA1000& c, const CanWireFrame& f) {
    sjaLoadTxFrame(c, f);
    c.write(SJA_CMR, SJA_CMR_TR);
}

CanWireFrame readRxHead(EmulatedSJA1000& c) {
    return sjaReadRxFrame(c);
}

uint16_t freeUdpPort() {
    int s = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in in{};
    in.sin_family = AF_INET;
    in.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&in), sizeof in);
    socklen_t len = sizeof in;
    getsockname(s, reinterpret_cast<sockaddr*>(&in), &len);
    close(s);
    return ntohs(in.sin_port);
}
