// Cost of the main loop with the co-processor polls running (keypad every 20 ms, battery
// every 250 ms) and nothing else to do: the loop runs on the virtual clock, so every idle
// wait jumps to the next poll, and the CPU time spent per simulated second is what idle
// running costs. Also reports the time of one pass and allocations in the steady state.
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "bench/alloc_counter.h"
#include "core/application_task.h"
#include "core/framework.h"
#include "platform/host/host_clock.h"
#include "platform/host/host_coproc.h"
#include "platform/host/host_loop.h"
#include "platform/host/host_options.h"
#include "platform/platform.h"
#include "platform/timer.h"
#include "tests/support/program_runner.h"

namespace {
class IdleApplication : public ApplicationTask {
public:
    void onStartup() override {}
};

double cpuSeconds() {
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}
} // namespace

int main(int argc, char** argv) {
    int seconds = argc > 1 ? atoi(argv[1]) : 600;
    IdleApplication app;
    theApplication = &app;
    std::string state = makeTempDir();
    hostOptions.state = state.c_str();
    hostClockSetHalfMs(2000);
    platformInit();
    FW.onStartup();

    // Settle, then measure whole simulated seconds.
    uint32_t t0 = getHighResTime();
    while (getHighResTime() - t0 < 2000)
        FW.loopIteration();
    unsigned polls = hostCoprocessor().wordsTaken();
    unsigned long waits = hostIdleWaitCount();
    size_t allocs = allocationCount();
    long passes = 0;
    double cpu0 = cpuSeconds();
    t0 = getHighResTime();
    uint32_t span = static_cast<uint32_t>(seconds) * 2000;
    while (getHighResTime() - t0 < span) {
        FW.loopIteration();
        ++passes;
    }
    double cpu = cpuSeconds() - cpu0;
    polls = hostCoprocessor().wordsTaken() - polls;
    waits = hostIdleWaitCount() - waits;
    allocs = allocationCount() - allocs;

    printf("main loop, idle with co-processor polls, %d simulated s:\n", seconds);
    printf("  %.1f passes/s (%.1f idle waits/s), %.1f co-processor words/s\n",
           static_cast<double>(passes) / seconds, static_cast<double>(waits) / seconds,
           static_cast<double>(polls) / seconds);
    printf("  %.3f us per pass, allocations in the steady state: %zu\n", 1e6 * cpu / passes,
           allocs);
    printf("  CPU per second of idle running: %.3f ms = %.4f %% of one core (target < 2 %%)\n",
           1e3 * cpu / seconds, 100.0 * cpu / seconds);
    platformUnInit();
    return allocs == 0 ? 0 : 1;
}
