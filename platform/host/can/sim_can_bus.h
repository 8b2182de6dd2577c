// The in-process virtual CAN bus. Nodes attach to it; a frame holds the bus for its length
// in bits (stuff bits included) at the bus's bit rate, the lowest arbitration key wins
// among the nodes ready when the bus falls idle, and a finished frame goes to every other
// node. Time is the host clock (real or virtual) in nanoseconds; the bus is stepped with
// runUntil, from the main loop or directly by a test.
#pragma once

#include <cstdint>

#include "platform/host/can/can_wire_frame.h"

class SimCanBus;

// Something on the bus: the display's emulated controller, a simulated module, a test.
class SimCanNode {
public:
    virtual ~SimCanNode() = default;
    // The frame this node would send now, or false. Asked at every arbitration while the
    // node is marked ready; the frame stays the node's until onTxDone.
    virtual bool txFrame(CanWireFrame* out) = 0;
    // The frame from txFrame won arbitration and is now on the bus.
    virtual void onTxStart() {}
    // That frame has gone out completely at atNs.
    virtual void onTxDone(const CanWireFrame& f, uint64_t atNs) = 0;
    // Another node's frame has ended on the bus at atNs.
    virtual void onRx(const CanWireFrame& f, uint64_t atNs) = 0;

    // Tells the bus this node has a frame to send (see SimCanBus::kick).
    void wantTx();
    SimCanBus* attachedBus() const { return bus; }

private:
    friend class SimCanBus;
    SimCanNode* nextNode = nullptr;
    SimCanBus* bus = nullptr;
    bool ready = false;
    uint64_t readyAtNs = 0;
};

class SimCanBus {
public:
    static constexpr uint32_t DefaultBitRate = 250000;
    static constexpr uint64_t Never = UINT64_MAX;

    explicit SimCanBus(uint32_t bitRate = DefaultBitRate);

    void setBitRate(uint32_t bitsPerSecond);
    uint32_t bitRate() const { return rate; }
    uint64_t bitTimeNs() const { return bitNs; }
    // Bus time a frame takes at this bit rate.
    uint64_t frameTimeNs(const CanWireFrame& f) const;

    // At most MaxNodes nodes; false when full. Nodes may attach, detach and kick from inside
    // callbacks but must not be destroyed there.
    static constexpr int MaxNodes = 64;
    bool attach(SimCanNode* node);
    // A frame on the bus from a detached node still ends and reaches the others; the node
    // is not told.
    void detach(SimCanNode* node);
    // The node has (or may have) a frame to send from now on: from the current event's time
    // inside a bus callback, else from the clock's now.
    void kick(SimCanNode* node);

    // Carries frames up to now (ns on the host clock); returns whether anything happened.
    bool runUntil(uint64_t nowNs);
    // When the bus next has something to do (a frame ends or starts), or Never.
    uint64_t nextEventNs() const;
    bool busy() const { return inFlight.node != nullptr || inFlight.orphan; }

    // Where kicks outside a callback take their time from; the host clock unless set.
    void setClock(uint64_t (*nowNs)()) { clock = nowNs; }

    // Accounting.
    unsigned long framesCarried = 0;
    uint64_t bitsCarried = 0;
    uint64_t busyNs = 0;

private:
    struct Transmission {
        SimCanNode* node = nullptr;
        bool orphan = false; // its node detached meanwhile
        CanWireFrame frame;
        uint64_t startNs = 0;
        uint64_t endNs = 0;
    };

    uint32_t rate;
    uint64_t bitNs;
    uint64_t (*clock)();
    SimCanNode* nodes = nullptr;
    int nodeCount = 0;
    Transmission inFlight;
    uint64_t freeAtNs = 0;
    bool inCallback = false;
    uint64_t eventNs = 0;

    void finish();
    bool arbitrate(uint64_t atNs);
    uint64_t earliestReadyNs() const;
};

// A node with a fixed-size queue of frames to send, for tests and simple simulated
// devices; received frames go to onRx, finished ones to onSent.
class SimCanQueueNode : public SimCanNode {
public:
    static constexpr unsigned Capacity = 256;

    // False when the queue is full.
    bool send(const CanWireFrame& f);
    unsigned queued() const { return count; }

    bool txFrame(CanWireFrame* out) override;
    void onTxDone(const CanWireFrame& f, uint64_t atNs) override;
    void onRx(const CanWireFrame&, uint64_t) override {}
    virtual void onSent(const CanWireFrame&, uint64_t) {}

private:
    CanWireFrame ring[Capacity];
    unsigned head = 0;
    unsigned count = 0;
};
