// J1939 identifiers and the stack's own TP.CM and Request frames.
#include <gtest/gtest.h>

#include "j1939/can_frame.h"
#include "j1939/j1939_id.h"

namespace {
struct Parts {
    uint8_t priority, sa, da;
    uint32_t pgn;
};
Parts split(uint32_t id) {
    Parts p;
    getIDcomponents(id, p.priority, p.pgn, p.sa, p.da);
    return p;
}

TEST(J1939IdTest, Pdu1CarriesTheDestination) {
    Parts p = split(0x18EF28FA);
    EXPECT_EQ(p.priority, 6);
    EXPECT_EQ(p.pgn, 0xEF00u); // low byte cleared
    EXPECT_EQ(p.da, 0x28);
    EXPECT_EQ(p.sa, 0xFA);
    EXPECT_EQ(buildIDfromPGN(6, 0xEF00, 0xFA, 0x28), 0x18EF28FAu);
}

TEST(J1939IdTest, Pdu2IsGlobalAndKeepsTheWholePgn) {
    Parts p = split(0x18F00425);
    EXPECT_EQ(p.pgn, 0xF004u);
    EXPECT_EQ(p.da, 255);
    EXPECT_EQ(p.sa, 0x25);
    EXPECT_EQ(buildIDfromPGN(6, 0xFECA, 0x80, 0x12), 0x18FECA80u); // destination ignored
    EXPECT_EQ(buildIDfromPGN(6, 0xFECA, 0x80, 0x12), buildIDfromPGN(6, 0xFECA, 0x80, 0xFF));
}

TEST(J1939IdTest, RoundTripOverEveryPfAndPriority) {
    for (uint32_t pf = 0; pf <= 0xFF; ++pf) {
        for (uint8_t pri = 0; pri < 8; ++pri) {
            uint32_t pgn = pf << 8 | (pf >= 0xF0 ? 0x5A : 0);
            uint32_t id = buildIDfromPGN(pri, pgn, 0x33, 0x44);
            EXPECT_LT(id, 1u << 29);
            Parts p = split(id);
            EXPECT_EQ(p.priority, pri);
            EXPECT_EQ(p.pgn, pgn);
            EXPECT_EQ(p.sa, 0x33);
            EXPECT_EQ(p.da, pf >= 0xF0 ? 255 : 0x44) << std::hex << pgn;
        }
    }
}

TEST(J1939IdTest, DataPageBitsAreIgnoredOnReceiptAndArgumentsCannotOverflow) {
    Parts p = split(0x19EF28FA); // data page set
    EXPECT_EQ(p.pgn, 0xEF00u);
    EXPECT_EQ(p.priority, 6);
    EXPECT_LT(buildIDfromPGN(255, 0xFFFF, 0xFF, 0xFF), 1u << 29);
}

TEST(J1939IdTest, TransportConnectionFrames) {
    CANpkt* rts = buildTPpkt(TP_RTS, 0x0123, 9, 0x00EF00, 0xFA, 0x25);
    EXPECT_EQ(rts->id, 0x1CEC25FAu); // priority 7, TP.CM to 0x25
    EXPECT_EQ(rts->dlc, 8);
    const uint8_t rtsData[8] = {0x10, 0x23, 0x01, 9, 0xFF, 0x00, 0xEF, 0x00};
    EXPECT_EQ(0, memcmp(rts->data, rtsData, 8));

    CANpkt* cts = buildTPpkt(TP_CTS, 5, 16, 0x01FECA, 0x25, 0xFA);
    const uint8_t ctsData[8] = {0x11, 16, 5, 0xFF, 0xFF, 0xCA, 0xFE, 0x01};
    EXPECT_EQ(0, memcmp(cts->data, ctsData, 8));
    EXPECT_EQ(cts->id, 0x1CECFA25u);

    CANpkt* bam = buildTPpkt(TP_BAM, 100, 15, 0xFECA, 0x80, 0xFF);
    EXPECT_EQ(bam->getBytes(1, 2), 100u);
    EXPECT_EQ(bam->data[3], 15);
    EXPECT_EQ(split(bam->id).da, 255);
    delete rts;
    delete cts;
    delete bam;
}

TEST(J1939IdTest, RequestFrame) {
    CANpkt* r = buildReqPGN(0xEE00, 0xFA, 0xFF);
    EXPECT_EQ(r->id, 0x18EAFFFAu);
    EXPECT_EQ(r->dlc, 3);
    EXPECT_EQ(r->getBytes(0, 3), 0xEE00u);
    for (int i = 3; i < 8; ++i)
        EXPECT_EQ(r->data[i], 0xFF);
    delete r;
}
} // namespace
