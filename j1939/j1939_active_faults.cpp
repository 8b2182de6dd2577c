// Active DM1 faults: reporting once, clearing what a DM1 no longer holds.
#include "j1939/j1939_active_faults.h"

#include "data/data.h"
#include "j1939/fault_obj.h"
#include "j1939/j1939_fault_mgr.h"
#include "j1939/j1939_field.h"

FreeListPool J1939ActiveFaultNode::pool(sizeof(J1939ActiveFaultNode));

namespace {
constexpr uint8_t AllSources = 255;
uint8_t sourceOf(uint32_t key) {
    return static_cast<uint8_t>(key);
}
} // namespace

void J1939ActiveFaultList::putAlarmScreenIntoUpdateMode(bool on) {
    if (on == updateMode) return;
    updateMode = updateModeHook != nullptr ? updateModeHook(on) : on;
}

void J1939ActiveFaultList::startDM1processing(uint8_t sa) {
    for (J1939ActiveFaultNode* n = head; n != nullptr; n = n->next)
        if (sa == AllSources || sourceOf(n->key) == sa) n->pendingRemoval = true;
}

void J1939ActiveFaultList::gotDTC(uint32_t spn, uint8_t fmi, uint8_t sa, uint8_t type,
                                  J1939field* field, unsigned long code) {
    uint32_t key = faultKey(spn, fmi, sa);
    for (J1939ActiveFaultNode* n = head; n != nullptr; n = n->next) {
        if (n->key == key) {
            n->pendingRemoval = false;
            return;
        }
    }
    putAlarmScreenIntoUpdateMode(true);
    double value = static_cast<double>(code);
    if (field != nullptr) value = field->defn->data != nullptr ? field->defn->data->getValue() : 0;
    FaultObj* fault = nullptr;
    reportJ1939Fault(fault, key, field, value, type);
    if (fault != nullptr) head = new J1939ActiveFaultNode(key, fault, head);
}

bool J1939ActiveFaultList::endDM1processing(uint8_t sa) {
    bool any = false;
    for (J1939ActiveFaultNode** p = &head; *p != nullptr;) {
        J1939ActiveFaultNode* n = *p;
        if (!n->pendingRemoval) {
            any = any || sourceOf(n->key) == sa;
            p = &n->next;
            continue;
        }
        putAlarmScreenIntoUpdateMode(true);
        *p = n->next;
        clearJ1939Fault(n->fault);
        delete n;
    }
    putAlarmScreenIntoUpdateMode(false);
    return any;
}

J1939ActiveFaultNode* J1939ActiveFaultList::findActiveFault(GenericData* data,
                                                            J1939ActiveFaultNode* after) const {
    for (J1939ActiveFaultNode* n = after != nullptr ? after->next : head; n != nullptr;
         n = n->next) {
        J1939field* f = dynamic_cast<J1939field*>(n->fault->source);
        if (f != nullptr && f->defn->data == data) return n;
    }
    return nullptr;
}

uint32_t J1939_SPNmapping::map(uint32_t spn) const {
    for (const J1939_SPNmapping* m = this; m != nullptr; m = m->next)
        if (m->from == spn) return m->to;
    return spn;
}
