// Glue between the transport-protocol endpoint and the virtual bus.
#include "modsim/tp_peer_node.h"

#include <cstring>

#include "platform/host/host_clock.h"
#include "platform/host/host_loop.h"

namespace {
constexpr uint64_t NsPerMs = 1000000;

uint32_t msOf(uint64_t ns) {
    return static_cast<uint32_t>(ns / NsPerMs);
}

void serviceNode(void* node) {
    static_cast<TpPeerNode*>(node)->service();
}
} // namespace

TpPeerNode::TpPeerNode(uint8_t address) : peer(address, this) {}

TpPeerNode::~TpPeerNode() {
    leave();
}

bool TpPeerNode::join(SimCanBus* bus) {
    if (joined != nullptr || bus == nullptr) return false;
    if (!bus->attach(this)) return false;
    if (!hostAddService(serviceNode, this)) {
        bus->detach(this);
        return false;
    }
    joined = bus;
    return true;
}

void TpPeerNode::leave() {
    if (joined == nullptr) return;
    hostRemoveService(serviceNode, this);
    joined->detach(this);
    joined = nullptr;
}

PeerFrame toPeerFrame(const CanWireFrame& f) {
    PeerFrame p;
    p.id = f.id;
    p.dlc = static_cast<uint8_t>(f.dataBytes());
    memcpy(p.data, f.data, p.dlc);
    return p;
}

CanWireFrame toWireFrame(const PeerFrame& f) {
    CanWireFrame w;
    w.id = f.id & 0x1FFFFFFFu;
    w.extended = true;
    w.dlc = f.dlc > 8 ? 8 : f.dlc;
    memcpy(w.data, f.data, w.dlc);
    return w;
}

void TpPeerNode::onRx(const CanWireFrame& f, uint64_t atNs) {
    if (!f.extended || f.rtr) return;
    peer.onFrame(toPeerFrame(f), msOf(atNs));
}

void TpPeerNode::onSent(const CanWireFrame& f, uint64_t atNs) {
    peer.onSent(toPeerFrame(f), msOf(atNs));
}

void TpPeerNode::sendFrame(const PeerFrame& f) {
    if (!send(toWireFrame(f))) ++framesLost;
}

void TpPeerNode::service() {
    uint64_t now = hostClockNowNs();
    peer.tick(msOf(now));
    uint32_t due;
    if (peer.nextDeadline(&due)) {
        int32_t ms = static_cast<int32_t>(due - msOf(now));
        hostWakeWithinNs(ms <= 0 ? 0 : static_cast<uint64_t>(ms) * NsPerMs - now % NsPerMs);
    }
}
