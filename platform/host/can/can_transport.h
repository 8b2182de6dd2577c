// What stands behind the emulated controller's bus side on the host: the virtual bus, a
// SocketCAN socket or a cannelloni UDP link. Each transport is a link of the controller.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/host/can/can_wire_frame.h"
#include "platform/host/can/sja1000_emu.h"

class HostCanTransport : public CanControllerLink {
public:
    static constexpr uint64_t Never = UINT64_MAX;

    // Opens; on failure false with the reason in err.
    virtual bool open(EmulatedSJA1000* controller, char* err, size_t errLen) = 0;
    virtual void close() = 0;
    // One main-loop pass of work at now: frames in and out. Returns whether frames moved;
    // *wakeNs is lowered to the time the transport next needs a pass.
    virtual bool service(uint64_t nowNs, uint64_t* wakeNs) = 0;
    // Interface name written in the frame log.
    virtual const char* logName() const = 0;

protected:
    EmulatedSJA1000* sja = nullptr;
};

// Frames from a socket wait here until the controller's FIFO has room, as they would have
// arrived spread over time on the real bus; a datagram of many frames then does not
// overrun the 64-byte FIFO. A full buffer drops the frame and sets the controller's data
// overrun.
class CanRxBuffer {
public:
    static constexpr unsigned Capacity = 256;

    void push(const CanWireFrame& f, EmulatedSJA1000* sja);
    // Moves frames into the controller while it has room; returns how many moved.
    unsigned feed(EmulatedSJA1000* sja, uint64_t nowNs);
    unsigned size() const { return count; }
    void clear() { head = count = 0; }
    unsigned long dropped = 0;

private:
    CanWireFrame ring[Capacity];
    unsigned head = 0;
    unsigned count = 0;
};
