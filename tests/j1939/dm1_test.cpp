// Following a node's DM1: DTC decoding, each fault reported once and cleared when it leaves
// the DM1 or 5 s after the node falls silent, faults by table, field or callback;
// the fault table file and the fault record's layout. (A DM1 by BAM: kernel_peer/.)
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "data/data.h"
#include "data/units.h"
#include "j1939/fault_obj.h"
#include "j1939/j1939_dm1.h"
#include "j1939/j1939_module.h"
#include "tests/j1939/tp_test_frames.h"
#include "tests/support/program_runner.h"
#include "tests/support/virtual_time.h"

namespace {
constexpr uint8_t EngineSA = 0x30;
J1939module Engine(EngineSA, "Engine", false, J1939NAME(), J1939NAME(true, 0xFF));

uint8_t reportAll(uint32_t spn, uint8_t, uint8_t, uint8_t, J1939field*&, unsigned long& code) {
    code = spn;
    return 7;
}

class Dm1Test : public ::testing::Test {
protected:
    RecordingFaultMgr faults;
    J1939TestBus j;

    void dm1(std::initializer_list<uint8_t> data) {
        j.peerSends(idFor(6, PGN_DM1, EngineSA, 255), data);
        j.runFor(5);
    }
    // The codes reported (or cleared), in order.
    std::vector<uint32_t> codes(bool clears = false) const {
        std::vector<uint32_t> v;
        for (const FaultReport& r : faults.log)
            if (r.cleared == clears) v.push_back(r.code);
        return v;
    }
};

std::string tableFile(const std::string& text) {
    std::string path = makeTempDir() + "/faults.txt";
    writeFile(path, text);
    return path;
}
} // namespace

TEST_F(Dm1Test, DtcsAreReportedOnceAndClearedWhenGoneOrSilent) {
    J1939msgDM1_Rx msg(nullptr, reportAll);
    CANbusMgr.registerMsg(&msg, &Engine, &Display);
    CANbusMgr.registerSPNmapping(523000, 524000);
    const uint32_t a = (100u << 13) | (3 << 8) | EngineSA;
    const uint32_t b = ((100u + 7 * 65536) << 13) | (3 << 8) | EngineSA;
    dm1({0x00, 0xFF, 0x64, 0x00, 0x03, 0x01, 0xFF, 0xFF});
    dm1({0x00, 0xFF, 0x64, 0x00, 0x03, 0x01, 0xFF, 0xFF});
    EXPECT_EQ(codes(), std::vector<uint32_t>{a});
    EXPECT_EQ(faults.log[0].type, 7);
    EXPECT_EQ(faults.log[0].value, 100.0);                 // the callback's code
    dm1({0x00, 0xFF, 0x64, 0x00, 0xE3, 0x01, 0xFF, 0xFF}); // the high SPN bits
    EXPECT_EQ(codes(), (std::vector<uint32_t>{a, b}));
    EXPECT_EQ(codes(true), std::vector<uint32_t>{a});
    // Another source's DM1 is not this message's.
    j.peerSends(idFor(6, PGN_DM1, 0x31, 255), {0, 0xFF, 0x64, 0, 0x03, 1, 0xFF, 0xFF});
    dm1({0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00}); // nothing active
    EXPECT_EQ(codes().size(), 2u);
    EXPECT_EQ(codes(true), (std::vector<uint32_t>{a, b}));
    EXPECT_EQ(CANbusMgr.activeFaults.head, nullptr);

    // 523000 = 0x7FAF8 is mapped; the node falls silent: cleared 5 s after its last DM1.
    uint32_t last = nowMs();
    dm1({0x00, 0xFF, 0xF8, 0xFA, 0xE2, 0x01, 0xFF, 0xFF});
    ASSERT_EQ(codes().back(), (524000u << 13) | (2 << 8) | EngineSA);
    j.runFor(4985);
    EXPECT_EQ(codes(true).size(), 2u);
    j.runFor(20);
    ASSERT_EQ(codes(true).size(), 3u);
    EXPECT_NEAR(faults.log.back().atMs - last, 5000.0, 2.0);
    EXPECT_EQ(J1939ActiveFaultNode::pool.blocksInUse(), 0u);
}

TEST_F(Dm1Test, FaultsComeFromTheTableOrFromFieldsWithTheirTexts) {
    // A table out of order with a bad line: both entries that scan are found.
    std::string path = tableFile("ECM Fault Table: test\n// comment\n5\n"
                                 "(190) 0 A 4711\n(101) 3 017 12\nbroken\n"
                                 "[5] 1 R 9\n");
    J1939msgDM1_Rx msg;
    ASSERT_TRUE(msg.loadFaultTable(path.c_str()));
    EXPECT_EQ(msg.tableCount, 3u);
    unsigned long code = 0;
    EXPECT_EQ(msg.getFaultTypeAndCode(190, 0, code), FaultTypeInTable);
    EXPECT_EQ(code, 4711u);
    EXPECT_EQ(msg.findTableEntry((0x7F000 + 5) << 5 | 1)->type, FaultTableTypeR);
    CANbusMgr.registerMsg(&msg, &Engine, &Display);
    dm1({0x00, 0xFF, 0xBE, 0x00, 0x00, 0x01});
    dm1({0x00, 0xFF, 0xBE, 0x00, 0x01, 0x01});
    ASSERT_EQ(faults.log.size(), 3u); // the second replaced the first
    EXPECT_EQ(faults.log[0].type, FaultTypeInTable);
    EXPECT_EQ(faults.log[0].value, 4711.0);
    EXPECT_EQ(faults.log[1].type, FaultTypeNotInTable);
    unsigned char form;
    EXPECT_STREQ(faults.faults[1].getMsgTemplate(form, 0, 0).key, "&9");
    unsigned char text[ExpansionWorkSize], *out = text;
    faults.faults[1].expand(nullptr, 9, out, 0, 0);
    EXPECT_STREQ(reinterpret_cast<char*>(text), "00190/01");

    // Without a table the field that carries the SPN and knows the FMI gives the text.
    Data oil(&NoUnits, nullptr, 0, true);
    TestMsg carrier(0xFEEE, 6, 8, J1939cfgListed);
    CANbusMgr.registerMsg(&carrier, &Engine, &Display);
    J1939field* f = carrier.addField(100, 1, 0, 8, &oil, 1, 0);
    f->addFMI(3, 0x3000, "oil &1 shorted", nullptr);
    J1939msgDM1_Rx byField;
    J1939module other(0x31, "other", false, J1939NAME(), J1939NAME(true, 0xFF));
    CANbusMgr.registerMsg(&byField, &other, &Display);
    j.peerSends(idFor(6, PGN_DM1, 0x31, 255), {0, 0xFF, 0x64, 0, 0x04, 1}); // FMI 4: no text
    j.peerSends(idFor(6, PGN_DM1, 0x31, 255), {0, 0xFF, 0x64, 0, 0x03, 1});
    j.runFor(5);
    ASSERT_EQ(faults.log.size(), 4u);
    EXPECT_EQ(faults.log[3].type, 0);
    EXPECT_EQ(faults.log[3].expander, f);
    FaultObj& fault = faults.faults[2];
    EXPECT_STREQ(fault.getMsgTemplate(form, 0, 0).key, "oil &1 shorted");
    EXPECT_EQ(form, 3);
    EXPECT_EQ(fault.associatedData(), &oil);
}

TEST(FaultTableTest, DamagedFilesLoadOnlyWhatIsSound) {
    J1939msgDM1_Rx msg;
    for (const char* bad : {"ECM Fault List\n1\n(1) 1 A 1\n", "ECM Fault Table:\n99999999\n"}) {
        EXPECT_FALSE(msg.loadFaultTable(tableFile(bad).c_str())) << bad;
        EXPECT_EQ(msg.faultTable, nullptr);
    }
    EXPECT_FALSE(msg.loadFaultTable("/nonexistent/table"));
    // Fewer lines than announced, a type word longer than any, an FMI and an SPN out of range.
    std::string longWord(40, 'A');
    ASSERT_TRUE(msg.loadFaultTable(tableFile("ECM Fault Table:\n10\n(7) 2 " + longWord +
                                             " 5\n(8) 32 A 1\n(524288) 1 A 1\n[4096] 1 A 1\n"
                                             "(9) 31 N 6\n")
                                       .c_str()));
    EXPECT_EQ(msg.tableCount, 1u);
    EXPECT_EQ(msg.faultTable[0].key, 9u << 5 | 31);
    EXPECT_EQ(msg.faultTable[0].type, FaultTableTypeN);
    EXPECT_GT(msg.faultTable[1].key, FaultTableTerminatorKey);
}

TEST(FaultRecordTest, FieldsKeepTheirBitsInTheSixteenBytes) {
    FaultObj f(4, 0x12345678, nullptr, 0xFC);
    f.record.setRecordNumber(0x0ABCDEF1);
    f.setTimestamp(0xCAFEBABE, 0xFEDCB);
    f.record.setRecordNumber(0x0FFFFFFF);
    const uint8_t expected[16] = {0x78, 0x56, 0x34, 0x12, 0xBE, 0xBA, 0xFE, 0xCA,
                                  0xFF, 0xFF, 0xFF, 0xFF, 0xED, 0xCB, 4,    0xFC};
    EXPECT_EQ(0, memcmp(f.record.getRecordDataArea(), expected, 16));
    EXPECT_EQ(f.record.getHourstamp(), 0xFEDCBu);
}
