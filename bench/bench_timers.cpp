// Timer queue cost with 10, 100 and 1000 queued nodes: scheduling, an idle check, firing,
// and delayed notifications; each reports allocations per operation.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench/alloc_counter.h"
#include "core/delayed_callback.h"
#include "core/notifiable.h"
#include "platform/host/host_clock.h"

namespace {
void noop(DelayedCallbackListNode*) {}

// Fills the queue with n nodes spread over 1..n*10 ms.
struct Queue {
    std::vector<DelayedCallbackListNode> nodes;
    explicit Queue(int n) : nodes(static_cast<size_t>(n)) {
        for (int i = 0; i < n; ++i) {
            nodes[i].callback = noop;
            scheduleDelayedCallback(&nodes[i], 10u + static_cast<uint32_t>((i * 7919) % (n * 10)));
        }
    }
    ~Queue() {
        for (auto& n : nodes)
            cancelDelayedCallback(&n);
    }
};

void reportAllocs(benchmark::State& state, size_t before) {
    state.counters["allocs/op"] = benchmark::Counter(
        static_cast<double>(allocationCount() - before) / static_cast<double>(state.iterations()));
}

void BM_ScheduleAndCancel(benchmark::State& state) {
    hostClockSetHalfMs(2000);
    Queue q(static_cast<int>(state.range(0)));
    DelayedCallbackListNode node{0, noop};
    uint32_t delay = 0;
    size_t before = allocationCount();
    for (auto _ : state) {
        scheduleDelayedCallback(&node, 5 + (delay++ % (10 * state.range(0))));
        cancelDelayedCallback(&node);
    }
    reportAllocs(state, before);
}
BENCHMARK(BM_ScheduleAndCancel)->Arg(10)->Arg(100)->Arg(1000);

void BM_CheckNothingDue(benchmark::State& state) {
    hostClockSetHalfMs(2000);
    Queue q(static_cast<int>(state.range(0)));
    size_t before = allocationCount();
    for (auto _ : state)
        benchmark::DoNotOptimize(checkForDelayedCallbacks());
    reportAllocs(state, before);
}
BENCHMARK(BM_CheckNothingDue)->Arg(10)->Arg(100)->Arg(1000);

// A periodic node fires each pass among n queued nodes: unlink, re-arm, call.
void BM_FirePeriodic(benchmark::State& state) {
    hostClockSetHalfMs(2000);
    Queue q(static_cast<int>(state.range(0)));
    DelayedCallbackListNode periodic{1, noop};
    scheduleDelayedCallback(&periodic, 1);
    size_t before = allocationCount();
    for (auto _ : state) {
        hostClockAdvanceMs(1);
        benchmark::DoNotOptimize(checkForDelayedCallbacks());
        // Keep the other nodes in the future so that only the periodic one fires.
        if (!isCallbackOnQueue(&q.nodes[0])) {
            state.PauseTiming();
            for (auto& n : q.nodes) {
                cancelDelayedCallback(&n);
                scheduleDelayedCallback(&n, 10 + static_cast<uint32_t>(&n - &q.nodes[0]) * 10);
            }
            state.ResumeTiming();
        }
    }
    cancelDelayedCallback(&periodic);
    reportAllocs(state, before);
}
BENCHMARK(BM_FirePeriodic)->Arg(10)->Arg(100)->Arg(1000);

struct Sink : Notifiable {
    unsigned count = 0;
    void notify(NotificationEvent, Data*) override { ++count; }
};

// Delayed notification round trip: schedule, fire, recycle the node.
void BM_DelayedNotify(benchmark::State& state) {
    hostClockSetHalfMs(2000);
    Queue q(static_cast<int>(state.range(0)));
    Sink sink;
    sink.delayedNotify(TimerEvent, 1); // warms the free list
    hostClockAdvanceMs(1);
    checkForDelayedCallbacks();
    size_t before = allocationCount();
    for (auto _ : state) {
        sink.delayedNotify(TimerEvent, 1);
        sink.cancelDelayedNotify(TimerEvent);
    }
    reportAllocs(state, before);
}
BENCHMARK(BM_DelayedNotify)->Arg(10)->Arg(100)->Arg(1000);
} // namespace

BENCHMARK_MAIN();
