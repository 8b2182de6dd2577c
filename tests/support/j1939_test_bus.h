// The J1939 stack in tests: CANbusMgr started on the virtual bus and pumped by the real
// main-loop pass, with a module node on the bus that tests script frame by frame; and the
// stand-ins for what the application supplies (fault manager, messages).
#pragma once

#include <cstdint>
#include <deque>
#include <initializer_list>
#include <vector>

#include "j1939/fault_obj.h"
#include "j1939/j1939_bus.h"
#include "j1939/j1939_fault_mgr.h"
#include "j1939/j1939_msg.h"
#include "tests/support/can_test_bus.h"

// Passes of the whole main loop (platform, CAN pump, application, timers) with the bus
// started partly and fully; peer is a node on the bus that records what it sees.
class J1939TestBus : public CanTestBus {
public:
    RecordingNode peer;

    explicit J1939TestBus(bool fullStart = true, const char* logPath = nullptr,
                          const char* transport = "sim", bool realClock = false);
    ~J1939TestBus() override;

    void pass() override;
    // Runs the loop for ms of virtual time.
    void runFor(uint32_t ms);
    // Runs until the peer has seen n frames in all (false after maxMs).
    bool peerGets(size_t n, uint32_t maxMs = 100);
    // The peer puts a frame on the bus; it arrives at the display's controller.
    void peerSends(uint32_t id, std::initializer_list<uint8_t> data);
    void peerSends(const CanWireFrame& f) { peer.send(f); }
    // Frames the display sent (as the peer saw them), from index from on.
    std::vector<CanWireFrame> sentFrom(size_t from) const;
};

struct FaultReport {
    bool cleared;
    uint32_t code;
    TemplateExpander* expander;
    unsigned char type;
    uint32_t atMs;
    double value; // reports only
};

// Records every report and clear; hands out a fault object per report.
class RecordingFaultMgr : public J1939FaultMgrSingleton {
public:
    std::vector<FaultReport> log;

    RecordingFaultMgr() { J1939FaultMgr = this; }
    ~RecordingFaultMgr() override { J1939FaultMgr = nullptr; }
    void reportFault(FaultObj*& fault, uint32_t code, TemplateExpander* expander, double value,
                     unsigned char type, FaultReportingOption) override;
    void clearFault(FaultObj*& fault, FaultReportingOption) override;
    int reports() const;
    int clears() const;

    std::deque<FaultObj> faults; // every fault handed out, in order
};

// A message whose tests set what the application's messages would: configuration,
// fields, filter. It records what the bus tells it and copies what it receives.
class TestMsg : public J1939msg {
public:
    std::vector<NotificationEvent> events;
    std::vector<std::vector<uint8_t>> receivedData;
    std::vector<uint8_t> receivedFrom;
    std::vector<uint32_t> eventAtMs;
    int acceptFirstByte = -1; // filter: data[0] must equal this (-1: accept all)
    void (*initFn)(TestMsg*) = nullptr;

    TestMsg(uint32_t pgn, uint8_t priority, uint32_t length, J1939msgConfiguration config,
            uint32_t period = 0)
        : J1939msg(pgn, priority, length, config, period) {}

    void init() override;
    void notify(NotificationEvent event, Data* data) override;
    void onRx() override;
    bool filter(unsigned char* data, unsigned char sa) override;
    int count(NotificationEvent e) const;
};

// Helpers for identifiers as the peer writes them.
uint32_t idFor(uint8_t priority, uint32_t pgn, uint8_t sa, uint8_t da);
uint8_t daOf(const CanWireFrame& f);
uint8_t saOf(const CanWireFrame& f);
uint32_t pgnOf(const CanWireFrame& f);
