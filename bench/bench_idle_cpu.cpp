// CPU use of the running program while it has nothing to do: started headless, it waits
// the given seconds (10 by default) on the real clock and quits.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/program_runner.h"

int main(int argc, char** argv) {
    int seconds = argc > 1 ? atoi(argv[1]) : 10;
    std::string dir = makeTempDir();
    writeFile(dir + "/keys", "wait " + std::to_string(seconds * 1000) + "\nquit\n");
    ProgramRun run({"--keys", dir + "/keys"});
    run.timeoutMs = (seconds + 10) * 1000;
    ProgramResult r = runProgram(run);
    if (r.exitStatus != 0) {
        fprintf(stderr, "program failed: status %d\n%s", r.exitStatus, r.err.c_str());
        return 1;
    }
    printf("idle CPU: %.1f ms over %.0f ms wall = %.3f %% of one core\n", r.cpuMs, r.wallMs,
           100.0 * r.cpuMs / r.wallMs);
    return 0;
}
