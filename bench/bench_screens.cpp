// The application's main screen, with three files and three modules listed: time per full
// redraw, pixels written per redraw and heap allocations per redraw; and the cost of
// choosing another file.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/alloc_counter.h"
#include "bench/counting_driver.h"
#include "flashloader/main_screen.h"
#include "flashloader/module_check.h"
#include "flashloader/module_manager.h"
#include "flashloader/osf_selection.h"
#include "platform/display.h"
#include "tests/support/program_runner.h"

namespace {
// A file made for a module at address a: its header and an end record.
std::string fileFor(int a) {
    return "[Hex File Information]\nFirmwareVersion=1.0." + std::to_string(a) +
           "\nReleaseDate=2026-11-30\nSectorsList=1,2\nJ1939Address=" + std::to_string(a) +
           "\nModuleID=" + std::to_string(1000 + a) + "\nFunction=17\n:00000001FF\n";
}

// The main screen as the search leaves it: three files, three modules claimed.
void openMainScreen() {
    static bool open = false;
    if (open) return;
    open = true;
    setPalette(nullptr);
    blankFrameBuffer();
    std::string dir = makeTempDir();
    for (int a = 1; a <= 3; ++a) {
        std::string name = "module-" + std::to_string(a) + ".hex";
        writeFile(dir + "/" + name, fileFor(a));
        osfSelection.addFile((dir + "/" + name).c_str(), name.c_str(), 8192);
    }
    for (int a = 1; a <= 3; ++a)
        J1939moduleMgr.addOrModifyCf(static_cast<unsigned char>(a),
                                     J1939NAME(1000 + a, 17, 0, 0, 0x123, 0, 0, 0, true));
    moduleCheck.init();
    mainScreen.init();
}

void BM_MainScreenRedraw(benchmark::State& state) {
    openMainScreen();
    CountingDriver counter;
    DisplayDriver* saved = mainScreen.driver;
    mainScreen.driver = &counter;
    mainScreen.draw(nullptr, true);
    long perRedraw = counter.writes;
    size_t before = allocationCount();
    for (auto _ : state)
        mainScreen.draw(nullptr, true);
    state.counters["allocs/redraw"] = benchmark::Counter(
        static_cast<double>(allocationCount() - before) / static_cast<double>(state.iterations()));
    state.counters["pixels/redraw"] = static_cast<double>(perRedraw);
    state.counters["overdraw"] = static_cast<double>(perRedraw) / (ScreenWidth * ScreenHeight);
    mainScreen.driver = saved;
}
BENCHMARK(BM_MainScreenRedraw)->Unit(benchmark::kMicrosecond);

// Choosing another file: the file list, the checks (a file for another module fails them)
// and the button follow.
void BM_ChooseAnotherFile(benchmark::State& state) {
    openMainScreen();
    int i = 0;
    for (auto _ : state)
        osfSelection.setCurrent(&osfSelection.files[++i % 3]);
}
BENCHMARK(BM_ChooseAnotherFile)->Unit(benchmark::kMicrosecond);
} // namespace

BENCHMARK_MAIN();
