// Shared by the transport-protocol tests: TP.CM frames as a module writes them, and the
// session pools that must be empty once transfers have ended.
#pragma once

#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "flashloader/display_module.h"
#include "j1939/can_frame.h"
#include "j1939/j1939_id.h"
#include "j1939/tp_session.h"
#include "tests/support/j1939_test_bus.h"

constexpr uint8_t Me = ServiceToolSA;
constexpr uint32_t PropA = 0xEF00; // to one node: RTS/CTS
constexpr uint32_t Bcast = 0xFF20; // to all: BAM

inline CanWireFrame cm(uint8_t sa, uint8_t da, uint8_t control, uint8_t b1, uint8_t b2, uint8_t b3,
                       uint8_t b4, uint32_t pgn) {
    return extFrame(idFor(7, PGN_TP_CM, sa, da),
                    {control, b1, b2, b3, b4, static_cast<uint8_t>(pgn),
                     static_cast<uint8_t>(pgn >> 8), static_cast<uint8_t>(pgn >> 16)});
}
inline bool isCM(const CanWireFrame& f, uint8_t control) {
    return pgnOf(f) == PGN_TP_CM && f.data[0] == control;
}
inline bool isDT(const CanWireFrame& f, uint8_t seq) {
    return pgnOf(f) == PGN_TP_DT && f.data[0] == seq;
}

inline unsigned sessionsInUse() {
    return J1939BAM_TxSession::pool.blocksInUse() + J1939BAM_RxSession::pool.blocksInUse() +
           J1939RTS_TxSession::pool.blocksInUse() + J1939RTS_RxSession::pool.blocksInUse();
}
// Every session ended and unlinked, every queued element and packet given back.
inline void expectTransportIdle(unsigned pktsAtStart) {
    EXPECT_EQ(sessionsInUse(), 0u);
    EXPECT_EQ(CANbusMgr.rtsTxSessions, nullptr);
    EXPECT_EQ(CANbusMgr.rtsRxSessions, nullptr);
    EXPECT_EQ(CANbusMgr.bamTxSessions, nullptr);
    EXPECT_EQ(CANbusMgr.bamRxSessions, nullptr);
    EXPECT_EQ(CANpkt::pool.blocksInUse(), pktsAtStart);
    EXPECT_EQ(PktQueueElement::pool.blocksInUse(), 0u);
}
