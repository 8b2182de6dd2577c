// J1939 identifiers and the stack's own TP.CM and Request frames.
#include <gtest/gtest.h>

#include <vector>

#include "j1939/can_frame.h"
#include "j1939/j1939_id.h"

namespace {
struct Parts {
    uint32_t id;
    uint8_t priority;
    uint32_t pgn;
    uint8_t sa, da;
};

TEST(J1939IdTest, IdentifiersSplitIntoPriorityPgnAndAddresses) {
    const Parts cases[] = {
        {0x18EF28FA, 6, 0xEF00, 0xFA, 0x28}, // PDU1: the destination in place of the PGN's low byte
        {0x18F00425, 6, 0xF004, 0x25, 255},  // PDU2: global, the whole PGN
        {0x19EF28FA, 6, 0xEF00, 0xFA, 0x28}, // the data page bit is ignored
        {0x1CECFF80, 7, 0xEC00, 0x80, 255},
    };
    for (const Parts& c : cases) {
        Parts p{c.id, 0, 0, 0, 0};
        getIDcomponents(c.id, p.priority, p.pgn, p.sa, p.da);
        EXPECT_EQ(p.priority, c.priority) << std::hex << c.id;
        EXPECT_EQ(p.pgn, c.pgn) << std::hex << c.id;
        EXPECT_EQ(p.sa, c.sa) << std::hex << c.id;
        EXPECT_EQ(p.da, c.da) << std::hex << c.id;
    }
    EXPECT_EQ(buildIDfromPGN(6, 0xEF00, 0xFA, 0x28), 0x18EF28FAu);
    EXPECT_EQ(buildIDfromPGN(6, 0xFECA, 0x80, 0x12), 0x18FECA80u); // PDU2: destination ignored
    EXPECT_LT(buildIDfromPGN(255, 0xFFFF, 0xFF, 0xFF), 1u << 29);  // arguments cannot overflow
}

// The packet's length code and its eight data bytes; deletes it.
std::vector<uint8_t> bytesOf(const CANpkt* p) {
    std::vector<uint8_t> v(p->data, p->data + 8);
    v.insert(v.begin(), p->dlc);
    delete p;
    return v;
}

TEST(J1939IdTest, TransportConnectionAndRequestFrames) {
    CANpkt* rts = buildTPpkt(TP_RTS, 0x0123, 9, 0x00EF00, 0xFA, 0x25);
    EXPECT_EQ(rts->id, 0x1CEC25FAu); // priority 7, TP.CM to 0x25
    EXPECT_EQ(bytesOf(rts), (std::vector<uint8_t>{8, 0x10, 0x23, 0x01, 9, 0xFF, 0x00, 0xEF, 0x00}));
    CANpkt* cts = buildTPpkt(TP_CTS, 5, 16, 0x01FECA, 0x25, 0xFA);
    EXPECT_EQ(cts->id, 0x1CECFA25u);
    EXPECT_EQ(bytesOf(cts), (std::vector<uint8_t>{8, 0x11, 16, 5, 0xFF, 0xFF, 0xCA, 0xFE, 0x01}));
    CANpkt* bam = buildTPpkt(TP_BAM, 100, 15, 0xFECA, 0x80, 0xFF);
    EXPECT_EQ(bam->id, 0x1CECFF80u);
    EXPECT_EQ(bytesOf(bam), (std::vector<uint8_t>{8, 0x20, 100, 0, 15, 0xFF, 0xCA, 0xFE, 0x00}));
    CANpkt* r = buildReqPGN(0xEE00, 0xFA, 0xFF);
    EXPECT_EQ(r->id, 0x18EAFFFAu);
    EXPECT_EQ(bytesOf(r),
              (std::vector<uint8_t>{3, 0x00, 0xEE, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
}
} // namespace
