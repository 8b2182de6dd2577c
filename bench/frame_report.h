// Per-frame counters of the CAN benchmarks: frames per CPU second, allocations and (where
// the machine has a counter, else -1) instructions per frame.
#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>

#include "bench/alloc_counter.h"

inline void reportPerFrame(benchmark::State& state, size_t allocsBefore, int64_t instructions) {
    double n = static_cast<double>(state.iterations());
    state.counters["frames_per_cpu_s"] = benchmark::Counter(n, benchmark::Counter::kIsRate);
    state.counters["allocs_per_frame"] = static_cast<double>(allocationCount() - allocsBefore) / n;
    state.counters["instructions_per_frame"] =
        instructions < 0 ? -1.0 : static_cast<double>(instructions) / n;
}
