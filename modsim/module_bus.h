// Simulated modules on a virtual CAN bus: each module is a node of its own, and one host
// service runs their timers from the main loop. The same set serves the display program's
// built-in bus (--can sim with --module/--modules), the modsim program (on a local bus
// bridged to a real transport) and tests.
#pragma once

#include "modsim/sim_module.h"
#include "platform/host/can/sim_can_bus.h"

class ModuleBus {
public:
    static constexpr int MaxModules = 16;

    ModuleBus() = default;
    ModuleBus(const ModuleBus&) = delete;
    ModuleBus& operator=(const ModuleBus&) = delete;
    ~ModuleBus();

    // A module made from its description; null (err says why) when the set is full or its
    // flash cannot be built. Modules added after join start at once.
    SimModule* add(const ModuleDescription& desc, char* err, size_t errLen);
    // Attaches every module to the bus and starts them (each claims its address); false
    // when the bus or the host's services are full.
    bool join(SimCanBus* bus);
    // Detaches them and writes their images.
    void leave();

    int count() const { return n; }
    SimModule& module(int i) { return nodes[i]->module; }
    // Told of every module's events.
    void setListener(ModuleListener* l);
    // Called by busoff- faults.
    void setBusOffHook(void (*hook)());
    // Frames a module could not queue (its node's queue was full).
    unsigned long framesLost() const;

    // Runs the modules' timers; the host loop calls it every pass once joined.
    void service();

private:
    class Node : public SimCanQueueNode, public PeerFrameSink {
    public:
        explicit Node(const ModuleDescription& desc) : module(desc, this) {}
        SimModule module;
        unsigned long lost = 0;
        void onRx(const CanWireFrame& f, uint64_t atNs) override;
        void onSent(const CanWireFrame& f, uint64_t atNs) override;
        void sendFrame(const PeerFrame& f) override;
    };

    Node* nodes[MaxModules] = {};
    int n = 0;
    SimCanBus* joined = nullptr;
    ModuleListener* listener = nullptr;
    void (*busOffHook)() = nullptr;
};

// Milliseconds of the host clock, as the modules count time.
uint32_t moduleClockMs(uint64_t ns);
