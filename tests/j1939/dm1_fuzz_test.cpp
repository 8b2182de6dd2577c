// Random DM1 payloads (single frames and broadcasts) from random sources, and damaged
// fault-table files: nothing crashes or reads out of bounds (the sanitizer build checks),
// and once the sources fall silent every fault is cleared and the pools are back.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "j1939/j1939_dm1.h"
#include "j1939/j1939_module.h"
#include "tests/j1939/tp_test_frames.h"
#include "tests/support/program_runner.h"

namespace {
uint8_t reportAll(uint32_t, uint8_t fmi, uint8_t, uint8_t, J1939field*&, unsigned long&) {
    return fmi == 31 ? FaultTypeNone : 1;
}
} // namespace

TEST(Dm1FuzzTest, RandomDm1sFromRandomSourcesLeaveNothingBehind) {
    RecordingFaultMgr faults;
    J1939TestBus j;
    static J1939module src[3] = {{0x40, "a", false, J1939NAME(), J1939NAME(true, 0xFF)},
                                 {0x41, "b", false, J1939NAME(), J1939NAME(true, 0xFF)},
                                 {0x42, "c", false, J1939NAME(), J1939NAME(true, 0xFF)}};
    J1939msgDM1_Rx byCallback(nullptr, reportAll), byTable, none;
    ASSERT_TRUE(byTable.loadFaultTable([] {
        std::string p = makeTempDir() + "/t";
        writeFile(p, "ECM Fault Table:\n2\n(1) 1 A 5\n(2) 2 N 6\n");
        return p;
    }()
                                           .c_str()));
    CANbusMgr.registerMsg(&byCallback, &src[0], &Display);
    CANbusMgr.registerMsg(&byTable, &src[1], &Display);
    CANbusMgr.registerMsg(&none, &src[2], &Display);
    j.runFor(10);
    unsigned pkts = CANpkt::pool.blocksInUse();
    std::mt19937 rng(77);
    for (int i = 0; i < 20000; ++i) {
        uint8_t sa = static_cast<uint8_t>(rng() % 4 == 0 ? rng() : 0x40 + rng() % 3);
        uint8_t d[8];
        for (uint8_t& b : d)
            b = static_cast<uint8_t>(rng() % 3 == 0 ? rng() % 4 : rng());
        if (rng() % 5 == 0) {
            uint8_t packets = static_cast<uint8_t>(1 + rng() % 6);
            uint16_t size = static_cast<uint16_t>(packets * 7 - rng() % 7);
            j.peerSends(cm(sa, 255, TP_BAM, static_cast<uint8_t>(size), 0, packets, 0xFF, PGN_DM1));
            for (uint8_t s = 1; s <= packets; ++s)
                j.peerSends(
                    extFrame(idFor(7, PGN_TP_DT, sa, 255), {rng() % 20 ? s : uint8_t(9), d[1], d[2],
                                                            d[3], d[4], d[5], d[6], d[7]}));
        } else {
            CanWireFrame f = extFrame(idFor(6, PGN_DM1, sa, 255), {});
            f.dlc = static_cast<uint8_t>(rng() % 9);
            memcpy(f.data, d, sizeof d);
            j.peerSends(f);
        }
        j.runFor(1 + rng() % 30);
    }
    j.runFor(6000);
    EXPECT_EQ(CANbusMgr.activeFaults.head, nullptr);
    EXPECT_EQ(J1939ActiveFaultNode::pool.blocksInUse(), 0u);
    EXPECT_EQ(faults.reports(), faults.clears());
    EXPECT_GT(faults.reports(), 1000);
    expectTransportIdle(pkts);
}

TEST(FaultTableFuzzTest, DamagedTablesLoadSortedAndBounded) {
    std::mt19937 rng(99);
    const std::string base = "ECM Fault Table: x\n// c\n6\n(100) 3 A 1\n[5] 1 0x20 2\n"
                             "(524287) 31 R 3\n(0) 0 N 4\n(77) 2 Z -5\n(9) 9 A 6\n";
    std::string path = makeTempDir() + "/t";
    int loaded = 0;
    for (int i = 0; i < 800; ++i) {
        std::string text = base;
        for (int k = rng() % 6; k-- > 0;) {
            size_t at = 18 + rng() % (text.size() - 18);
            switch (rng() % 4) {
            case 0:
                text[at] = static_cast<char>(rng());
                break;
            case 1:
                text.erase(at, 1 + rng() % 5);
                break;
            case 2:
                text.insert(at, std::string(1 + rng() % 140, "9A\n -(["[rng() % 7]));
                break;
            default:
                text.insert(at, std::to_string(static_cast<int>(rng())));
                break;
            }
        }
        writeFile(path, text);
        J1939msgDM1_Rx msg;
        if (!msg.loadFaultTable(path.c_str())) continue;
        ++loaded;
        ASSERT_LE(msg.tableCount, static_cast<uint32_t>(MaxFaultTableEntries));
        for (uint32_t e = 0; e < msg.tableCount; ++e) {
            ASSERT_LE(msg.faultTable[e].key, FaultTableTerminatorKey);
            if (e > 0) {
                ASSERT_LE(msg.faultTable[e - 1].key, msg.faultTable[e].key);
            }
            ASSERT_EQ(msg.findTableEntry(msg.faultTable[e].key)->key, msg.faultTable[e].key);
        }
        ASSERT_GT(msg.faultTable[msg.tableCount].key, FaultTableTerminatorKey);
    }
    EXPECT_GT(loaded, 300);
}
