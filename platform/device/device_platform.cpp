// The display's platform entry points, time base and process services.
#include <unistd.h>

#include "platform/arm9.h"
#include "platform/device/device_memmaps.h"
#include "platform/entry.h"
#include "platform/io_regs.h"
#include "platform/platform.h"
#include "platform/timer.h"

namespace {
TimerExtension timerExtension;
} // namespace

void platformInit() {
    openLinuxMemmaps();
    ARM9_platformInit();
}

void platformBackgroundProcess() {
    ARM9_backgroundProcess();
}

void platformUnInit() {
    ARM9_platformUnInit();
    closeLinuxMemmaps();
}

// The display's loop polls; there is nothing to wake.
void platformNoteActivity() {}

bool platformSetRealTimePriority(int priority) {
    return setRoundRobinScheduling(priority);
}

void local_sync() {
    sync();
}

// Before the I/O window is mapped the clock stands at 0.
uint32_t getHighResTime() {
    if (ioBase == nullptr) return 0;
    return extendTimerCount(&timerExtension, ioRead32(IO_TimerValue));
}

int platformTakeOptions(int*, char**) {
    return -1;
}

const char* platformStartupLanguage() {
    return nullptr;
}
