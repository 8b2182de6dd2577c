// DM1 messages: table look-up, DTC classification, lamps and the time-out.
#include "j1939/j1939_dm1.h"

#include "j1939/j1939_bus.h"
#include "j1939/j1939_id.h"

namespace {
constexpr uint32_t DM1Config = J1939cfgListed | J1939cfgSrcSpecific;
constexpr uint32_t TableKeyFMIBits = 5;
constexpr uint8_t LampOn = 1;
constexpr uint8_t LampSlowFlash = 2;
constexpr uint8_t LampFastFlash = 3;
constexpr uint8_t LampsOff = 0;
constexpr uint8_t NoFlash = 0xFF;
} // namespace

J1939msgDM1_Rx::J1939msgDM1_Rx(J1939faultCodeTable* table, DM1Callback cb, bool cbOnly)
    : J1939msg(PGN_DM1, 0, 0, DM1Config), faultTable(table), callback(cb),
      callbackOnly(cbOnly && cb != nullptr) {}

J1939msgDM1_Rx::~J1939msgDM1_Rx() {
    delete[] ownTable;
}

void J1939msgDM1_Rx::init() {
    if (faultTable == nullptr || tableCount != 0) return;
    while (faultTable[tableCount].key <= FaultTableTerminatorKey)
        ++tableCount;
}

void J1939msgDM1_Rx::notify(NotificationEvent, Data*) {
    processLamps(LampsOff, NoFlash);
    CANbusMgr.activeFaults.startDM1processing(sa);
    CANbusMgr.activeFaults.endDM1processing(sa);
}

void J1939msgDM1_Rx::cancelAllFaults() {
    cancelDelayedNotify(AnyEvent);
    notify(TimerEvent, nullptr);
}

bool J1939msgDM1_Rx::loadFaultTable(const char* fileName) {
    uint32_t count = 0;
    J1939faultCodeTable* t = readFaultTableFile(fileName, &count);
    if (t == nullptr) return false;
    delete[] ownTable;
    ownTable = faultTable = t;
    tableCount = count;
    return true;
}

void J1939msgDM1_Rx::registerInterest(Notifiable* listener, uint8_t lampBits) {
    lampListener = listener;
    lampInterest = lampBits;
    lampMask = static_cast<uint8_t>(lampBits | (lampBits & 0x55) << 1 | (lampBits & 0xAA) >> 1);
}

const J1939faultCodeTable* J1939msgDM1_Rx::findTableEntry(uint32_t key) const {
    if (faultTable == nullptr) return nullptr;
    uint32_t lo = 0, hi = tableCount;
    while (lo < hi) {
        uint32_t mid = lo + (hi - lo) / 2;
        if (faultTable[mid].key < key)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo < tableCount && faultTable[lo].key == key ? &faultTable[lo] : nullptr;
}

uint8_t J1939msgDM1_Rx::getFaultTypeAndCode(uint32_t spn, uint8_t fmi, unsigned long& code) const {
    const J1939faultCodeTable* e = findTableEntry(spn << TableKeyFMIBits | fmi);
    if (e == nullptr) return FaultTypeNotInTable;
    code = e->code;
    return FaultTypeInTable;
}

void J1939msgDM1_Rx::processLamps(uint8_t lamps, uint8_t flash) {
    if (lampListener == nullptr) return;
    uint8_t state = 0;
    for (int shift = 6; shift >= 0; shift -= 2) {
        if (((lamps >> shift) & 3) != LampOn) continue;
        uint8_t pair = LampOn;
        bool flashHigh = (flash >> shift) & 2, flashLow = (flash >> shift) & 1;
        bool highOfInterest = (lampInterest >> shift) & 2;
        bool lowOfInterest = (lampInterest >> shift) & 1;
        if (!flashHigh && highOfInterest)
            pair = !flashLow || !lowOfInterest ? LampSlowFlash : LampFastFlash;
        state = static_cast<uint8_t>(state | pair << shift);
    }
    state &= lampMask;
    if (state == lampState) return;
    lampState = state;
    lampListener->notify(lampState | LampStateEvent, nullptr);
}

uint8_t J1939msgDM1_Rx::classify(uint32_t spn, uint8_t fmi, uint8_t sa, uint8_t lampByte,
                                 J1939field*& field, unsigned long& code) const {
    if (faultTable != nullptr) return getFaultTypeAndCode(spn, fmi, code);
    if (!callbackOnly) {
        J1939msg* m;
        field = CANbusMgr.findFieldAssocWithFault(spn, fmi, m);
        if (field != nullptr) return 0;
    }
    if (callback != nullptr) return callback(spn, fmi, sa, lampByte, field, code);
    return FaultTypeNone;
}
