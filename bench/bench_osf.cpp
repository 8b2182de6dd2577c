// Reading a 10 MB software file: Osf's header, validation pass and every record handed out
// one at a time, side by side with srecord's srec_cat reading the same Intel-HEX file
// (srec_cat FILE -Intel -o /dev/null -Binary), best of several runs each, in one run. Both
// CPU time (what counts on a shared machine) and wall time are reported.
//   bench_osf [RUNS]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <time.h>

#include "flashloader/osf.h"
#include "tests/support/program_runner.h"

namespace {
double msSince(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t).count();
}

double cpuMs() {
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}
} // namespace

int main(int argc, char** argv) {
    int runs = argc > 1 ? atoi(argv[1]) : 5;
    std::string path = makeTempDir() + "/big.hex";
    ProgramRun gen({"--size", "4800K", "--record", "32", "--holes", "--sectors", "0,1,2,3",
                    "--addresses", "0x80", "--ids", "77", "--functions", "0", "-o", path});
    gen.program = OSFGEN_BIN;
    if (runProgram(gen).exitStatus != 0) {
        fprintf(stderr, "osfgen failed\n");
        return 1;
    }
    struct stat st;
    stat(path.c_str(), &st);
    double mb = static_cast<double>(st.st_size) / 1e6;

    double best = 1e30, bestCpu = 1e30;
    unsigned long records = 0;
    for (int i = 0; i < runs; ++i) {
        auto t = std::chrono::steady_clock::now();
        double c = cpuMs();
        Osf f;
        f.init(path.c_str());
        OsfValidation v;
        if (!f.validate(&v)) {
            fprintf(stderr, "validation failed: %s on line %lu\n", osfFaultText(v.fault), v.line);
            return 1;
        }
        records = 0;
        while (f.readNextRecord())
            ++records;
        f.reset();
        double ms = msSince(t);
        if (ms < best) best = ms;
        if (cpuMs() - c < bestCpu) bestCpu = cpuMs() - c;
        if (records != v.records) {
            fprintf(stderr, "read %lu records, validated %lu\n", records, v.records);
            return 1;
        }
    }

    double srecBest = 1e30, srecCpu = 1e30;
    for (int i = 0; i < runs; ++i) {
        ProgramRun srec({path, "-Intel", "-o", "/dev/null", "-Binary"});
        srec.program = SREC_CAT;
        srec.argv0 = "srec_cat";
        srec.timeoutMs = 120000;
        ProgramResult r = runProgram(srec);
        if (r.exitStatus != 0) {
            fprintf(stderr, "srec_cat failed (tools/install-deps installs srecord): %s\n",
                    r.err.c_str());
            return 1;
        }
        if (r.wallMs < srecBest) srecBest = r.wallMs;
        if (r.cpuMs < srecCpu) srecCpu = r.cpuMs;
    }
    printf("file: %.1f MB, %lu records\n", mb, records);
    printf("Osf init + validate + readNextRecord: %.1f ms CPU (%.0f MB/s), %.1f ms wall\n", bestCpu,
           mb / bestCpu * 1e3, best);
    printf("srec_cat -Intel -o /dev/null -Binary:  %.1f ms CPU, %.1f ms wall\n", srecCpu, srecBest);
    printf("ratio srec_cat / Osf: %.2f CPU, %.2f wall (above 1: Osf is faster)\n",
           srecCpu / bestCpu, srecBest / best);
    return 0;
}
