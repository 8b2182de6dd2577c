// Host option parsing. Host options all start with "--"; everything else is left in argv
// in its order for the framework ("-v", "-Flags:", "-OFWdebug", "-startup").
#include "platform/host/host_options.h"

#include "platform/entry.h"
#include "platform/host/can/host_can.h"
#include "platform/host/host_window.h"
#include "platform/usb_files.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

HostOptions hostOptions;

namespace {
struct OptionDef {
    const char* name;
    const char* argName; // null for a switch
    const char** value;
    bool* flag;
    const char* help;
};

const OptionDef optionDefs[] = {
    {"--can", "TRANSPORT", &hostOptions.can, nullptr,
     "CAN transport: sim[:BITRATE] (built-in simulated bus, default, 250k), "
     "socketcan:IFACE, cannelloni:LOCALPORT:HOST:PORT"},
    {"--can-log", "FILE", &hostOptions.canLog, nullptr,
     "log every CAN frame sent and received in candump format"},
    {"--display", "KIND", &hostOptions.display, nullptr,
     "none (headless, default) or sdl (a window; keys are named in its title)"},
    {"--scale", "N", &hostOptions.scale, nullptr,
     "the window's size in screen sizes, 1 to 8 (default 3)"},
    {"--keys", "FILE", &hostOptions.keys, nullptr,
     "scripted keys, one command a line: key names, press KEY, release KEY, wait MS, "
     "screenshot FILE, quit; - reads standard input"},
    {"--usb", "DIR", &hostOptions.usb, nullptr,
     "directory standing for the USB stick's mount point"},
    {"--usb-device", "DEV", &hostOptions.usbDevice, nullptr,
     "mount the stick DEV (its partition DEV1 first) as vfat on the --usb directory "
     "(default /mnt/usb_flash) while files on it are open; needs root"},
    {"--state", "DIR", &hostOptions.state, nullptr,
     "directory keeping the emulated co-processor's NVRAM, data flash, clock and serial "
     "number (default $XDG_STATE_HOME/flashloader or ~/.local/state/flashloader)"},
    {"--module", "DESCRIPTION", nullptr, nullptr,
     "a simulated module on the built-in bus, e.g. \"sa=0x80 id=1234 flash=256K "
     "sector=32K\" (repeatable; modsim --help lists the words)"},
    {"--modules", "FILE", &hostOptions.modulesFile, nullptr,
     "simulated modules on the built-in bus, one description a line"},
    {"--language", "NAME", &hostOptions.language, nullptr, "language made current at start-up"},
    {"--virtual-time", nullptr, nullptr, &hostOptions.virtualTime,
     "run on a virtual clock that jumps over idle time"},
    {"--realtime", nullptr, nullptr, &hostOptions.realtime,
     "allow round-robin real-time scheduling (flag H)"},
};

const char* baseName(const char* path) {
    const char* b = strrchr(path, '/');
    return b != nullptr ? b + 1 : path;
}

bool validate(const char* program) {
    bool sdl = strcmp(hostOptions.display, "sdl") == 0;
    if (strcmp(hostOptions.display, "none") != 0 && !sdl) {
        fprintf(stderr, "%s: --display: unknown display '%s'\n", program, hostOptions.display);
        return false;
    }
    if (sdl && !hostWindowAvailable()) {
        fprintf(stderr, "%s: --display sdl is not available: built without SDL2\n", program);
        return false;
    }
    if (hostWindowScale() == 0) {
        fprintf(stderr, "%s: --scale: '%s' is not a whole number from 1 to %d\n", program,
                hostOptions.scale, HostOptions::MaxScale);
        return false;
    }
    HostCanSpec transport;
    char err[300];
    if (!parseCanSpec(hostOptions.can, &transport, err, sizeof err)) {
        fprintf(stderr, "%s: --can: %s\n", program, err);
        return false;
    }
    bool modules = hostOptions.moduleCount > 0 || hostOptions.modulesFile != nullptr;
    if (modules && transport.kind != CanTransportKind::Sim) {
        fprintf(stderr, "%s: --module and --modules need the built-in bus (--can sim)\n", program);
        return false;
    }
    if (modules && !hostCanHasModuleSimulator()) {
        fprintf(stderr, "%s: this program has no simulated modules\n", program);
        return false;
    }
    struct stat st;
    if (hostOptions.usbDevice != nullptr &&
        (stat(usbMountPoint(), &st) != 0 || !S_ISDIR(st.st_mode))) {
        fprintf(stderr, "%s: --usb-device: mount point %s is not a directory\n", program,
                usbMountPoint());
        return false;
    }
    return true;
}
} // namespace

void hostPrintHelp(const char* program) {
    printf("usage: %s [host options] [-v] [-startup FILE] [-OFWdebug] [-Flags:LEPSH]\n", program);
    printf("host options:\n");
    for (const OptionDef& d : optionDefs) {
        char left[40];
        snprintf(left, sizeof left, "%s%s%s", d.name, d.argName ? " " : "",
                 d.argName ? d.argName : "");
        printf("  %-22s %s\n", left, d.help);
    }
    printf("  %-22s %s\n", "--help", "show this help");
}

int hostTakeOptions(int* argc, char** argv) {
    const char* program = *argc > 0 ? baseName(argv[0]) : "flashloader";
    int out = *argc > 0 ? 1 : 0;
    for (int i = out; i < *argc; ++i) {
        const char* a = argv[i];
        if (strncmp(a, "--", 2) != 0) {
            argv[out++] = argv[i];
            continue;
        }
        if (strcmp(a, "--help") == 0) {
            hostPrintHelp(program);
            return 0;
        }
        const char* eq = strchr(a, '=');
        size_t nameLen = eq != nullptr ? static_cast<size_t>(eq - a) : strlen(a);
        const OptionDef* def = nullptr;
        for (const OptionDef& d : optionDefs)
            if (strlen(d.name) == nameLen && strncmp(d.name, a, nameLen) == 0) def = &d;
        if (def == nullptr) {
            fprintf(stderr, "%s: unknown option '%.*s'\n", program, static_cast<int>(nameLen), a);
            return 2;
        }
        if (def->argName == nullptr) {
            if (eq != nullptr) {
                fprintf(stderr, "%s: option '%s' takes no value\n", program, def->name);
                return 2;
            }
            *def->flag = true;
            continue;
        }
        const char* value = eq != nullptr ? eq + 1 : i + 1 < *argc ? argv[++i] : nullptr;
        if (value != nullptr && def->value == nullptr) { // --module, repeatable
            if (hostOptions.moduleCount == HostOptions::MaxModuleOptions) {
                fprintf(stderr, "%s: more than %d --module options\n", program,
                        HostOptions::MaxModuleOptions);
                return 2;
            }
            hostOptions.modules[hostOptions.moduleCount++] = value;
        } else if (value != nullptr) {
            *def->value = value;
        } else {
            fprintf(stderr, "%s: option '%s' needs a value (%s)\n", program, def->name,
                    def->argName);
            return 2;
        }
    }
    argv[out] = nullptr;
    *argc = out;
    return validate(program) ? -1 : 2;
}

int hostWindowScale() {
    char* end = nullptr;
    long n = strtol(hostOptions.scale, &end, 10);
    return end != hostOptions.scale && *end == '\0' && n >= 1 && n <= HostOptions::MaxScale
               ? static_cast<int>(n)
               : 0;
}

int platformTakeOptions(int* argc, char** argv) {
    // Diagnostics are read live by people and scripts, so each line goes out at once.
    setvbuf(stdout, nullptr, _IOLBF, 0);
    return hostTakeOptions(argc, argv);
}

const char* platformStartupLanguage() {
    return hostOptions.language;
}
