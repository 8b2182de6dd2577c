// Message buffers over packet chains and fields with scaling, range checks and fault texts,
// without a bus running. (Receive lists are met through the bus.)
#include <gtest/gtest.h>

#include "data/data.h"
#include "data/units.h"
#include "j1939/can_frame.h"
#include "j1939/j1939_id.h"
#include "j1939/j1939_msg_buffer.h"
#include "tests/support/j1939_test_bus.h"

namespace {
constexpr uint32_t PropA = 0xEF00;

J1939msgBuffer* longBuffer(uint32_t length) {
    return new J1939msgBuffer(PropA, 0xFA, 0x25, 6, length, nullptr, true);
}
// The sequence numbers (byte 0) of the buffer's packets.
std::vector<int> sequence(const J1939msgBuffer& b) {
    std::vector<int> v;
    for (CANpkt* p = b.first; p != nullptr; p = p->next)
        v.push_back(p->data[0]);
    return v;
}

std::string textOf(J1939field& f, unsigned char placeholder, double value = 0) {
    unsigned char buf[ExpansionWorkSize] = {};
    unsigned char* out = buf;
    f.expand(&English, placeholder, out, 0, value);
    *out = 0;
    return std::string(reinterpret_cast<char*>(buf));
}
} // namespace

// Addressing across the packets of a chain is run on the packets in can_frame_test.cpp and
// through every transfer.
TEST(J1939BufferTest, ASingleFrameMessageIsOneFrameOfItsLength) {
    J1939msgBuffer single(0xFECA, 0xFA, 0x25, 6, 3, nullptr, true);
    EXPECT_EQ(single.first->dlc, 3);
    // Bytes nobody wrote say "not available".
    for (uint8_t b : single.first->data)
        EXPECT_EQ(b, 0xFF);
    EXPECT_EQ(single.first->id, buildIDfromPGN(6, 0xFECA, 0xFA, 0));
    EXPECT_EQ(single.setBytes(0x0102, 0, 2), 1);
    EXPECT_EQ(single.first->data[0], 0x02);
    EXPECT_EQ(single.setBytes(0x0102, 7, 2), 0); // byte 8 is beyond the frame
}

TEST(J1939BufferTest, ResetLengthAndChangeDARecutAndMoveTheChain) {
    J1939msgBuffer* b = longBuffer(30); // 5 packets
    CANpkt* firstPkt = b->first;
    EXPECT_TRUE(b->resetLength(10)); // 2 packets, 3 spare
    EXPECT_EQ(b->length, 10u);
    EXPECT_EQ(sequence(*b), (std::vector<int>{1, 2}));
    EXPECT_TRUE(b->resetLength(5)); // single frame: first packet takes the frame identifier
    EXPECT_EQ(b->first, firstPkt);
    EXPECT_EQ(b->first->next, nullptr);
    EXPECT_EQ(b->first->id, b->id);
    b->changeDA(0x33);
    EXPECT_EQ(b->id, buildIDfromPGN(6, PropA, 0xFA, 0x33));
    EXPECT_TRUE(b->resetLength(30)); // back up: TP.DT identifier and sequence 1 again
    EXPECT_EQ(sequence(*b), (std::vector<int>{1, 2, 3, 4, 5}));
    for (CANpkt* p = b->first; p != nullptr; p = p->next) // spare packets were moved too
        EXPECT_EQ(p->id, buildIDfromPGN(6, PGN_TP_DT, 0xFA, 0x33));
    EXPECT_FALSE(b->resetLength(31)); // beyond what it was built for
    EXPECT_EQ(b->length, 30u);
    unsigned inUse = CANpkt::pool.blocksInUse();
    delete b;
    EXPECT_EQ(CANpkt::pool.blocksInUse(), inUse - 5);
}

TEST(J1939FieldTest, RangeCheckAndScaling) {
    Data d(&NoUnits, nullptr, 0);
    // Raw values of 8, 2 and 32 bits: valid or not (the top two values of 8 bits and more
    // are not, unless only all ones counts; two bits are never range-checked).
    struct Row {
        uint8_t bits;
        bool onlyAllOnes;
        uint32_t raw;
        bool valid;
    };
    const Row rows[] = {{8, false, 0xFD, true},        {8, false, 0xFE, false},
                        {8, true, 0xFE, true},         {8, true, 0xFF, false},
                        {2, false, 3, true},           {32, false, 0xFFFFFFFD, true},
                        {32, false, 0xFFFFFFFE, false}};
    for (const Row& r : rows) {
        J1939fieldDefn defn(100, r.bits, &d, 0.5, -10, J1939FMIset());
        J1939field f(&defn, 1, 0, nullptr);
        if (r.onlyAllOnes) f.flags |= FieldOnlyAllOnesInvalid;
        f.setDataObjValue(r.raw);
        EXPECT_EQ(d.isValid(), r.valid) << int(r.bits) << " bits, raw " << r.raw;
        if (r.valid) {
            EXPECT_DOUBLE_EQ(d.getValue(), r.raw * 0.5 - 10);
        }
    }
    J1939fieldDefn twoBits(101, 2, &d, 1, 0, J1939FMIset());
    J1939field g(&twoBits, 1, 6, nullptr);
    g.setDataObjValue(3);
    g.setStale();
    EXPECT_FALSE(d.isValid());

    // Encoding truncates toward zero and stays inside 32 bits.
    J1939fieldDefn defn(100, 8, &d, 0.5, -10, J1939FMIset());
    EXPECT_EQ(defn.encode(-10.9), -1);
    EXPECT_EQ(defn.encode(1e12), INT32_MAX);
    EXPECT_EQ(defn.encode(-1e12), INT32_MIN);
    J1939fieldDefn zeroScale(103, 8, &d, 0, 0, J1939FMIset());
    EXPECT_EQ(zeroScale.encode(0), 0); // 0/0 is not a number
}

TEST(J1939FieldTest, TextsForTemplatesAndFaults) {
    DataAttributes name("Engine speed");
    Data rpm(&Universal_RPM, &name, 0);
    J1939fieldDefn withData(190, 16, &rpm, 0.125, 0, J1939FMIset());
    J1939field r(&withData, 4, 0, nullptr);
    EXPECT_EQ(textOf(r, 1), "Engine speed");

    // Fault texts: the field's own for its SPN and FMI.
    r.addFMI(3, 0x3000, "&1 voltage high", nullptr);
    unsigned char priority = 0;
    StringArgs a = r.getMsgTemplate(priority, 0, 190ul << 13 | 3u << 8 | 0x25);
    EXPECT_STREQ(a.key, "&1 voltage high");
    EXPECT_EQ(priority, 3);
    // An FMI added without its own priority word and text takes the defaults.
    J1939FMIdefn* dummy = r.addFMI(31, 0xFFFF, nullptr, nullptr);
    EXPECT_EQ(dummy->priorityWord, 0x1000u);
    EXPECT_STREQ(dummy->templateText, "&1 dummy fmi");
    // A field's FMI list does not leak into the set it was copied from.
    EXPECT_EQ(withData.fmiSet.find(3), r.diagnosticMatch(3));
}
