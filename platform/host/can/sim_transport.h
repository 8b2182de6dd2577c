// The "sim" transport: the controller is one node of an in-process virtual bus, on which
// simulated modules and tests attach their own nodes.
#pragma once

#include "platform/host/can/can_transport.h"
#include "platform/host/can/sim_can_bus.h"

class SimTransport : public HostCanTransport, public SimCanNode {
public:
    SimCanBus bus;

    bool open(EmulatedSJA1000* controller, char* err, size_t errLen) override;
    void close() override;
    bool service(uint64_t nowNs, uint64_t* wakeNs) override;
    const char* logName() const override { return "sim"; }

    // Controller side.
    void txRequested() override { wantTx(); }
    // Bus side.
    bool txFrame(CanWireFrame* out) override { return sja->pendingTx(out); }
    void onTxStart() override { sja->txStarted(); }
    void onTxDone(const CanWireFrame&, uint64_t atNs) override { sja->txCompleted(atNs); }
    void onRx(const CanWireFrame& f, uint64_t atNs) override { sja->frameFromBus(f, atNs); }
};
