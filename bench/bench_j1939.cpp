// J1939 stack figures: received frames dispatched per CPU second from the virtual bus
// through the emulated controller, the driver and the bus pass up to the message's
// MsgReceivedEvent, with allocations and (where the machine has a counter) instructions
// per frame.
#include <benchmark/benchmark.h>

#include "bench/alloc_counter.h"
#include "bench/frame_report.h"
#include "bench/instruction_counter.h"
#include "core/delayed_callback.h"
#include "flashloader/display_module.h"
#include "j1939/driver/can_driver.h"
#include "j1939/j1939_bus.h"
#include "j1939/j1939_id.h"
#include "j1939/j1939_msg_buffer.h"
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
    static Stack stack;
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
} // namespace

BENCHMARK_MAIN();
