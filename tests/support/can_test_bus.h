// Host CAN for tests: a transport opened on the virtual clock and stepped as the main loop
// steps it (idle wait, services, real-time hook, timers), and a node that records.
#pragma once

#include <functional>
#include <initializer_list>
#include <vector>

#include "core/delayed_callback.h"
#include "platform/host/can/sim_can_bus.h"

class CanTestBus {
public:
    // Starts the virtual clock at startMs (RealClock: stays on the real clock, for a peer
    // in another process) and opens transport ("sim" by default).
    static constexpr uint32_t RealClock = 0;
    explicit CanTestBus(const char* transport = "sim", const char* logPath = nullptr,
                        uint32_t startMs = 1000);
    virtual ~CanTestBus();

    SimCanBus* bus = nullptr; // the virtual bus, for the sim transport
    bool opened = false;

    // One pass of the host platform: waits (the virtual clock jumps) when the previous pass
    // moved nothing, runs the services and the hook, then the timers.
    virtual void pass();
    // Passes until done() or until maxMs of virtual time have gone; false on time-out.
    bool runUntil(const std::function<bool()>& done, uint32_t maxMs);

private:
    DelayedCallbackListNode heartbeat; // keeps every idle wait finite
};

// Records what it receives and when its own frames went out.
class RecordingNode : public SimCanQueueNode {
public:
    std::vector<CanWireFrame> received;
    std::vector<uint64_t> receivedAt;
    std::vector<uint64_t> sentAt;
    void onRx(const CanWireFrame& f, uint64_t atNs) override {
        received.push_back(f);
        receivedAt.push_back(atNs);
    }
    void onSent(const CanWireFrame&, uint64_t atNs) override { sentAt.push_back(atNs); }
};

CanWireFrame extFrame(uint32_t id, std::initializer_list<uint8_t> data);
CanWireFrame stdFrame(uint32_t id, std::initializer_list<uint8_t> data);

class EmulatedSJA1000;
// Register-level use of a controller in operating mode, as a driver does it: writes f into
// the transmit buffer and requests transmission; reads the frame at the head of the receive
// FIFO (without releasing it).
void writeTxFrame(EmulatedSJA1000& c, const CanWireFrame& f);
CanWireFrame readRxHead(EmulatedSJA1000& c);

// A UDP port on loopback that was free a moment ago.
uint16_t freeUdpPort();
