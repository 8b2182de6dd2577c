// A transport-protocol endpoint as a node of the virtual CAN bus: frames from the bus go to
// the peer, the peer's frames queue for the bus, and its timers run from the host loop.
#pragma once

#include "modsim/tp_peer.h"
#include "platform/host/can/sim_can_bus.h"

// The same frame as the peers and as the virtual bus carry it.
PeerFrame toPeerFrame(const CanWireFrame& f);
CanWireFrame toWireFrame(const PeerFrame& f);

class TpPeerNode : public SimCanQueueNode, public PeerFrameSink {
public:
    explicit TpPeerNode(uint8_t address);
    ~TpPeerNode() override;

    TpPeer peer;
    // Frames that could not be queued because the node's queue was full.
    unsigned long framesLost = 0;

    // Joins the bus and the host loop's per-pass services; false when either is full.
    bool join(SimCanBus* bus);
    void leave();

    void onRx(const CanWireFrame& f, uint64_t atNs) override;
    void onSent(const CanWireFrame& f, uint64_t atNs) override;
    void sendFrame(const PeerFrame& f) override;
    // Runs the peer's timers; called every pass of the host loop once joined.
    void service();

private:
    SimCanBus* joined = nullptr;
};
