// Virtual bus: arbitration, bit-time accounting and delivery.
#include "platform/host/can/sim_can_bus.h"

#include "platform/host/host_clock.h"
#include "platform/platform.h"

SimCanBus::SimCanBus(uint32_t bitRate) : rate(0), bitNs(0), clock(hostClockNowNs) {
    setBitRate(bitRate);
}

void SimCanBus::setBitRate(uint32_t bitsPerSecond) {
    rate = bitsPerSecond > 0 ? bitsPerSecond : DefaultBitRate;
    bitNs = 1000000000u / rate;
}

uint64_t SimCanBus::frameTimeNs(const CanWireFrame& f) const {
    // Whole bits in nanoseconds without rounding each bit: rates like 83.333 kbit/s stay exact
    // over a frame.
    return static_cast<uint64_t>(canFrameBits(f)) * 1000000000u / rate;
}

void SimCanNode::wantTx() {
    if (bus != nullptr) bus->kick(this);
}

bool SimCanBus::attach(SimCanNode* node) {
    if (node->bus == this) return true;
    if (node->bus != nullptr) node->bus->detach(node);
    if (nodeCount == MaxNodes) return false;
    ++nodeCount;
    node->bus = this;
    node->ready = false;
    node->nextNode = nodes;
    nodes = node;
    return true;
}

void SimCanBus::detach(SimCanNode* node) {
    if (node->bus != this) return;
    for (SimCanNode** p = &nodes; *p != nullptr; p = &(*p)->nextNode) {
        if (*p == node) {
            *p = node->nextNode;
            --nodeCount;
            break;
        }
    }
    node->bus = nullptr;
    node->nextNode = nullptr;
    node->ready = false;
    if (inFlight.node == node) {
        inFlight.node = nullptr;
        inFlight.orphan = true;
    }
}

void SimCanBus::kick(SimCanNode* node) {
    if (node->bus != this || node->ready) return;
    node->ready = true;
    node->readyAtNs = inCallback ? eventNs : clock();
    // The loop must step the bus before it next sleeps.
    platformNoteActivity();
}

uint64_t SimCanBus::earliestReadyNs() const {
    uint64_t t = Never;
    for (const SimCanNode* n = nodes; n != nullptr; n = n->nextNode)
        if (n->ready && n->readyAtNs < t) t = n->readyAtNs;
    return t;
}

uint64_t SimCanBus::nextEventNs() const {
    if (busy()) return inFlight.endNs;
    uint64_t t = earliestReadyNs();
    if (t == Never) return Never;
    return t > freeAtNs ? t : freeAtNs;
}

bool SimCanBus::arbitrate(uint64_t atNs) {
    SimCanNode* winner = nullptr;
    CanWireFrame best;
    uint64_t bestKey = 0;
    for (SimCanNode* n = nodes; n != nullptr; n = n->nextNode) {
        if (!n->ready || n->readyAtNs > atNs) continue;
        CanWireFrame f;
        if (!n->txFrame(&f)) {
            n->ready = false; // nothing to send after all
            continue;
        }
        uint64_t key = canArbitrationKey(f);
        if (winner == nullptr || key < bestKey) {
            winner = n;
            best = f;
            bestKey = key;
        }
    }
    if (winner == nullptr) return false;
    inFlight.node = winner;
    inFlight.orphan = false;
    inFlight.frame = best;
    inFlight.startNs = atNs;
    inFlight.endNs = atNs + frameTimeNs(best);
    eventNs = atNs;
    inCallback = true;
    winner->onTxStart();
    inCallback = false;
    return true;
}

void SimCanBus::finish() {
    Transmission t = inFlight;
    inFlight.node = nullptr;
    inFlight.orphan = false;
    freeAtNs = t.endNs;
    ++framesCarried;
    bitsCarried += canFrameBits(t.frame);
    busyNs += t.endNs - t.startNs;
    eventNs = t.endNs;
    inCallback = true;
    // Receivers are those attached when the frame ended; one detached by an earlier
    // receiver's callback is skipped.
    SimCanNode* receivers[MaxNodes];
    int n = 0;
    for (SimCanNode* p = nodes; p != nullptr; p = p->nextNode)
        if (p != t.node) receivers[n++] = p;
    for (int i = 0; i < n; ++i)
        if (receivers[i]->bus == this) receivers[i]->onRx(t.frame, t.endNs);
    if (t.node != nullptr && t.node->bus == this) {
        // The sender may have another frame at once.
        t.node->ready = false;
        kick(t.node);
        t.node->onTxDone(t.frame, t.endNs);
    }
    inCallback = false;
}

bool SimCanBus::runUntil(uint64_t nowNs) {
    bool any = false;
    for (;;) {
        if (busy()) {
            if (inFlight.endNs > nowNs) break;
            finish();
            any = true;
            continue;
        }
        uint64_t ready = earliestReadyNs();
        if (ready == Never) break;
        uint64_t start = ready > freeAtNs ? ready : freeAtNs;
        if (start > nowNs) break;
        if (arbitrate(start)) any = true;
    }
    return any;
}

bool SimCanQueueNode::send(const CanWireFrame& f) {
    if (count == Capacity) return false;
    ring[(head + count) % Capacity] = f;
    ++count;
    wantTx();
    return true;
}

bool SimCanQueueNode::txFrame(CanWireFrame* out) {
    if (count == 0) return false;
    *out = ring[head];
    return true;
}

void SimCanQueueNode::onTxDone(const CanWireFrame& f, uint64_t atNs) {
    head = (head + 1) % Capacity;
    --count;
    onSent(f, atNs);
}
