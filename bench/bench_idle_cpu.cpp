// CPU use of the running program on the real clock, headless, with the demo stick and
// three simulated modules: first the start-up to the main screen (the search's 2 s floor is
// spent waiting, so the CPU time is the work), then the main screen shown for the given
// seconds (10 by default) with the modules claiming and answering.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/program_runner.h"

namespace {
const char* const Modules[] = {
    "sa=0x00 id=0x1A2B3 function=0 app=3.1.2 param=2.0.4 boot=1.2.0",
    "sa=0x05 id=0x0C0DE function=2 app=1.4.0 param=1.1.0 boot=1.0.3",
    "sa=0x31 id=0x2002 function=0x33 ignore-version",
};
// Past the search's floor and the first version questions.
constexpr int MainScreenShownMs = 2500;

bool runFor(int ms, ProgramResult* r) {
    std::string dir = makeTempDir();
    writeFile(dir + "/keys", "wait " + std::to_string(ms) + "\nquit\n");
    ProgramRun run(
        {"--keys", dir + "/keys", "--usb", SOURCE_ROOT "/demo/stick", "--state", dir + "/state"});
    for (const char* m : Modules)
        run.args.insert(run.args.end(), {"--module", m});
    run.timeoutMs = ms + 10000;
    *r = runProgram(run);
    if (r->exitStatus == 0) return true;
    fprintf(stderr, "program failed: status %d\n%s", r->exitStatus, r->err.c_str());
    return false;
}
} // namespace

int main(int argc, char** argv) {
    int seconds = argc > 1 ? atoi(argv[1]) : 10;
    ProgramResult start, idle;
    if (!runFor(MainScreenShownMs, &start) || !runFor(MainScreenShownMs + seconds * 1000, &idle))
        return 1;
    printf("start-up to main screen: %.1f ms CPU (%.0f ms wall with the 2 s search floor)\n",
           start.cpuMs, start.wallMs);
    double cpu = idle.cpuMs - start.cpuMs, wall = idle.wallMs - start.wallMs;
    printf("main screen, three modules: %.1f ms CPU over %.0f ms wall = %.3f %% of one core\n", cpu,
           wall, 100.0 * cpu / wall);
    return 0;
}
