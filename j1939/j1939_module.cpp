// Module liveness and alarms; the two stand-in modules.
#include "j1939/j1939_module.h"

#include <cstdio>

#include "core/delayed_callback.h"
#include "j1939/j1939_fault_mgr.h"

namespace {
constexpr unsigned char NotRespondingFaultType = 0xFB;
constexpr unsigned char NotRespondingPriority = 2;
} // namespace

J1939module AllModules(255, "", false, J1939NAME(0, 0, 0, 0, MakerManufacturerCode, 0, 0, 0, false),
                       J1939NAME(true, 0xFF), 0);
J1939module Module_na(0, "", false, J1939NAME(0, 0, 0, 0, MakerManufacturerCode, 0, 0, 0, false),
                      J1939NAME(true, 0xFF), 0);

void J1939module::stillAlive() {
    aliveDeadline = (getMsTime() + ModuleAliveMs) & MsClockMask;
    if (stale) {
        stale = false;
        clearAlarm();
    }
}

bool J1939module::justBecameStale(uint32_t nowMs, bool force) {
    if (force) clearAlarm();
    if (stale) return false;
    if (!force) {
        if (!isDue(nowMs, aliveDeadline)) return false;
        reportAlarm();
    }
    stale = true;
    return true;
}

void J1939module::reportAlarm() {
    if (!alarmsEnabled || alarm != nullptr) return;
    reportJ1939Fault(alarm, address, this, 0.0, NotRespondingFaultType);
}

void J1939module::clearAlarm() {
    if (alarm != nullptr) clearJ1939Fault(alarm);
}

int J1939module::expand(Language*, unsigned char placeholder, unsigned char*& out, unsigned long,
                        double) {
    if (out == nullptr) return ExpandedPlain;
    *out = 0;
    if (placeholder == 0 && name != nullptr) {
        int n = snprintf(reinterpret_cast<char*>(out), ExpansionWorkSize, "%s", name);
        out += n < ExpansionWorkSize ? n : ExpansionWorkSize - 1;
    }
    return ExpandedPlain;
}

StringArgs J1939module::getMsgTemplate(unsigned char& form, unsigned char, unsigned long) {
    form = NotRespondingPriority;
    StringArgs args;
    args.key = "&0 not responding";
    return args;
}
