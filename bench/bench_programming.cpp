// Programming time of a 256 KiB image into a simulated module at 250 kbit/s, the module
// answering each command after 1 ms, against the bound of the same run: the bus time of
// every frame between the first command and the last answer plus the module's answer
// times. With 16-byte or 32-byte records; on the virtual bus in virtual time, or with
// "cannelloni" in real time against modsim as a process of its own on loopback, with the
// CPU time both processes spent.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

#include "flashloader/display_module.h"
#include "flashloader/flashloader.h"
#include "flashloader/module_manager.h"
#include "flashloader/protocol_msgs.h"
#include "flashloader/result_messages.h"
#include "modsim/module_bus.h"
#include "platform/host/can/can_wire_frame.h"
#include "platform/host/host_clock.h"
#include "tests/support/j1939_test_bus.h"
#include "tests/support/program_runner.h"

namespace {
constexpr uint8_t ModuleSA = 0x80;
constexpr uint32_t AnswerMs = 1;
constexpr uint64_t BitNs = 4000; // 250 kbit/s
constexpr const char* ModuleWords = "sa=0x80 flash=1M sector=64K erase-ms=0 delay-mode=1 "
                                    "delay-erase=1 delay-data=1 delay-run=1";

struct TimedFrame {
    CanWireFrame frame;
    uint64_t atNs; // when the frame ended
};

// Frames of a candump log: "(seconds.micros) IFACE ID#DATA".
std::vector<TimedFrame> readLog(const std::string& path) {
    std::vector<TimedFrame> frames;
    FILE* f = fopen(path.c_str(), "r");
    if (f == nullptr) return frames;
    char line[200];
    while (fgets(line, sizeof line, f) != nullptr) {
        unsigned long sec = 0, usec = 0;
        char iface[32], body[64];
        if (sscanf(line, "(%lu.%lu) %31s %63s", &sec, &usec, iface, body) != 4) continue;
        char* hash = strchr(body, '#');
        if (hash == nullptr) continue;
        TimedFrame t;
        t.frame.id = static_cast<uint32_t>(strtoul(body, nullptr, 16));
        t.frame.extended = hash - body > 3;
        t.frame.dlc = 0;
        for (const char* p = hash + 1; p[0] != '\0' && p[1] != '\0' && t.frame.dlc < 8; p += 2) {
            char byte[3] = {p[0], p[1], 0};
            t.frame.data[t.frame.dlc++] = static_cast<uint8_t>(strtoul(byte, nullptr, 16));
        }
        t.atNs = (static_cast<uint64_t>(sec) * 1000000 + usec) * 1000;
        frames.push_back(t);
    }
    fclose(f);
    return frames;
}

double cpuMsOfSelf() {
    rusage u;
    getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
           (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

// User and system time of a running process from /proc, in ms.
double cpuMsOf(pid_t pid) {
    FILE* f = fopen(("/proc/" + std::to_string(pid) + "/stat").c_str(), "r");
    if (f == nullptr) return 0;
    char buf[1024];
    size_t n = fread(buf, 1, sizeof buf - 1, f);
    fclose(f);
    buf[n] = 0;
    const char* p = strrchr(buf, ')'); // after the command name
    unsigned long utime = 0, stime = 0;
    if (p == nullptr ||
        sscanf(p + 2, "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &utime, &stime) != 2)
        return 0;
    return (utime + stime) * 1000.0 / sysconf(_SC_CLK_TCK);
}

pid_t startModsim(uint16_t localPort, uint16_t peerPort) {
    std::string can =
        "cannelloni:" + std::to_string(localPort) + ":127.0.0.1:" + std::to_string(peerPort);
    const char* argv[] = {MODSIM_BIN, "--can",     can.c_str(), "--quiet",
                          "--module", ModuleWords, nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, MODSIM_BIN, nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
        return 0;
    return pid;
}

bool succeeded() {
    return resultsDialog.titleString.key == std::string("Programming Suceeded") &&
           resultsDialog.message == nullptr;
}

// From the start of the first command to the end of the run-mode answer: the time taken
// against the bus time of those frames plus an answer time per command.
bool report(const char* record, const char* where, const std::vector<TimedFrame>& frames,
            const std::string& extra) {
    bool ok = succeeded();
    size_t first = frames.size(), last = 0;
    unsigned long commands = 0;
    for (size_t i = 0; i < frames.size(); ++i) {
        const CanWireFrame& f = frames[i].frame;
        bool proprietary = pgnOf(f) == PGN_ProprietaryA;
        bool cmd = proprietary && saOf(f) == ServiceToolSA;
        bool answer = proprietary && saOf(f) == ModuleSA && f.data[0] == FL_Response;
        if (cmd && f.data[0] == FL_ChangeModeCmd && f.data[1] == FL_ProgramMode && first > i)
            first = i;
        commands += answer && first <= i ? 1 : 0;
        if (answer && f.data[1] == FL_ChangeModeCmd) last = i;
    }
    if (first >= frames.size() || last < first) {
        printf("%s-byte records %s: FAILED (no complete run in the frames)\n", record, where);
        return false;
    }
    uint64_t busNs = 0;
    for (size_t i = first; i <= last; ++i)
        busNs += canFrameBits(frames[i].frame) * BitNs;
    uint64_t startNs = frames[first].atNs - canFrameBits(frames[first].frame) * BitNs;
    double achievedMs = static_cast<double>(frames[last].atNs - startNs) / 1e6;
    double boundMs = static_cast<double>(busNs) / 1e6 + commands * AnswerMs;
    printf("%s-byte records %s: %s, %lu commands, %zu frames, %.1f ms at 250 kbit/s, bound "
           "%.1f ms (bus %.1f ms + answers %lu ms), ratio %.3f%s\n",
           record, where, ok ? "programmed" : "FAILED", commands, last - first + 1, achievedMs,
           boundMs, static_cast<double>(busNs) / 1e6, commands * AnswerMs, achievedMs / boundMs,
           extra.c_str());
    return ok;
}

// The display's stack on the real clock over cannelloni on loopback, modsim in its own
// process on the other end.
bool measureOverCannelloni(const char* record, const std::string& path, const std::string& dir) {
    uint16_t displayPort = freeUdpPort(), modsimPort = freeUdpPort();
    pid_t modsim = startModsim(modsimPort, displayPort);
    if (modsim == 0) return false;
    std::string log = dir + "/display.log";
    std::string can =
        "cannelloni:" + std::to_string(displayPort) + ":127.0.0.1:" + std::to_string(modsimPort);
    double selfMs = 0, modsimMs = 0, wallMs = 0;
    {
        J1939TestBus bus(true, log.c_str(), can.c_str(), true);
        J1939_applicationInit(3);
        J1939moduleMgr.initCom();
        J1939controlFunction* entry = nullptr;
        bus.runUntil(
            [&] {
                for (J1939controlFunction& c : J1939moduleMgr.cf)
                    if (c.isAssigned() && c.module.address == ModuleSA) entry = &c;
                return entry != nullptr;
            },
            10000);
        if (entry != nullptr) {
            osfSelection.addFile(path.c_str(), "image.hex", 0);
            osfSelection.setCurrent(&osfSelection.files[0]);
            moduleSelection.setCurrent(entry);
            double self0 = cpuMsOfSelf(), modsim0 = cpuMsOf(modsim);
            uint64_t wall0 = hostClockNowNs();
            flashLoader.popup(At(-1, -1), nullptr, true);
            bus.runUntil([] { return !flashLoader.isOpen(); }, 3600000);
            wallMs = static_cast<double>(hostClockNowNs() - wall0) / 1e6;
            selfMs = cpuMsOfSelf() - self0;
            modsimMs = cpuMsOf(modsim) - modsim0;
        }
    }
    kill(modsim, SIGTERM);
    waitpid(modsim, nullptr, 0);
    char extra[200];
    snprintf(extra, sizeof extra, "; CPU over the %.1f s run: display %.1f %%, modsim %.1f %%",
             wallMs / 1e3, 100 * selfMs / wallMs, 100 * modsimMs / wallMs);
    return report(record, "over cannelloni in real time", readLog(log), extra);
}

bool measure(const char* record, bool cannelloni) {
    std::string dir = makeTempDir();
    std::string path = dir + "/image.hex";
    ProgramRun gen({"--base", "0x40000", "--size", "256K", "--record", record, "--sectors",
                    "4,5,6,7", "-o", path});
    gen.program = OSFGEN_BIN;
    if (runProgram(gen).exitStatus != 0) return false;

    if (cannelloni) return measureOverCannelloni(record, path, dir);

    J1939TestBus bus;
    ModuleBus modules;
    ModuleDescription desc;
    char err[200];
    if (!parseModuleDescription(ModuleWords, &desc, err, sizeof err) ||
        modules.add(desc, err, sizeof err) == nullptr || !modules.join(bus.bus)) {
        fprintf(stderr, "module: %s\n", err);
        return false;
    }
    J1939_applicationInit(3);
    J1939moduleMgr.initCom();
    bus.runFor(6000);
    J1939controlFunction* entry = nullptr;
    for (J1939controlFunction& c : J1939moduleMgr.cf)
        if (c.isAssigned() && c.module.address == ModuleSA) entry = &c;
    if (entry == nullptr) return false;
    osfSelection.addFile(path.c_str(), "image.hex", 0);
    osfSelection.setCurrent(&osfSelection.files[0]);
    moduleSelection.setCurrent(entry);

    size_t from = bus.peer.received.size();
    flashLoader.popup(At(-1, -1), nullptr, true);
    if (!bus.runUntil([] { return !flashLoader.isOpen(); }, 3600000)) return false;
    std::vector<TimedFrame> frames;
    for (size_t i = from; i < bus.peer.received.size(); ++i)
        frames.push_back({bus.peer.received[i], bus.peer.receivedAt[i]});
    modules.leave();
    return report(record, "on the virtual bus", frames, "");
}
} // namespace

int main(int argc, char** argv) {
    const char* record = argc > 1 ? argv[1] : "16";
    bool cannelloni = argc > 2 && strcmp(argv[2], "cannelloni") == 0;
    return measure(record, cannelloni) ? 0 : 1;
}
