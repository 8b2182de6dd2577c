// 29-bit J1939 identifiers: priority in bits 26..28, PGN in bits 8..23, source address in
// bits 0..7; PDU1 PGNs (PF below 0xF0) carry the destination address in bits 8..15. Also the
// two control frames the stack makes itself: TP.CM and Request.
#pragma once

#include <cstdint>

class CANpkt;

constexpr uint32_t PGN_Request = 0xEA00;
constexpr uint32_t PGN_TP_DT = 0xEB00;
constexpr uint32_t PGN_TP_CM = 0xEC00;
constexpr uint32_t PGN_AddressClaimed = 0xEE00;
constexpr uint32_t PGN_DM1 = 0xFECA;
constexpr uint8_t GlobalAddress = 255;

// TP.CM control bytes.
constexpr uint8_t TP_RTS = 0x10;
constexpr uint8_t TP_CTS = 0x11;
constexpr uint8_t TP_EndOfMsgACK = 0x13;
constexpr uint8_t TP_BAM = 0x20;
constexpr uint8_t TP_Abort = 0xFF;

// PDU2 (PF above 0xEF): da is 255 and pgn keeps its low byte; PDU1: da from bits 8..15 and
// the low byte of pgn cleared. Data-page bits are ignored.
void getIDcomponents(uint32_t id, uint8_t& priority, uint32_t& pgn, uint8_t& sa, uint8_t& da);
// da is used only for PDU1 PGNs (below 0xF000), which callers pass with a zero low byte.
uint32_t buildIDfromPGN(uint8_t priority, uint32_t pgn, uint8_t sa, uint8_t da);
// A TP.CM packet (priority 7, 8 bytes). CTS: count, next packet, 0xFF, 0xFF, pgn;
// others: size low, size high, count, 0xFF, pgn (pgn least significant byte first).
CANpkt* buildTPpkt(uint8_t control, uint32_t sizeOrNext, uint32_t count, uint32_t pgn, uint8_t sa,
                   uint8_t da);
// A Request (priority 6, 3 bytes) for pgn.
CANpkt* buildReqPGN(uint32_t pgn, uint8_t sa, uint8_t da);
