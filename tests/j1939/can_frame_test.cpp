// J1939 identifiers, packets and packet chains. (Queues, pools and the address set are met
// through the bus.)
#include <gtest/gtest.h>

#include "j1939/can_frame.h"
#include "j1939/j1939_id.h"

namespace {
// A chain of n TP.DT packets holding message bytes 0, 1, 2, ... in order; deleted with it.
struct Chain {
    CANpkt* first = nullptr;
    explicit Chain(int n) {
        CANpkt** link = &first;
        for (int p = 0; p < n; ++p, link = &(*link)->next) {
            *link = new CANpkt(buildIDfromPGN(7, PGN_TP_DT, 0xFA, 0x80),
                               static_cast<uint8_t>(p + 1), 0, 0, 0, 0, 0, 0, 0);
            for (int i = 1; i < 8; ++i)
                (*link)->data[i] = static_cast<uint8_t>(p * 7 + i - 1);
        }
    }
    ~Chain() {
        while (first != nullptr) {
            CANpkt* n = first->next;
            delete first;
            first = n;
        }
    }
};

TEST(CANpktTest, GetBytesIsLittleEndianWithinOnePacket) {
    CANpkt cm(0, TP_RTS, 0xF9, 0x06, 255, 0xFF, 0x00, 0xEF, 0x00);
    EXPECT_EQ(cm.getBytes(5, 3), 0x00EF00u);
    EXPECT_EQ(cm.getBytes(1, 2), 1785u);
    EXPECT_EQ(cm.getBytes(6, 4), 0x00EFu); // stops at the end of a lone packet
}

TEST(CANpktTest, ChainAddressingSkipsTheSequenceNumbers) {
    Chain c(3);
    CANpkt* p = c.first;
    EXPECT_EQ(p->getBytes(7, 2), 0x0706u);      // data[7] of the first, data[1] of the second
    EXPECT_EQ(p->getBytes(8, 1), 7u);           // chain index 8 is data[1] of the second
    EXPECT_EQ(p->getBytes(13, 4), 0x0F0E0D0Cu); // straddles packets 2 and 3
    // Past the end of the chain only what exists is read; far past it, nothing.
    EXPECT_EQ(p->getBytes(21, 4), 20u);
    EXPECT_EQ(p->getBytes(200, 4), 0u);

    EXPECT_EQ(p->setBytes(0x0706, 7, 2), 0); // the bytes already there
    EXPECT_NE(p->setBytes(0xBBAA, 7, 2), 0);
    EXPECT_EQ(p->data[7], 0xAA);
    EXPECT_EQ(p->next->data[0], 2); // the sequence number is untouched
    EXPECT_EQ(p->next->data[1], 0xBB);
    // Writing past the end of the chain stops there without touching anything else.
    EXPECT_NE(p->setBytes(0x11223344, 21, 4), 0);
    EXPECT_EQ(p->next->next->data[7], 0x44);
    EXPECT_EQ(p->setBytes(0x55, 300, 1), 0);
}

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
    // From 0xF000 on a PGN is PDU2: it has no destination to put in.
    EXPECT_EQ(buildIDfromPGN(6, 0xF000, 0xFA, 0x28), 0x18F000FAu);
    EXPECT_EQ(buildIDfromPGN(6, 0xFECA, 0x80, 0x12), 0x18FECA80u); // PDU2: destination ignored
    EXPECT_LT(buildIDfromPGN(255, 0xFFFF, 0xFF, 0xFF), 1u << 29);  // arguments cannot overflow
}
} // namespace
