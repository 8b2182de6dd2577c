// Identifier splitting and building, and the stack's own control frames.
#include "j1939/j1939_id.h"

#include "j1939/can_frame.h"

void getIDcomponents(uint32_t id, uint8_t& priority, uint32_t& pgn, uint8_t& sa, uint8_t& da) {
    priority = static_cast<uint8_t>((id >> 26) & 7);
    sa = static_cast<uint8_t>(id);
    pgn = (id >> 8) & 0xFFFF;
    if ((pgn & 0xFF00) > 0xEFFF) {
        da = GlobalAddress;
    } else {
        da = static_cast<uint8_t>(pgn);
        pgn &= 0xFF00;
    }
}

uint32_t buildIDfromPGN(uint8_t priority, uint32_t pgn, uint8_t sa, uint8_t da) {
    // Masked so that no argument can reach past the 29 identifier bits.
    uint32_t id = static_cast<uint32_t>(priority & 7) << 26 | (pgn & 0x3FFFF) << 8 | sa;
    if (pgn < 0xF000) id |= static_cast<uint32_t>(da) << 8;
    return id;
}

CANpkt* buildTPpkt(uint8_t control, uint32_t sizeOrNext, uint32_t count, uint32_t pgn, uint8_t sa,
                   uint8_t da) {
    uint8_t p0 = static_cast<uint8_t>(pgn), p1 = static_cast<uint8_t>(pgn >> 8),
            p2 = static_cast<uint8_t>(pgn >> 16);
    uint32_t id = buildIDfromPGN(7, PGN_TP_CM, sa, da);
    if (control == TP_CTS)
        return new CANpkt(id, control, static_cast<uint8_t>(count),
                          static_cast<uint8_t>(sizeOrNext), 0xFF, 0xFF, p0, p1, p2);
    return new CANpkt(id, control, static_cast<uint8_t>(sizeOrNext),
                      static_cast<uint8_t>(sizeOrNext >> 8), static_cast<uint8_t>(count), 0xFF, p0,
                      p1, p2);
}

CANpkt* buildReqPGN(uint32_t pgn, uint8_t sa, uint8_t da) {
    CANpkt* p = new CANpkt(buildIDfromPGN(6, PGN_Request, sa, da), static_cast<uint8_t>(pgn),
                           static_cast<uint8_t>(pgn >> 8), static_cast<uint8_t>(pgn >> 16), 0xFF,
                           0xFF, 0xFF, 0xFF, 0xFF);
    p->dlc = 3;
    return p;
}
