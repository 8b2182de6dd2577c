// Board start-up and shutdown, identity, interrupt masking and the real-time hook, the
// same on device and host.
#include "platform/arm9.h"

#include <cstdio>
#include <sched.h>

#include "j1939/driver/can_driver.h"
#include "platform/can_regs.h"
#include "platform/display.h"
#include "platform/io_regs.h"
#include "platform/io_services.h"
#include "platform/platform.h"
#include "platform/timer.h"

int RT_pixelCountDown = 600;
void (*RTdriverHookService)() = nullptr;
uint32_t LastRealTimeDriverHookTime = 0;

namespace {
constexpr int PixelsPerHook = 600;
bool inHook = false;
bool cpldKnown = false;
unsigned char cpldVersion = 0;

DelayedCallbackListNode keypadPollNode;
DelayedCallbackListNode batteryPollNode;

// Keypad: first poll after 10 ms, every 20 ms, a poll unanswered for 500 ms is re-sent.
constexpr uint32_t KeypadFirstMs = 10, KeypadPeriodMs = 20, KeypadTimeoutMs = 500;
constexpr uint32_t BatteryFirstMs = 100, BatteryPeriodMs = 250, BatteryTimeoutMs = 1000;
} // namespace

void ARM9_platformInit() {
    ioWrite32(IO_TimerLoad, 0);
    ioWrite8(IO_TimerControl, TimerControlEnableFreeRun);
    HW_variantInit();
    setPalette(nullptr);
    blankFrameBuffer();
    MSP_flush();
    PollCmdTableStartupPolls();
    setMSPcmdField(2, MFT_HWrevision, getHWrev());
    waitForMSPqueueEmpty();
    setAutoKeyClick(true);
    backlightEnable(true, true);
    tempAdjContrast(0);
    configPeriodicMSP_Poll(&keypadPollNode, MSP_KeypadEntry, KeypadFirstMs, KeypadPeriodMs,
                           KeypadTimeoutMs);
    configPeriodicMSP_Poll(&batteryPollNode, MSP_BatteryEntry, BatteryFirstMs, BatteryPeriodMs,
                           BatteryTimeoutMs);
    getCPLDversion(true);
    basicCANdriverReset();
}

void ARM9_backgroundProcess() {
    realTimeDriverHook();
    MSP_bkgndProcess();
}

void ARM9_platformUnInit() {
    basicCANdriverReset();
}

void HW_variantInit() {
    ioWrite8(IO_PortVariant, ioRead8(IO_PortVariant) & PortVariantMask);
}

unsigned char getHWrev() {
    return static_cast<unsigned char>(7 - ((ioRead8(IO_PortHwRev) >> 4) & 7));
}

unsigned char getCPLDversion(bool force) {
    if (cpldKnown && !force) return cpldVersion;
    setCAN_BANK(1, 0);
    cpldVersion = _readCANreg(0);
    setCAN_BANK(0, 1);
    cpldKnown = true;
    return cpldVersion;
}

void disableAllInterrupts(uint32_t* saved) {
    *saved = ioRead32(IO_IntEnable);
    ioWrite32(IO_IntEnableClear, 0xFFFFFFFFu);
}

void restoreInterrupts(uint32_t saved) {
    ioWrite32(IO_IntEnable, saved);
}

// Runs at most once per timer tick, and never inside itself when drawing done by the CAN
// service comes back here. The pixel count restarts on every call, so drawing within one
// tick does not call again on every pixel.
void realTimeDriverHook() {
    uint32_t t = getHighResTime();
    RT_pixelCountDown = PixelsPerHook;
    if (t == LastRealTimeDriverHookTime || inHook) return;
    inHook = true;
    if (RTdriverHookService != nullptr) RTdriverHookService();
    LastRealTimeDriverHookTime = t;
    inHook = false;
}

bool checkForQuilsDevelopmentBoard() {
    FILE* f = fopen("/mnt/nand/ThisIsQuilsDevelopmentBoard", "r");
    if (f == nullptr) return false;
    fclose(f);
    return true;
}

bool setRoundRobinScheduling(int priority) {
    sched_param sp{};
    sp.sched_priority = priority;
    if (sched_setscheduler(0, SCHED_RR, &sp) != 0) {
        perror("sched_setscheduler");
        return false;
    }
    return true;
}

void breakpoint(int) {}

uint32_t extendTimerCount(TimerExtension* ext, uint32_t timerRegister) {
    uint32_t low = (timerRegister & 0xFFFF) ^ 0xFFFF;
    if (low < (ext->count & 0xFFFF)) ext->count += 0x10000;
    ext->count = (ext->count & 0xFFFF0000u) | low;
    return ext->count + ext->count / 327;
}
