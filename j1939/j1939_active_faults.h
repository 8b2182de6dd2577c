// The DM1 faults active on the bus, one node per (SPN, FMI, source): each is reported to the
// fault manager once when it first appears and cleared when its source's DM1 no longer
// holds it. And the SPN mappings applied to received DTCs.
#pragma once

#include <cstdint>

#include "core/free_list_pool.h"

class FaultObj;
class GenericData;
class J1939field;

// Fault key: SPN << 13 | FMI << 8 | source address.
constexpr uint32_t FaultKeySPNShift = 13;
constexpr uint32_t FaultKeyFMIShift = 8;
inline uint32_t faultKey(uint32_t spn, uint8_t fmi, uint8_t sa) {
    return spn << FaultKeySPNShift | static_cast<uint32_t>(fmi & 31) << FaultKeyFMIShift | sa;
}

struct J1939ActiveFaultNode {
    uint32_t key;
    bool pendingRemoval = false;
    FaultObj* fault;
    J1939ActiveFaultNode* next;

    J1939ActiveFaultNode(uint32_t key, FaultObj* fault, J1939ActiveFaultNode* next)
        : key(key), fault(fault), next(next) {}
    static void* operator new(size_t n) { return pool.take(n); }
    static void operator delete(void* p, size_t n) { pool.give(p, n); }
    static FreeListPool pool;
};

class J1939ActiveFaultList {
public:
    J1939ActiveFaultNode* head = nullptr;
    bool updateMode = false;
    // Told when the list starts and ends changing; returns the mode it took.
    bool (*updateModeHook)(bool on) = nullptr;

    // Marks every fault of sa (every fault for 255) as about to go.
    void startDM1processing(uint8_t sa);
    // The DTC is in the DM1: kept, or reported when new.
    void gotDTC(uint32_t spn, uint8_t fmi, uint8_t sa, uint8_t type, J1939field* field,
                unsigned long code);
    // Clears the faults still marked; whether sa has any fault left.
    bool endDM1processing(uint8_t sa);
    // The next fault after after (from the head when null) whose field shows data.
    J1939ActiveFaultNode* findActiveFault(GenericData* data, J1939ActiveFaultNode* after) const;
    void putAlarmScreenIntoUpdateMode(bool on);
};

struct J1939_SPNmapping {
    uint32_t from, to;
    J1939_SPNmapping* next;
    // The first mapping of spn in the list from this one on, or spn itself.
    uint32_t map(uint32_t spn) const;
};
