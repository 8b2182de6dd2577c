// Drawing a full-screen arc gauge with ticks: time per drawing, heap allocations per
// drawing once laid out, and the pixels written per pixel of the arc (quadrant seams are
// written twice).
#include <benchmark/benchmark.h>

#include <vector>

#include "bench/alloc_counter.h"
#include "gui/application_gui.h"
#include "gui/arc_obj.h"
#include "platform/display.h"

namespace {
// Counts what reaches the frame buffer, and where.
class CountingDriver : public DisplayDriver {
public:
    void setPixel(long x, long y, Color c) override {
        ++writes;
        touched[y * ScreenWidth + x] = true;
        DisplayDriver::setPixel(x, y, c);
    }
    long writes = 0;
    std::vector<bool> touched = std::vector<bool>(ScreenWidth * ScreenHeight);
};

void BM_ArcGauge(benchmark::State& state) {
    setPalette(nullptr);
    blankFrameBuffer();
    CountingDriver counter;
    Layer layer(&counter);
    const Rect box(At(12, 12), At(306, 226));
    ArcObj gauge(BBox(box), 16, -45, 225, 9, nullptr);
    gauge.setupTicks(20);
    gauge.onLayer(&layer, nullptr);
    gauge._draw_(box, false, false, 15, nullptr, false);
    long perDrawing = counter.writes;
    long distinct = 0;
    for (bool t : counter.touched)
        distinct += t;
    size_t before = allocationCount();
    for (auto _ : state)
        gauge._draw_(box, false, false, 15, nullptr, false);
    state.counters["allocs/drawing"] = benchmark::Counter(
        static_cast<double>(allocationCount() - before) / static_cast<double>(state.iterations()));
    state.counters["pixels/drawing"] = static_cast<double>(perDrawing);
    state.counters["writes/arc pixel"] =
        static_cast<double>(perDrawing) / static_cast<double>(distinct);
    state.counters["ns/pixel"] = benchmark::Counter(
        static_cast<double>(perDrawing) * static_cast<double>(state.iterations()),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ArcGauge)->Unit(benchmark::kMicrosecond);
} // namespace
BENCHMARK_MAIN();
