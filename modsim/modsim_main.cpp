// modsim: simulated modules with flash boot loaders as a process of their own, on a
// cannelloni link or a SocketCAN interface, printing one line per protocol event.
//
//   modsim --can TRANSPORT [--can-log FILE] (--module DESCRIPTION | --modules FILE)... [--quiet]
#include <csignal>
#include <cstdio>
#include <cstring>

#include "core/framework.h"
#include "modsim/controller_bridge.h"
#include "modsim/module_bus.h"
#include "platform/host/can/host_can.h"
#include "platform/host/host_clock.h"
#include "platform/host/host_loop.h"
#include "platform/platform.h"

namespace {
// The local bus between the modules and the controller is fast, so that it adds next to
// nothing to the real bus's time.
constexpr uint32_t LocalBitRate = 10000000;

volatile sig_atomic_t stopRequested = 0;

void onSignal(int) {
    stopRequested = 1;
    FW.terminationCode = 1; // ends the host's idle wait if it is about to begin
}

void help() {
    printf("usage: modsim --can TRANSPORT [--can-log FILE] (--module DESCRIPTION | --modules "
           "FILE)... [--quiet]\n"
           "Simulated modules with flash boot loaders on a CAN transport:\n"
           "  --can TRANSPORT      cannelloni:LOCALPORT:HOST:PORT or socketcan:IFACE\n"
           "  --can-log FILE       log every frame sent and received in candump format\n"
           "  --module DESCRIPTION one module: KEY=VALUE words separated by blanks or commas\n"
           "  --modules FILE       modules from a file, one description a line, # comments\n"
           "  --quiet              no event lines\n"
           "Ends on Ctrl-C or SIGTERM, writing the modules' flash images.\n"
           "Description words (numbers decimal or 0x-hex, sizes with K or M):\n"
           "  sa=ADDR (required) label=TEXT name=HEX16 | id=N function=N manufacturer=N\n"
           "    industry=N vsys=N vsys-instance=N function-instance=N ecu=N aac=0|1\n"
           "  app=MAJ.MIN.REV[/SECOND] param=... boot=... (or none)  general=255|0|none\n"
           "  appsw=N paramsw=N (or none)\n"
           "  flash=SIZE sector=SIZE | sectors=N*SIZE+...  base=ADDR erased=BYTE fill=BYTE\n"
           "  erase-ms=MS (per sector) image=FILE window=N (packets per CTS)\n"
           "Faults (N counts that kind of command from 1; without @N every one):\n"
           "  silent  refuse-{mode,erase,data,run}=CODE[@N]\n"
           "  ignore-{claim,version,mode,erase,data,run}[@N]  delay-KIND=MS[@N]\n"
           "  vanish-KIND[@N] with back=MS  busoff-KIND[@N] (KIND also transfer)\n"
           "  hold-cts=COUNT[@N] abort-dt=K[@N] drop-dt=SEQ[@N] repeat-dt=SEQ[@N] (transfers)\n"
           "Diagnostics (DTC lists are SPN.FMI joined by +, or none):\n"
           "  dm1=LIST dm1-lamps=N dm1-flash=N dm1-then=MS:LIST dm1-stop=MS (DM1 every second)\n"
           "  send-file=PATH send-to=DA send-at=MS send-record=N (a service tool sending the\n"
           "    display a file with the proprietary command)\n"
           "Error codes of the modules' refusals: 1 checksum, 2 outside the flash, 3 not\n"
           "erased, 4 not in programming mode, 5 no such sector, 6 malformed, 7 record type.\n");
}

class Printer : public ModuleListener {
public:
    uint64_t startNs = 0;
    void moduleEvent(const SimModule& m, const ModEvent& e) override {
        double t = static_cast<double>(hostClockNowNs() - startNs) / 1e9;
        const char* label = m.description().label;
        printf("%9.3f 0x%02X%s%s: %s\n", t, m.address(), label[0] ? " " : "", label, e.text);
    }
};

int fail(const char* what, const char* why) {
    fprintf(stderr, "modsim: %s%s%s\n", what, why[0] ? ": " : "", why);
    return 2;
}
} // namespace

int main(int argc, char** argv) {
    setvbuf(stdout, nullptr, _IOLBF, 0);
    const char* transport = nullptr;
    const char* logPath = nullptr;
    bool quiet = false;
    static ModuleDescription descs[ModuleBus::MaxModules];
    int count = 0;
    char err[400];
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        bool hasValue = i + 1 < argc;
        if (strcmp(a, "--help") == 0) {
            help();
            return 0;
        } else if (strcmp(a, "--quiet") == 0) {
            quiet = true;
        } else if (strcmp(a, "--can") == 0 && hasValue) {
            transport = argv[++i];
        } else if (strcmp(a, "--can-log") == 0 && hasValue) {
            logPath = argv[++i];
        } else if (strcmp(a, "--module") == 0 && hasValue) {
            if (count == ModuleBus::MaxModules) return fail("--module", "too many modules");
            if (!parseModuleDescription(argv[++i], &descs[count], err, sizeof err))
                return fail("--module", err);
            ++count;
        } else if (strcmp(a, "--modules") == 0 && hasValue) {
            int n = parseModuleFile(argv[++i], descs + count, ModuleBus::MaxModules - count, err,
                                    sizeof err);
            if (n < 0) return fail("--modules", err);
            count += n;
        } else {
            fprintf(stderr, "modsim: unknown or incomplete option '%s' (--help lists them)\n", a);
            return 2;
        }
    }
    if (transport == nullptr) return fail("--can TRANSPORT is needed", "");
    if (count == 0) return fail("no modules (--module or --modules)", "");
    HostCanSpec parsed;
    if (!parseCanSpec(transport, &parsed, err, sizeof err)) return fail("--can", err);
    if (parsed.kind == CanTransportKind::Sim)
        return fail("--can", "the built-in bus belongs to a program; use cannelloni or socketcan");

    Printer printer;
    printer.startNs = hostClockNowNs();
    ModuleBus modules;
    if (!quiet) modules.setListener(&printer);
    for (int i = 0; i < count; ++i)
        if (modules.add(descs[i], err, sizeof err) == nullptr) return fail("--module", err);
    if (!hostCanOpen(transport, logPath, err, sizeof err)) return fail("CAN transport", err);

    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);

    SimCanBus local(LocalBitRate);
    ControllerBridge bridge(hostCanController());
    bridge.start();
    local.attach(&bridge);
    modules.join(&local);
    while (!stopRequested) {
        platformBackgroundProcess();
        bool moved = bridge.service();
        uint64_t now = hostClockNowNs();
        moved = local.runUntil(now) || moved;
        uint64_t next = local.nextEventNs();
        if (next != SimCanBus::Never) hostWakeWithinNs(next > now ? next - now : 0);
        if (moved) platformNoteActivity();
    }
    modules.leave();
    local.detach(&bridge);
    hostCanClose();
    if (bridge.lost + modules.framesLost() > 0 || bridge.overruns > 0)
        printf("modsim: %lu frames lost, %lu overruns\n", bridge.lost + modules.framesLost(),
               bridge.overruns);
    printf("modsim: stopped\n");
    return 0;
}
