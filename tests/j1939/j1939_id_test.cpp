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
    // From 0xF000 on a PGN is PDU2: it has no destination to put in.
    EXPECT_EQ(buildIDfromPGN(6, 0xF000, 0xFA, 0x28), 0x18F000FAu);
    EXPECT_EQ(buildIDfromPGN(6, 0xFECA, 0x80, 0x12), 0x18FECA80u); // PDU2: destination ignored
    EXPECT_LT(buildIDfromPGN(255, 0xFFFF, 0xFF, 0xFF), 1u << 29);  // arguments cannot overflow
}
} // namespace
