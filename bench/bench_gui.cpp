// Full-screen redraw of a typical screen (a dialog over a screen of text and frames): time
// per redraw, heap allocations per redraw, and overdraw, the pixels written per visible
// pixel. Later speed-ups compare against these figures.
#include <benchmark/benchmark.h>

#include "bench/alloc_counter.h"
#include "bench/counting_driver.h"
#include "platform/display.h"
#include "tests/support/gui_scene.h"

namespace {
// Every layer redraws itself, bottom up, as after a language switch.
void redrawAll() {
    for (Layer* l = theScreen.baseLayer.above; l != nullptr; l = l->above)
        l->onScreen(true, nullptr);
}

void BM_FullScreenRedraw(benchmark::State& state) {
    setPalette(nullptr);
    blankFrameBuffer();
    CountingDriver counter;
    bool withDialog = state.range(0) != 0;
    MainPane main(&counter);
    DialogPane dialog(&counter);
    theScreen.addLayer(&main, nullptr, false);
    if (withDialog) theScreen.addLayer(&dialog, nullptr, false);
    counter.writes = 0;
    redrawAll();
    long perRedraw = counter.writes;
    size_t before = allocationCount();
    for (auto _ : state)
        redrawAll();
    state.counters["allocs/redraw"] = benchmark::Counter(
        static_cast<double>(allocationCount() - before) / static_cast<double>(state.iterations()));
    state.counters["pixels/redraw"] = static_cast<double>(perRedraw);
    state.counters["overdraw"] = static_cast<double>(perRedraw) / (ScreenWidth * ScreenHeight);
    state.SetLabel(withDialog ? "dialog over main screen" : "main screen alone");
    theScreen.removeLayer(&dialog);
    theScreen.removeLayer(&main);
}
BENCHMARK(BM_FullScreenRedraw)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

// Closing the dialog: the screen underneath fills in what it covered.
void BM_CloseDialog(benchmark::State& state) {
    setPalette(nullptr);
    blankFrameBuffer();
    MainPane main;
    DialogPane dialog;
    theScreen.addLayer(&main, nullptr, false);
    for (auto _ : state) {
        state.PauseTiming();
        theScreen.addLayer(&dialog, nullptr, false);
        state.ResumeTiming();
        theScreen.removeLayer(&dialog);
    }
    theScreen.removeLayer(&main);
}
BENCHMARK(BM_CloseDialog)->Unit(benchmark::kMicrosecond);

// One line of normal text drawn on a layer that nothing covers.
void BM_DrawTextLine(benchmark::State& state) {
    setPalette(nullptr);
    blankFrameBuffer();
    TestPane pane(BBox(Rect(At(0, 0), At(319, 239))), 15);
    Label line(BBox(At(4, 100), 312, 13), "Programming Module: J1939 Flashloader 0123456789",
               &NormalFont);
    pane.add(&line);
    theScreen.addLayer(&pane, nullptr, false);
    for (auto _ : state)
        line.draw(nullptr, true);
    theScreen.removeLayer(&pane);
}
BENCHMARK(BM_DrawTextLine)->Unit(benchmark::kMicrosecond);
} // namespace

BENCHMARK_MAIN();
