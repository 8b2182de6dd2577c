// CAN figures: the virtual bus's bus-time accounting against the length of an 8-byte
// extended frame at 250 kbit/s (131 bits without stuffing, at most 29 stuff bits: 0.524 to
// 0.640 ms, typically about 0.55 ms), and frames per CPU second through driver, emulated
// controller and virtual bus in each direction, with allocations and (where the machine
// has a counter) instructions per frame.
#include <benchmark/benchmark.h>

#include <random>

#include "bench/alloc_counter.h"
#include "bench/frame_report.h"
#include "bench/instruction_counter.h"
#include "core/delayed_callback.h"
#include "j1939/can_frame.h"
#include "j1939/driver/can_driver.h"
#include "platform/host/can/host_can.h"
#include "platform/host/can/sim_can_bus.h"
#include "platform/host/host_clock.h"
#include "platform/platform.h"

namespace {
uint64_t benchNow = 0;
uint64_t benchClock() {
    return benchNow;
}

// Sends the frames it is given, back to back.
class Source : public SimCanQueueNode {
public:
    void onRx(const CanWireFrame&, uint64_t) override {}
};

// J1939-like traffic: 8 data bytes, identifiers and data that vary as real ones do.
CanWireFrame j1939Frame(std::mt19937& rng) {
    CanWireFrame f;
    f.extended = true;
    f.id = (rng() % 8) << 26 | (0xEF00u + (rng() % 0x1100)) << 8 | (rng() & 0xFF);
    f.dlc = 8;
    for (uint8_t& b : f.data)
        b = (rng() % 3 == 0) ? 0xFF : static_cast<uint8_t>(rng());
    return f;
}

void BM_VirtualBusTimeAccounting(benchmark::State& state) {
    std::mt19937 rng(42);
    uint64_t frames = 0, busNs = 0, bits = 0, stuff = 0;
    for (auto _ : state) {
        SimCanBus bus(250000);
        bus.setClock(benchClock);
        benchNow = 1000;
        Source a, b;
        bus.attach(&a);
        bus.attach(&b);
        for (int i = 0; i < 100; ++i) {
            CanWireFrame f = j1939Frame(rng);
            (i % 2 ? a : b).send(f);
            stuff += canFrameBits(f) - canFrameBitsUnstuffed(f);
        }
        uint64_t start = benchNow;
        while (bus.nextEventNs() != SimCanBus::Never) {
            benchNow = bus.nextEventNs();
            bus.runUntil(benchNow);
        }
        frames += bus.framesCarried;
        busNs += benchNow - start; // from the first start of frame to the last end
        bits += bus.bitsCarried;
        if (bus.busyNs != benchNow - start) state.SkipWithError("busy time and elapsed differ");
    }
    double perFrameMs = static_cast<double>(busNs) / static_cast<double>(frames) / 1e6;
    state.counters["bus_ms_per_frame"] = perFrameMs;
    state.counters["bits_per_frame"] = static_cast<double>(bits) / static_cast<double>(frames);
    state.counters["stuff_bits_per_frame"] =
        static_cast<double>(stuff) / static_cast<double>(frames);
    state.counters["ratio_to_unstuffed_0.524ms"] = perFrameMs / 0.524;
    if (perFrameMs < 0.524 || perFrameMs > 0.640)
        state.SkipWithError("bus time per 8-byte extended frame outside 0.524..0.640 ms");
}
BENCHMARK(BM_VirtualBusTimeAccounting);

void heartbeat(DelayedCallbackListNode*) {}

// The host side as the main loop runs it, on the virtual clock.
struct HostCan {
    DelayedCallbackListNode beat{10, heartbeat};
    HostCan() {
        hostClockSetHalfMs(2000);
        char err[200];
        hostCanOpen("sim", nullptr, err, sizeof err);
        basicCANdriverInit(0, 0xFFFFFFFF);
        scheduleDelayedCallback(&beat, 10);
    }
    ~HostCan() {
        cancelDelayedCallback(&beat);
        hostCanClose();
    }
    void pass() {
        platformBackgroundProcess();
        checkForDelayedCallbacks();
    }
};

// Driver transmit FIFO -> controller -> virtual bus -> another node, one frame per iteration.
void BM_DriverTransmit(benchmark::State& state) {
    HostCan host;
    Source sink;
    hostCanSimBus()->attach(&sink);
    CANpkt pkt(0x18EF25FA, 1, 2, 3, 4, 5, 6, 7, 8);
    unsigned long before = hostCanSimBus()->framesCarried;
    InstructionCounter ic;
    size_t allocs = allocationCount();
    ic.start();
    for (auto _ : state) {
        unsigned long target = hostCanSimBus()->framesCarried + 1;
        basicCANdriverTxMsg(&pkt, 0);
        while (hostCanSimBus()->framesCarried < target) {
            host.pass();
            basicCANdriverServiceTxFIFO();
            while (basicCANdriverGetTxDone() != nullptr) {
            }
        }
    }
    reportPerFrame(state, allocs, ic.stop());
    if (hostCanSimBus()->framesCarried - before != static_cast<unsigned long>(state.iterations()))
        state.SkipWithError("frames lost");
    hostCanSimBus()->detach(&sink);
}
BENCHMARK(BM_DriverTransmit);

// Another node -> virtual bus -> controller FIFO -> real-time hook -> driver receive queue.
void BM_DriverReceive(benchmark::State& state) {
    HostCan host;
    Source source;
    hostCanSimBus()->attach(&source);
    CanWireFrame f;
    f.id = 0x18EFFA25;
    f.dlc = 8;
    InstructionCounter ic;
    size_t allocs = allocationCount();
    unsigned long got = 0;
    ic.start();
    for (auto _ : state) {
        if (source.queued() < 4) {
            for (int i = 0; i < 64; ++i)
                source.send(f);
        }
        unsigned long target = got + 1;
        while (got < target) {
            host.pass();
            while (CANframe* r = basicCANdriverGetRxMsg()) {
                freeCANframe(r);
                ++got;
            }
        }
    }
    reportPerFrame(state, allocs, ic.stop());
    if (SJA1000_dataOverRunCount != 0) state.SkipWithError("overruns");
    hostCanSimBus()->detach(&source);
}
BENCHMARK(BM_DriverReceive);
} // namespace

BENCHMARK_MAIN();
