// The "socketcan:IFACE" transport: a non-blocking raw CAN socket on a real adapter or vcan.
// Error frames (bus-off, error passive and warning, back to active, restarted, receive
// overflow) drive the emulated controller's error state.
#pragma once

#include <linux/can.h>
#include <net/if.h>

#include "platform/host/can/can_transport.h"

// Frame conversion. fromSocketCan is false for error frames and frames it cannot carry.
struct can_frame toSocketCan(const CanWireFrame& f);
bool fromSocketCan(const struct can_frame& cf, CanWireFrame* out);
// Applies an error frame to the controller; false when cf is not an error frame.
bool applySocketCanError(const struct can_frame& cf, EmulatedSJA1000* sja);

class SocketCanTransport : public HostCanTransport {
public:
    explicit SocketCanTransport(const char* iface = "can0") { setInterface(iface); }
    void setInterface(const char* iface);

    bool open(EmulatedSJA1000* controller, char* err, size_t errLen) override;
    // Runs over a descriptor that already carries CAN frames (tests use a socket pair).
    bool openOnFd(int fd, EmulatedSJA1000* controller);
    void close() override;
    bool service(uint64_t nowNs, uint64_t* wakeNs) override;
    const char* logName() const override { return name; }
    void txRequested() override { trySend(); }

    // Reads what the descriptor has; called when it is readable.
    void readFrames();

    unsigned long framesIn = 0, framesOut = 0, errorFrames = 0, writeErrors = 0;

private:
    char name[IFNAMSIZ] = {};
    int fd = -1;
    bool txWaiting = false;
    CanRxBuffer rx;

    void trySend();
    bool start(int socketFd);
};
