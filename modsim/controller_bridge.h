// Joins the local virtual bus of the modsim program (where its modules are) to the host's
// emulated CAN controller and, through the controller's transport, to a real bus or a
// cannelloni link. The controller is driven at register level, as a node's CPU drives it,
// so bus-off, overruns and the frame log behave as for the display.
#pragma once

#include "platform/host/can/sim_can_bus.h"
#include "platform/host/can/sja1000_emu.h"

class ControllerBridge : public SimCanQueueNode {
public:
    static constexpr unsigned Capacity = 1024;

    explicit ControllerBridge(EmulatedSJA1000& controller) : sja(controller) {}

    // Puts the controller on the bus at 250 kbit/s, accepting every frame.
    void start();
    // Moves frames between the controller and the local bus; true when anything moved.
    bool service();

    // A module's frame on the local bus: queued for the controller.
    void onRx(const CanWireFrame& f, uint64_t atNs) override;

    unsigned long framesOut = 0, framesIn = 0, lost = 0, overruns = 0, busOffs = 0;

private:
    EmulatedSJA1000& sja;
    CanWireFrame ring[Capacity];
    unsigned head = 0, count = 0;
    bool txInFlight = false;
    bool wasBusOff = false;
};
