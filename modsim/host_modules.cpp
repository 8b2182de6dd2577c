// Simulated modules inside a program on the built-in bus (--can sim with --module or
// --modules): linked into the display program and the J1939 node, it registers with the
// host's CAN so that the modules join the bus when it opens.
#include <cstdio>

#include "modsim/module_bus.h"
#include "platform/host/can/host_can.h"
#include "platform/host/host_options.h"

namespace {
ModuleBus* modules = nullptr;
ModuleDescription descs[ModuleBus::MaxModules];

void busOff() {
    hostCanController().enterBusOff();
}

bool start(SimCanBus* bus, char* err, size_t errLen) {
    if (hostOptions.moduleCount == 0 && hostOptions.modulesFile == nullptr) return true;
    char why[300];
    int n = 0;
    if (hostOptions.modulesFile != nullptr) {
        n = parseModuleFile(hostOptions.modulesFile, descs, ModuleBus::MaxModules, why, sizeof why);
        if (n < 0) {
            snprintf(err, errLen, "%s", why);
            return false;
        }
    }
    for (int i = 0; i < hostOptions.moduleCount; ++i) {
        if (n == ModuleBus::MaxModules) {
            snprintf(err, errLen, "more than %d modules", ModuleBus::MaxModules);
            return false;
        }
        if (!parseModuleDescription(hostOptions.modules[i], &descs[n++], why, sizeof why)) {
            snprintf(err, errLen, "--module %s", why);
            return false;
        }
    }
    modules = new ModuleBus;
    modules->setBusOffHook(busOff);
    for (int i = 0; i < n; ++i) {
        if (modules->add(descs[i], why, sizeof why) == nullptr) {
            snprintf(err, errLen, "%s", why);
            delete modules;
            modules = nullptr;
            return false;
        }
    }
    if (!modules->join(bus)) {
        snprintf(err, errLen, "the bus cannot take them");
        delete modules;
        modules = nullptr;
        return false;
    }
    return true;
}

void stop() {
    delete modules; // leaves the bus, writing the images
    modules = nullptr;
}

const bool registered = (hostCanSetModuleSimulator(start, stop), true);
} // namespace
