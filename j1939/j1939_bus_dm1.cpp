// The bus's part in DM1 diagnostics: walking a received DM1's DTCs.
#include "j1939/j1939_bus.h"
#include "j1939/j1939_dm1.h"
#include "j1939/j1939_msg_buffer.h"

namespace {
constexpr uint32_t FirstDTC = 2;
constexpr uint32_t DTCBytes = 4;
constexpr uint32_t NoDTC = 0x000000;
constexpr uint32_t NoDTCAllOnes = 0xFFFFFF;
constexpr uint8_t LampsOff = 0;
constexpr uint8_t NoFlash = 0xFF;

// SPN bits 16..18 sit in the top three bits of the third byte.
uint32_t spnOf(uint32_t dtc) {
    return (dtc & 0xFFFF) | ((dtc >> 5) & 0x70000);
}
uint8_t fmiOf(uint32_t dtc) {
    return static_cast<uint8_t>((dtc >> 16) & 0x1F);
}
} // namespace

void J1939bus::registerSPNmapping(uint32_t from, uint32_t to) {
    spnMappings = new J1939_SPNmapping{from, to, spnMappings};
}

void J1939bus::processDM1_Rx(J1939msgBuffer* buffer, J1939msg* msg) {
    // Only a DM1 message follows faults; another message for the PGN takes nothing.
    J1939msgDM1_Rx* dm1 = dynamic_cast<J1939msgDM1_Rx*>(msg);
    if (dm1 == nullptr) return;
    if (!simulated) dm1->cancelDelayedNotify(TimerEvent);
    // A DM1 too short for its lamp bytes shows no lamp.
    uint32_t len = buffer->length;
    uint8_t lamps = len > 0 ? static_cast<uint8_t>(buffer->getBytes(0, 1)) : LampsOff;
    uint8_t flash = len > 1 ? static_cast<uint8_t>(buffer->getBytes(1, 1)) : NoFlash;
    dm1->processLamps(lamps, flash);
    uint8_t sa = buffer->sa;
    activeFaults.startDM1processing(sa);
    for (uint32_t i = FirstDTC; i + DTCBytes <= len; i += DTCBytes) {
        uint32_t dtc = buffer->getBytes(i, 3);
        if (dtc == NoDTC || dtc == NoDTCAllOnes) break;
        uint32_t spn = spnMappings != nullptr ? spnMappings->map(spnOf(dtc)) : spnOf(dtc);
        uint8_t fmi = fmiOf(dtc);
        J1939field* field = nullptr;
        unsigned long code = 0;
        uint8_t type = dm1->classify(spn, fmi, sa, lamps, field, code);
        if (type != FaultTypeNone) activeFaults.gotDTC(spn, fmi, sa, type, field, code);
    }
    bool any = activeFaults.endDM1processing(sa);
    if (!simulated && (any || dm1->lampState != 0)) dm1->delayedNotify(TimerEvent, DM1TimeoutMs);
}
