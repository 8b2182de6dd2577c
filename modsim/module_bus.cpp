// Simulated modules as nodes of the virtual bus.
#include "modsim/module_bus.h"

#include <cstdio>

#include "modsim/tp_peer_node.h"
#include "platform/host/host_clock.h"
#include "platform/host/host_loop.h"

namespace {
constexpr uint64_t NsPerMs = 1000000;

void serviceModules(void* set) {
    static_cast<ModuleBus*>(set)->service();
}
} // namespace

uint32_t moduleClockMs(uint64_t ns) {
    return static_cast<uint32_t>(ns / NsPerMs);
}

void ModuleBus::Node::onRx(const CanWireFrame& f, uint64_t atNs) {
    if (f.extended && !f.rtr) module.onFrame(toPeerFrame(f), moduleClockMs(atNs));
}

void ModuleBus::Node::onSent(const CanWireFrame& f, uint64_t atNs) {
    module.onSent(toPeerFrame(f), moduleClockMs(atNs));
}

void ModuleBus::Node::sendFrame(const PeerFrame& f) {
    if (!send(toWireFrame(f))) ++lost;
}

ModuleBus::~ModuleBus() {
    leave();
    for (int i = 0; i < n; ++i)
        delete nodes[i];
}

SimModule* ModuleBus::add(const ModuleDescription& desc, char* err, size_t errLen) {
    if (n == MaxModules) {
        snprintf(err, errLen, "more than %d simulated modules", MaxModules);
        return nullptr;
    }
    Node* node = new Node(desc);
    if (!node->module.valid()) {
        snprintf(err, errLen, "module 0x%02X: its flash cannot be built", desc.address);
        delete node;
        return nullptr;
    }
    node->module.listener = listener;
    node->module.busOffHook = busOffHook;
    nodes[n++] = node;
    if (joined != nullptr) {
        if (!joined->attach(node)) {
            snprintf(err, errLen, "the bus is full");
            delete nodes[--n];
            return nullptr;
        }
        node->module.start(moduleClockMs(hostClockNowNs()));
    }
    return &node->module;
}

bool ModuleBus::join(SimCanBus* bus) {
    if (joined != nullptr || bus == nullptr) return false;
    for (int i = 0; i < n; ++i) {
        if (!bus->attach(nodes[i])) {
            while (i-- > 0)
                bus->detach(nodes[i]);
            return false;
        }
    }
    if (!hostAddService(serviceModules, this)) {
        for (int i = 0; i < n; ++i)
            bus->detach(nodes[i]);
        return false;
    }
    joined = bus;
    uint32_t now = moduleClockMs(hostClockNowNs());
    for (int i = 0; i < n; ++i)
        nodes[i]->module.start(now);
    return true;
}

void ModuleBus::leave() {
    if (joined == nullptr) return;
    hostRemoveService(serviceModules, this);
    for (int i = 0; i < n; ++i) {
        joined->detach(nodes[i]);
        nodes[i]->module.saveImage();
    }
    joined = nullptr;
}

void ModuleBus::setListener(ModuleListener* l) {
    listener = l;
    for (int i = 0; i < n; ++i)
        nodes[i]->module.listener = l;
}

void ModuleBus::setBusOffHook(void (*hook)()) {
    busOffHook = hook;
    for (int i = 0; i < n; ++i)
        nodes[i]->module.busOffHook = hook;
}

unsigned long ModuleBus::framesLost() const {
    unsigned long lost = 0;
    for (int i = 0; i < n; ++i)
        lost += nodes[i]->lost;
    return lost;
}

void ModuleBus::service() {
    uint64_t now = hostClockNowNs();
    uint32_t ms = moduleClockMs(now);
    bool any = false;
    uint32_t first = 0;
    for (int i = 0; i < n; ++i) {
        nodes[i]->module.tick(ms);
        uint32_t due;
        if (nodes[i]->module.nextDeadline(&due) &&
            (!any || static_cast<int32_t>(due - first) < 0)) {
            first = due;
            any = true;
        }
    }
    if (!any) return;
    int32_t wait = static_cast<int32_t>(first - ms);
    hostWakeWithinNs(wait <= 0 ? 0 : static_cast<uint64_t>(wait) * NsPerMs - now % NsPerMs);
}
