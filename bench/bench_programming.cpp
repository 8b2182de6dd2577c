// Programming time of a 256 KiB image into a simulated module on the virtual bus at
// 250 kbit/s, the module answering each command after 1 ms, against the bound of the same
// run: the bus time of every frame between the first command and the last answer plus the
// module's answer times. Once with 16-byte records, once with 32-byte records.
#include <cstdio>
#include <string>

#include "flashloader/display_module.h"
#include "flashloader/flashloader.h"
#include "flashloader/module_manager.h"
#include "flashloader/protocol_msgs.h"
#include "flashloader/result_messages.h"
#include "modsim/module_bus.h"
#include "tests/support/j1939_test_bus.h"
#include "tests/support/program_runner.h"

namespace {
constexpr uint8_t ModuleSA = 0x80;
constexpr uint32_t AnswerMs = 1;

bool measure(const char* record) {
    std::string path = makeTempDir() + "/image.hex";
    ProgramRun gen({"--base", "0x40000", "--size", "256K", "--record", record, "--sectors",
                    "4,5,6,7", "-o", path});
    gen.program = OSFGEN_BIN;
    if (runProgram(gen).exitStatus != 0) return false;

    J1939TestBus bus;
    ModuleBus modules;
    ModuleDescription desc;
    char err[200];
    if (!parseModuleDescription("sa=0x80 flash=1M sector=64K erase-ms=0 delay-mode=1 "
                                "delay-erase=1 delay-data=1 delay-run=1",
                                &desc, err, sizeof err) ||
        modules.add(desc, err, sizeof err) == nullptr || !modules.join(bus.bus)) {
        fprintf(stderr, "module: %s\n", err);
        return false;
    }
    SimModule& mod = modules.module(0);
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
    bool ok = resultsDialog.titleString.key == std::string("Programming Suceeded") &&
              resultsDialog.message == nullptr;

    // From the start of the first command to the end of the run-mode answer.
    const auto& frames = bus.peer.received;
    const auto& at = bus.peer.receivedAt;
    size_t first = from, last = from;
    for (size_t i = from; i < frames.size(); ++i) {
        bool cmd = pgnOf(frames[i]) == PGN_ProprietaryA && saOf(frames[i]) == ServiceToolSA;
        bool fromModule = pgnOf(frames[i]) == PGN_ProprietaryA && saOf(frames[i]) == ModuleSA;
        if (cmd && frames[i].data[0] == FL_ChangeModeCmd && frames[i].data[1] == FL_ProgramMode &&
            first == from)
            first = i;
        if (fromModule && frames[i].data[0] == FL_Response && frames[i].data[1] == FL_ChangeModeCmd)
            last = i;
    }
    uint64_t startNs = at[first] - bus.bus->frameTimeNs(frames[first]);
    uint64_t busNs = 0;
    for (size_t i = first; i <= last; ++i)
        busNs += bus.bus->frameTimeNs(frames[i]);
    unsigned long commands = mod.received(ModCmd::Mode) + mod.received(ModCmd::Erase) +
                             mod.received(ModCmd::Data) + mod.received(ModCmd::Run);
    double achievedMs = static_cast<double>(at[last] - startNs) / 1e6;
    double boundMs = static_cast<double>(busNs) / 1e6 + commands * AnswerMs;
    printf("%s-byte records: %s, %lu commands, %zu frames, %.1f ms at 250 kbit/s, bound %.1f ms "
           "(bus %.1f ms + answers %lu ms), ratio %.3f\n",
           record, ok ? "programmed" : "FAILED", commands, last - first + 1, achievedMs, boundMs,
           static_cast<double>(busNs) / 1e6, commands * AnswerMs, achievedMs / boundMs);
    modules.leave();
    return ok;
}
} // namespace

int main(int argc, char** argv) {
    const char* record = argc > 1 ? argv[1] : "16";
    return measure(record) ? 0 : 1;
}
