// Host platform entry points. When a pass did nothing, the next one first waits in ppoll
// until the earliest timer, a watched descriptor or the interrupt signal; on the virtual
// clock it jumps to that timer instead.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>

#include "core/delayed_callback.h"
#include "core/framework.h"
#include "platform/arm9.h"
#include "platform/host/can/host_can.h"
#include "platform/host/host_clock.h"
#include "platform/host/host_coproc.h"
#include "platform/host/host_display.h"
#include "platform/host/host_keyscript.h"
#include "platform/host/host_loop.h"
#include "platform/host/host_options.h"
#include "platform/host/host_window.h"
#include "platform/msp_link.h"
#include "platform/platform.h"
#include "platform/timer.h"

namespace {
constexpr int MaxWatchedFds = 8;
constexpr int MaxServices = 16;

struct FdWatch {
    int fd;
    HostCallback onReadable;
    void* context;
};
struct Service {
    HostCallback fn;
    void* context;
};

FdWatch watches[MaxWatchedFds];
int watchCount = 0;
Service services[MaxServices];
int serviceCount = 0;

unsigned long activity = 0;
unsigned long activitySeen = 0;
unsigned long idleWaits = 0;
bool wakeSet = false;
uint64_t wakeAtNs = 0;

// Nanoseconds the idle wait may last: until the first timer or requested wake-up; -1 for
// no limit.
int64_t idleTimeoutNs() {
    constexpr int64_t NsPerMs = 1000000;
    uint64_t now = hostClockNowNs();
    int64_t t = -1;
    long ms = msUntilNextDelayedCallback();
    if (ms >= 0) {
        // Timers fall due on whole milliseconds of the clock.
        t = ms * NsPerMs - static_cast<int64_t>(now % NsPerMs);
        if (t < 0) t = 0;
    }
    if (wakeSet) {
        int64_t w = wakeAtNs > now ? static_cast<int64_t>(wakeAtNs - now) : 0;
        if (t < 0 || w < t) t = w;
    }
    return t;
}

void dispatchReadable(const pollfd* pfds, int n) {
    for (int i = 0; i < n; ++i) {
        if (pfds[i].revents == 0) continue;
        for (int k = 0; k < watchCount; ++k) {
            if (watches[k].fd == pfds[i].fd) {
                watches[k].onReadable(watches[k].context);
                break;
            }
        }
        platformNoteActivity();
    }
}

// Polls the watched descriptors, blocking up to timeoutNs (-1 forever) with SIGINT let
// through only inside the wait, so a signal cannot slip in between check and sleep.
void pollWatched(int64_t timeoutNs) {
    pollfd pfds[MaxWatchedFds];
    int n = watchCount;
    for (int i = 0; i < n; ++i)
        pfds[i] = {watches[i].fd, POLLIN, 0};
    sigset_t block, orig;
    sigemptyset(&block);
    sigaddset(&block, SIGINT);
    sigprocmask(SIG_BLOCK, &block, &orig);
    if (FW.terminationCode != 0) timeoutNs = 0;
    timespec ts{static_cast<time_t>(timeoutNs / 1000000000),
                static_cast<long>(timeoutNs % 1000000000)};
    int r = ppoll(pfds, n, timeoutNs < 0 ? nullptr : &ts, &orig);
    sigprocmask(SIG_SETMASK, &orig, nullptr);
    if (r > 0) dispatchReadable(pfds, n);
}
} // namespace

void platformNoteActivity() {
    ++activity;
}

bool hostWatchFd(int fd, HostCallback onReadable, void* context) {
    if (watchCount == MaxWatchedFds) return false;
    watches[watchCount++] = {fd, onReadable, context};
    return true;
}

void hostUnwatchFd(int fd) {
    for (int i = 0; i < watchCount; ++i) {
        if (watches[i].fd == fd) {
            watches[i] = watches[--watchCount];
            return;
        }
    }
}

bool hostAddService(HostCallback service, void* context) {
    if (serviceCount == MaxServices) return false;
    services[serviceCount++] = {service, context};
    return true;
}

void hostRemoveService(HostCallback service, void* context) {
    for (int i = 0; i < serviceCount; ++i) {
        if (services[i].fn == service && services[i].context == context) {
            for (int k = i + 1; k < serviceCount; ++k)
                services[k - 1] = services[k];
            --serviceCount;
            return;
        }
    }
}

void hostWakeWithin(uint32_t ms) {
    hostWakeWithinNs(static_cast<uint64_t>(ms) * 1000000);
}

void hostWakeWithinNs(uint64_t ns) {
    uint64_t t = hostClockNowNs() + ns;
    if (!wakeSet || t < wakeAtNs) wakeAtNs = t;
    wakeSet = true;
}

void hostIdleWait() {
    ++idleWaits;
    int64_t t = idleTimeoutNs();
    wakeSet = false;
    if (hostClockIsVirtual()) {
        // Input that is already there comes first; otherwise time jumps to the next event.
        unsigned long before = activity;
        pollWatched(0);
        if (activity == before && t > 0)
            hostClockAdvanceNs(static_cast<uint64_t>(t));
        else if (activity == before && t < 0)
            pollWatched(-1);
        return;
    }
    pollWatched(t);
}

namespace {
const char* programBaseName() {
    const char* program = GlobalArgc > 0 && GlobalArgv[0] != nullptr ? GlobalArgv[0] : "";
    const char* slash = strrchr(program, '/');
    return slash != nullptr ? slash + 1 : program;
}
} // namespace

unsigned long hostIdleWaitCount() {
    return idleWaits;
}

void platformInit() {
    if (hostOptions.virtualTime && !hostClockIsVirtual()) hostClockSetHalfMs(getHighResTime());
    hostRegisterScreenshotCommand();
    hostRegisterKeypadCommands();
    char err[400];
    // The window adds its own commands to the key script, so it opens before the script
    // is read.
    if (strcmp(hostOptions.display, "sdl") == 0 &&
        !hostWindowOpen(hostWindowScale(), err, sizeof err)) {
        fprintf(stderr, "%s: --display sdl: %s\n", programBaseName(), err);
        exit(2);
    }
    // Start-up errors of the host's own devices end the program at once, as a device
    // that cannot be opened would.
    if (hostOptions.keys != nullptr && !hostKeyScriptOpen(hostOptions.keys)) exit(2);
    if (!hostCanOpen(hostOptions.can, hostOptions.canLog, err, sizeof err)) {
        fprintf(stderr, "%s: CAN transport %s\n", programBaseName(), err);
        exit(2);
    }
    hostCoprocessorStart(hostOptions.state, strcmp(hostOptions.display, "none") == 0);
    ARM9_platformInit();
}

void platformBackgroundProcess() {
    bool idle = activity == activitySeen;
    if (idle)
        hostIdleWait();
    else if (watchCount > 0)
        pollWatched(0);
    activitySeen = activity;
    // The services bring the emulated hardware up to now first, so that the hook finds
    // what arrived during the wait.
    for (int i = 0; i < serviceCount; ++i)
        services[i].fn(services[i].context);
    ARM9_backgroundProcess();
    // Words still to go or to read mean another pass without waiting.
    if (MSP_linkBusy()) platformNoteActivity();
}

void platformUnInit() {
    ARM9_platformUnInit();
    if (strcmp(hostOptions.display, "sdl") == 0) hostWindowClose();
    hostCanClose();
    if (hostOptions.keys != nullptr) hostKeyScriptClose();
}

bool platformSetRealTimePriority(int priority) {
    // A simulator on a workstation keeps ordinary scheduling unless asked for it.
    return hostOptions.realtime && setRoundRobinScheduling(priority);
}
