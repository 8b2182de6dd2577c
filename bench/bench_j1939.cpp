// J1939 stack figures: received frames dispatched per CPU second from the virtual bus
// through the emulated controller, the driver and the bus pass up to the message's
// MsgReceivedEvent, with allocations and (where the machine has a counter) instructions
// per frame; and RTS/CTS throughput at 250 kbit/s against the bus-time bound of the same
// frames, with a separately written transport peer that answers at once, and the CPU time
// per transferred kilobyte.
#include <benchmark/benchmark.h>

#include <ctime>

#include "bench/alloc_counter.h"
#include "bench/frame_report.h"
#include "bench/instruction_counter.h"
#include "core/delayed_callback.h"
#include "flashloader/display_module.h"
#include "j1939/driver/can_driver.h"
#include "j1939/j1939_bus.h"
#include "j1939/j1939_id.h"
#include "j1939/j1939_msg_buffer.h"
#include "j1939/tp_session.h"
#include "modsim/tp_peer_node.h"
#include "platform/host/can/host_can.h"
#include "platform/host/can/sim_can_bus.h"
#include "platform/host/host_clock.h"
#include "platform/platform.h"

namespace {
constexpr uint8_t ModuleSA = 0x25;
constexpr uint32_t ModuleData = 0xFF10;

void heartbeat(DelayedCallbackListNode*) {}

// The display's side as the main loop runs it, on the virtual clock, with the bus started.
struct Stack {
    DelayedCallbackListNode beat{10, heartbeat};
    Stack() {
        hostClockSetHalfMs(2000);
        char err[200];
        hostCanOpen("sim", nullptr, err, sizeof err);
        CANbusMgr.start(0, 0xFFFFFFFF, false);
        CANbusMgr.start(0, 0, true);
        scheduleDelayedCallback(&beat, 10);
    }
    ~Stack() {
        cancelDelayedCallback(&beat);
        hostCanClose();
    }
    void pass() {
        platformBackgroundProcess();
        CANbusMgr.backgroundProcess();
        checkForDelayedCallbacks();
    }
};

// One for the whole run: the bus is started once.
Stack& theStack() {
    static Stack stack;
    return stack;
}

class Source : public SimCanQueueNode {};

class CountingMsg : public J1939msg {
public:
    unsigned long received = 0;
    uint32_t checksum = 0;
    CountingMsg() : J1939msg(ModuleData, 6, 8, J1939cfgListed) {}
    void init() override {}
    void onRx() override {
        ++received;
        checksum += buffer->getBytes(0, 4);
    }
};

// Module -> virtual bus -> controller -> hook -> driver queue -> bus pass -> message.
void BM_BusDispatch(benchmark::State& state) {
    Stack& stack = theStack();
    static CountingMsg msg;
    static bool registered = false;
    if (!registered) {
        CANbusMgr.registerMsg(&msg, &Module_na, &Display);
        registered = true;
    }
    Source source;
    hostCanSimBus()->attach(&source);
    CanWireFrame f;
    f.id = buildIDfromPGN(6, ModuleData, ModuleSA, 255);
    f.dlc = 8;
    unsigned long start = msg.received;
    int overruns = SJA1000_dataOverRunCount;
    InstructionCounter ic;
    size_t allocs = allocationCount();
    ic.start();
    for (auto _ : state) {
        if (source.queued() < 4) {
            for (int i = 0; i < 64; ++i) {
                f.data[0] = static_cast<uint8_t>(i);
                source.send(f);
            }
        }
        unsigned long target = msg.received + 1;
        while (msg.received < target)
            stack.pass();
    }
    reportPerFrame(state, allocs, ic.stop());
    if (SJA1000_dataOverRunCount != overruns) state.SkipWithError("overruns");
    if (msg.received - start < static_cast<unsigned long>(state.iterations()))
        state.SkipWithError("frames lost");
    // Drain what is left so the next run starts clean.
    for (int i = 0; i < 100000 && (source.queued() > 0 || EmulatedRxFIFO.head != nullptr); ++i)
        stack.pass();
    hostCanSimBus()->detach(&source);
}
BENCHMARK(BM_BusDispatch);
// A fixed count, so that valgrind --tool=callgrind can give instructions per frame where the
// machine has no hardware counter (see the README).
BENCHMARK(BM_BusDispatch)->Iterations(20000);

class LongMsg : public J1939msg {
public:
    int acked = 0, failed = 0;
    uint64_t doneNs = 0;
    explicit LongMsg(uint32_t length) : J1939msg(0xEF00, 6, length, J1939cfgListed | J1939cfgTx) {}
    void init() override {}
    void notify(NotificationEvent e, Data* d) override {
        if (e == TPtxAckedEvent) ++acked;
        if (e == TPfailedEvent) ++failed;
        if (e == TPtxAckedEvent || e == TPfailedEvent) doneNs = hostClockNowNs();
        J1939msg::notify(e, d);
    }
};

// Tells when the last frame of a transfer (the EndOfMsgACK) ended on the bus.
class AckWatch : public SimCanNode {
public:
    uint64_t ackEndNs = 0;
    bool txFrame(CanWireFrame*) override { return false; }
    void onTxDone(const CanWireFrame&, uint64_t) override {}
    void onRx(const CanWireFrame& f, uint64_t atNs) override {
        if (((f.id >> 16) & 0xFF) == 0xEC && f.data[0] == TP_EndOfMsgACK) ackEndNs = atNs;
    }
};

double cpuSeconds() {
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// One RTS/CTS transfer of range(0) bytes from the display to the peer per iteration, on the
// real main-loop pass (the host's idle wait jumps the virtual clock to the next event).
void BM_RtsCtsThroughput(benchmark::State& state) {
    Stack& stack = theStack();
    uint32_t length = static_cast<uint32_t>(state.range(0));
    LongMsg msg(length);
    CANbusMgr.registerMsg(&msg, &Display, &Module_na);
    for (uint32_t i = 0; i < length; ++i)
        msg.buffer->setBytes(static_cast<uint8_t>(i * 13 + 1), i, 1);
    // The separately written transport peer answers at once: its frames start when the frame
    // they answer ended.
    TpPeerNode node(ModuleSA);
    AckWatch watch;
    SimCanBus* bus = hostCanSimBus();
    node.join(bus);
    bus->attach(&watch);
    uint64_t busyNs = 0, elapsedNs = 0, appNs = 0, frames = 0;
    double cpu = 0;
    for (auto _ : state) {
        int before = msg.acked;
        uint64_t busy0 = bus->busyNs;
        unsigned long frames0 = bus->framesCarried;
        uint64_t t0 = hostClockNowNs();
        double c0 = cpuSeconds();
        msg.transmit(ModuleSA);
        while (msg.acked == before && msg.failed == 0)
            stack.pass();
        cpu += cpuSeconds() - c0;
        if (msg.failed != 0) {
            state.SkipWithError("transfer failed");
            break;
        }
        busyNs += bus->busyNs - busy0;
        frames += bus->framesCarried - frames0;
        elapsedNs += watch.ackEndNs - t0; // RTS start to ACK end, on the bus
        appNs += msg.doneNs - t0;         // transmit() to TPtxAckedEvent
    }
    const TpPeer::Message& got = node.peer.received(node.peer.receivedCount() - 1);
    for (uint32_t i = 0; i < length && msg.failed == 0; ++i)
        if (got.data[i] != static_cast<uint8_t>(i * 13 + 1)) {
            state.SkipWithError("data differ");
            break;
        }
    double n = static_cast<double>(state.iterations());
    double bytes = static_cast<double>(length) * n;
    state.counters["frames_per_transfer"] = static_cast<double>(frames) / n;
    state.counters["bound_bytes_per_s"] = bytes / (static_cast<double>(busyNs) / 1e9);
    state.counters["bytes_per_s"] = bytes / (static_cast<double>(elapsedNs) / 1e9);
    state.counters["pct_of_bound"] = 100.0 * static_cast<double>(busyNs) / elapsedNs;
    state.counters["pct_of_bound_app"] = 100.0 * static_cast<double>(busyNs) / appNs;
    state.counters["cpu_us_per_kB"] = cpu * 1e6 / (bytes / 1024.0);
    bus->detach(&watch);
    node.leave();
    CANbusMgr.txMsgs.remove(&msg);
}
BENCHMARK(BM_RtsCtsThroughput)->Arg(23)->Arg(256)->Arg(1785);

class SinkMsg : public J1939msg {
public:
    int received = 0;
    uint32_t lastLength = 0;
    uint64_t doneNs = 0;
    SinkMsg() : J1939msg(0xEF00, 6, 0, J1939cfgListed) {}
    void init() override {}
    void onRx() override {
        ++received;
        lastLength = buffer->length;
        doneNs = hostClockNowNs();
    }
};

// The other way: the peer sends, the display asks for the windows and acknowledges.
void BM_RtsCtsReceiveThroughput(benchmark::State& state) {
    Stack& stack = theStack();
    uint32_t length = static_cast<uint32_t>(state.range(0));
    static SinkMsg sink;
    static bool registered = false;
    if (!registered) {
        CANbusMgr.registerMsg(&sink, &Module_na, &Display);
        registered = true;
    }
    static uint8_t data[TpPeer::MaxMessage];
    for (uint32_t i = 0; i < length; ++i)
        data[i] = static_cast<uint8_t>(i * 13 + 1);
    TpPeerNode node(ModuleSA);
    AckWatch watch;
    SimCanBus* bus = hostCanSimBus();
    node.join(bus);
    bus->attach(&watch);
    uint64_t busyNs = 0, elapsedNs = 0, appNs = 0;
    double cpu = 0;
    for (auto _ : state) {
        int before = sink.received;
        uint64_t busy0 = bus->busyNs;
        uint64_t t0 = hostClockNowNs();
        double c0 = cpuSeconds();
        node.peer.send(ServiceToolSA, 0xEF00, data, length, static_cast<uint32_t>(t0 / 1000000));
        while (sink.received == before && node.peer.sending())
            stack.pass();
        while (node.peer.sending()) // the last ACK
            stack.pass();
        cpu += cpuSeconds() - c0;
        if (sink.received == before || sink.lastLength != length) {
            state.SkipWithError("transfer failed");
            break;
        }
        busyNs += bus->busyNs - busy0;
        elapsedNs += watch.ackEndNs - t0;
        appNs += sink.doneNs - t0;
    }
    double n = static_cast<double>(state.iterations());
    double bytes = static_cast<double>(length) * n;
    state.counters["bytes_per_s"] = bytes / (static_cast<double>(elapsedNs) / 1e9);
    state.counters["pct_of_bound"] = 100.0 * static_cast<double>(busyNs) / elapsedNs;
    state.counters["cpu_us_per_kB"] = cpu * 1e6 / (bytes / 1024.0);
    bus->detach(&watch);
    node.leave();
}
BENCHMARK(BM_RtsCtsReceiveThroughput)->Arg(23)->Arg(256)->Arg(1785);
} // namespace

BENCHMARK_MAIN();
