// Opening and closing a dialog (a title and two buttons) over a full screen of text and
// frames: time per open-close cycle, heap allocations per cycle, and overdraw: pixels written
// on opening per pixel of the dialog's layer, and on closing per pixel it uncovered.
#include <benchmark/benchmark.h>

#include "bench/alloc_counter.h"
#include "bench/counting_driver.h"
#include "gui/button.h"
#include "gui/button_action.h"
#include "gui/dialog.h"
#include "platform/display.h"
#include "tests/support/gui_scene.h"

namespace {
BBox below(int32_t x, int32_t y, int32_t w, int32_t h) {
    return BBox(RefPoint(At(x, y), HREF_LEFT, VREF_TOP_MARGIN),
                RefPoint(At(w - 1, h - 1), HREF_WIDTH, VREF_HEIGHT));
}

void BM_OpenCloseDialog(benchmark::State& state) {
    setPalette(nullptr);
    blankFrameBuffer();
    CountingDriver counter;
    MainPane main(&counter);
    // The size of the foundation's dialog scene (200 x 120 at (60, 60)).
    Dialog dialog(BBox(At(60, 60), 200, 120), "Are you sure?", 0, 1, FRAME_PLAIN, &counter);
    StaticTextObj question(below(0, 12, 198, 16), "Program Module Engine #0?", 1,
                           ALIGN_HCENTER | ALIGN_VCENTER, 15, 0, false, true);
    CloseDialogAction yesAction(&dialog, CLOSEYES), noAction(&dialog, CLOSENO);
    TextualButton yes(below(20, 56, 70, 24), &yesAction, "Yes", 0, 1, nullptr, true, false,
                      BUTTON_MOMENTARY);
    TextualButton no(below(108, 56, 70, 24), &noAction, "No", 0, 1, nullptr, true, false,
                     BUTTON_MOMENTARY);
    dialog.add(&question);
    dialog.add(&yes);
    dialog.add(&no);
    theScreen.addLayer(&main, nullptr, false);

    counter.writes = 0;
    dialog.popup(At(-1, -1), &main, false);
    long openWrites = counter.writes;
    double dialogPixels = static_cast<double>(dialog.layerRect.width()) * dialog.layerRect.height();
    counter.writes = 0;
    dialog.asyncDefocus(CLOSENO);
    long closeWrites = counter.writes;

    size_t before = allocationCount();
    for (auto _ : state) {
        dialog.popup(At(-1, -1), &main, false);
        dialog.asyncDefocus(CLOSENO);
    }
    state.counters["allocs/cycle"] = benchmark::Counter(
        static_cast<double>(allocationCount() - before) / static_cast<double>(state.iterations()));
    state.counters["pixels/cycle"] = static_cast<double>(openWrites + closeWrites);
    state.counters["open/dialog px"] = static_cast<double>(openWrites) / dialogPixels;
    state.counters["close/exposed px"] = static_cast<double>(closeWrites) / dialogPixels;
    state.SetLabel("dialog over main screen");
    theScreen.removeLayer(&main);
}
BENCHMARK(BM_OpenCloseDialog)->Unit(benchmark::kMicrosecond);
} // namespace

BENCHMARK_MAIN();
