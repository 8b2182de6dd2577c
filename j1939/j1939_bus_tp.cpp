// Transport protocol at the bus: not available yet. Long messages fail at once and an RTS
// is refused with an Abort, so that no sender waits for an answer that never comes.
#include "j1939/can_frame.h"
#include "j1939/j1939_bus.h"
#include "j1939/j1939_id.h"

void J1939bus::processTP_DT(uint8_t, uint8_t) {}

void J1939bus::processTP_CM(uint8_t sa, uint8_t da) {
    if (rxPkt->data[0] != TP_RTS) return;
    uint32_t pgn = rxPkt->getBytes(5, 3);
    txTPpkt(
        PktQueueElement::alloc(buildTPpkt(TP_Abort, 0xFFFF, 0xFF, pgn, da, sa), nullptr, 0, true));
}

void J1939bus::startTPtx(J1939msg* msg) {
    msg->notify(TPfailedEvent, nullptr);
}
