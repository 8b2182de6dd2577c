// A second process on a CAN transport, for tests: it runs the driver over the emulated
// controller and sends every frame it receives back with source and destination swapped,
// until a frame with StopId arrives (echoed too) or a minute has passed.
//   can_peer TRANSPORT
// Prints "echoed N overruns M" at the end; exit status 0, or 3 after the time-out.
#include <cstdio>

#include "core/delayed_callback.h"
#include "j1939/can_frame.h"
#include "j1939/driver/can_driver.h"
#include "platform/host/can/host_can.h"
#include "platform/host/host_clock.h"
#include "platform/platform.h"

namespace {
constexpr uint32_t StopId = 0x18FFFFEE;
constexpr uint64_t TimeoutNs = 60000000000ull;
constexpr unsigned Backlog = 1024;

void heartbeat(DelayedCallbackListNode*) {}

uint32_t swapAddresses(uint32_t id) {
    return (id & 0xFFFF0000u) | (id & 0xFF) << 8 | (id >> 8 & 0xFF);
}
} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: can_peer TRANSPORT\n");
        return 2;
    }
    char err[400];
    if (!hostCanOpen(argv[1], nullptr, err, sizeof err)) {
        fprintf(stderr, "can_peer: %s\n", err);
        return 2;
    }
    basicCANdriverInit(0, 0xFFFFFFFF);
    DelayedCallbackListNode beat(10, heartbeat);
    scheduleDelayedCallback(&beat, 10);

    static CANframe* backlog[Backlog];
    unsigned head = 0, count = 0;
    unsigned long echoed = 0;
    bool stopSeen = false;
    uint64_t end = hostClockNowNs() + TimeoutNs;
    while (hostClockNowNs() < end) {
        platformBackgroundProcess();
        checkForDelayedCallbacks();
        while (CANframe* f = basicCANdriverGetRxMsg()) {
            if (count == Backlog) {
                freeCANframe(f);
                continue;
            }
            if (f->id == StopId) stopSeen = true;
            f->id = swapAddresses(f->id);
            backlog[(head + count++) % Backlog] = f;
        }
        while (count > 0 && basicCANdriverTxReady()) {
            basicCANdriverTxMsg(backlog[head], 0);
            head = (head + 1) % Backlog;
            --count;
        }
        basicCANdriverServiceTxFIFO();
        while (CANframe* f = basicCANdriverGetTxDone()) {
            freeCANframe(f);
            ++echoed;
        }
        // Done when the stop frame has been echoed and the controller's buffer is empty.
        if (stopSeen && count == 0 && txFIFOnumToTx == 0 &&
            (hostCanController().read(2) & 0x08) != 0)
            break;
    }
    printf("echoed %lu overruns %d\n", echoed, SJA1000_dataOverRunCount);
    hostCanClose();
    return stopSeen ? 0 : 3;
}
