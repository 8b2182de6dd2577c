// Following another node's active diagnostic trouble codes (DM1): one message per source
// node. Each DTC is looked up in a fault-code table, in the fields of the received messages
// or by the application's callback; the lamp status is condensed for one listener; a source
// that stops sending DM1 for 5 s has all its faults cleared.
#pragma once

#include <cstdint>

#include "j1939/j1939_msg.h"

class J1939msgBuffer;

// One row of a fault-code table (12 bytes); tables are sorted by ascending key.
struct J1939faultCodeTable {
    uint32_t code;
    uint32_t key; // SPN << 5 | FMI
    uint32_t type;
};
// A key above this ends a table.
constexpr uint32_t FaultTableTerminatorKey = 0xFFFFFF;
// Entries a table file may hold.
constexpr int MaxFaultTableEntries = 8192;

// Fault types handed to the fault manager.
constexpr uint8_t FaultTypeInTable = 252;
constexpr uint8_t FaultTypeNotInTable = 253;
constexpr uint8_t FaultTypeNone = 254; // nothing to report
// Fault type words of a table file.
constexpr uint32_t FaultTableTypeA = 0x2000;
constexpr uint32_t FaultTableTypeN = 0x1000;
constexpr uint32_t FaultTableTypeR = 0x3000;

// Bit of a lamp notification's event code; the condensed lamp state is below it.
constexpr uint32_t LampStateEvent = 0x40000000;
// A source's faults are cleared this long after its last DM1.
constexpr uint32_t DM1TimeoutMs = 5000;

// The application's decision for a DTC: the fault type (FaultTypeNone: ignore it) and,
// through field and code, what to report it with.
typedef uint8_t (*DM1Callback)(uint32_t spn, uint8_t fmi, uint8_t sa, uint8_t lampByte,
                               J1939field*& field, unsigned long& code);

class J1939msgDM1_Rx : public J1939msg {
public:
    J1939faultCodeTable* faultTable;
    uint32_t tableCount = 0;
    DM1Callback callback;
    bool callbackOnly;
    uint8_t lampState = 0;
    uint8_t lampMask = 0;
    uint8_t lampInterest = 0;
    Notifiable* lampListener = nullptr;

    J1939msgDM1_Rx(J1939faultCodeTable* table = nullptr, DM1Callback callback = nullptr,
                   bool callbackOnly = false);
    ~J1939msgDM1_Rx() override;

    void init() override;
    // Any event (in practice the time-out): lamps off and every fault of the source cleared.
    void notify(NotificationEvent event, Data* data) override;
    void cancelAllFaults();
    // Replaces the table with the one in the file; false (table unchanged) when the file
    // cannot be read or is not a fault table.
    bool loadFaultTable(const char* fileName);
    void registerInterest(Notifiable* listener, uint8_t lampBits);
    const J1939faultCodeTable* findTableEntry(uint32_t key) const;
    uint8_t getFaultTypeAndCode(uint32_t spn, uint8_t fmi, unsigned long& code) const;
    // The lamp and flash bytes of a DM1; the listener hears of a changed state.
    void processLamps(uint8_t lamps, uint8_t flash);
    // The type a DTC gets (FaultTypeNone: not reported) with its field and code.
    uint8_t classify(uint32_t spn, uint8_t fmi, uint8_t sa, uint8_t lampByte, J1939field*& field,
                     unsigned long& code) const;

private:
    J1939faultCodeTable* ownTable = nullptr; // loaded from a file
};

// Reads a table file into a new sorted array (count entries and a terminator); null when
// the file cannot be opened, does not start as a fault table or has no sound count.
J1939faultCodeTable* readFaultTableFile(const char* fileName, uint32_t* count);
