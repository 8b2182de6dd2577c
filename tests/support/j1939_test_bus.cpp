// J1939 stack harness and stand-ins.
#include "tests/support/j1939_test_bus.h"

#include "core/framework.h"
#include "j1939/driver/can_driver.h"
#include "j1939/j1939_id.h"
#include "j1939/j1939_msg_buffer.h"
#include "platform/host/host_clock.h"
#include "tests/support/test_application.h"
#include "tests/support/virtual_time.h"

J1939TestBus::J1939TestBus(bool fullStart, const char* logPath, const char* transport,
                           bool realClock)
    : CanTestBus(transport, logPath, realClock ? RealClock : 1000) {
    installTestApplication();
    if (bus != nullptr) bus->attach(&peer);
    CANbusMgr.start(0, 0xFFFFFFFF, false);
    if (fullStart) CANbusMgr.start(0, 0, true);
}

J1939TestBus::~J1939TestBus() {
    if (bus != nullptr) bus->detach(&peer);
}

void J1939TestBus::pass() {
    FW.loopIteration();
}

void J1939TestBus::runFor(uint32_t ms) {
    runUntil([] { return false; }, ms);
}

bool J1939TestBus::peerGets(size_t n, uint32_t maxMs) {
    return runUntil([&] { return peer.received.size() >= n; }, maxMs);
}

void J1939TestBus::peerSends(uint32_t id, std::initializer_list<uint8_t> data) {
    peer.send(extFrame(id, data));
}

std::vector<CanWireFrame> J1939TestBus::sentFrom(size_t from) const {
    if (from >= peer.received.size()) return {};
    return std::vector<CanWireFrame>(peer.received.begin() + static_cast<long>(from),
                                     peer.received.end());
}

void RecordingFaultMgr::reportFault(FaultObj*& fault, uint32_t code, TemplateExpander* expander,
                                    double value, unsigned char type, FaultReportingOption) {
    faults.emplace_back(0, code, expander, type);
    fault = &faults.back();
    log.push_back({false, code, expander, type, nowMs(), value});
}

void RecordingFaultMgr::clearFault(FaultObj*& fault, FaultReportingOption) {
    // A clear names the fault by its code.
    log.push_back({true, fault != nullptr ? fault->record.getCode() : 0, nullptr, 0, nowMs(), 0});
    fault = nullptr;
}

int RecordingFaultMgr::reports() const {
    int n = 0;
    for (const FaultReport& r : log)
        n += r.cleared ? 0 : 1;
    return n;
}

int RecordingFaultMgr::clears() const {
    return static_cast<int>(log.size()) - reports();
}

void TestMsg::init() {
    if (initFn != nullptr) initFn(this);
}

void TestMsg::notify(NotificationEvent event, Data* data) {
    events.push_back(event);
    eventAtMs.push_back(nowMs());
    J1939msg::notify(event, data);
}

void TestMsg::onRx() {
    std::vector<uint8_t> bytes(buffer->length);
    if (!bytes.empty()) buffer->copyOutBytes(bytes.data(), 0, buffer->length);
    receivedData.push_back(bytes);
    receivedFrom.push_back(buffer->sa);
}

bool TestMsg::filter(unsigned char* data, unsigned char) {
    return acceptFirstByte < 0 || data[0] == acceptFirstByte;
}

int TestMsg::count(NotificationEvent e) const {
    int n = 0;
    for (NotificationEvent x : events)
        n += x == e ? 1 : 0;
    return n;
}

uint32_t idFor(uint8_t priority, uint32_t pgn, uint8_t sa, uint8_t da) {
    return buildIDfromPGN(priority, pgn, sa, da);
}

uint8_t daOf(const CanWireFrame& f) {
    uint8_t p, sa, da;
    uint32_t pgn;
    getIDcomponents(f.id, p, pgn, sa, da);
    return da;
}

uint8_t saOf(const CanWireFrame& f) {
    return static_cast<uint8_t>(f.id);
}

uint32_t pgnOf(const CanWireFrame& f) {
    uint8_t p, sa, da;
    uint32_t pgn;
    getIDcomponents(f.id, p, pgn, sa, da);
    return pgn;
}
