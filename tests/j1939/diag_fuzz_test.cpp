// Random DM1s and proprietary commands (single frames and broadcasts) from random sources,
// and damaged fault tables: nothing crashes or reads out of bounds (the sanitizer build
// checks); silence clears every fault; a stop leaves no download file but a completed one.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include <unistd.h>

#include "core/framework.h"
#include "j1939/j1939_dm1.h"
#include "j1939/j1939_module.h"
#include "j1939/ostrel_cmd.h"
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
    std::string table = makeTempDir() + "/t";
    writeFile(table, "ECM Fault Table:\n2\n(1) 1 A 5\n(2) 2 N 6\n");
    ASSERT_TRUE(byTable.loadFaultTable(table.c_str()));
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

TEST(OstrelFuzzTest, RandomCommandsLeaveOnlyCompletedDownloads) {
    J1939TestBus j;
    J1939msgOstrelCmdReceived msg(J1939cfgListed | J1939cfgFiltered);
    std::string path = makeTempDir() + "/update.dat";
    CANdownloadFileName = path.c_str();
    CANbusMgr.registerMsg(&msg, &Module_na, &Display);
    j.runFor(10);
    unsigned pkts = CANpkt::pool.blocksInUse();
    std::mt19937 rng(31);
    int completed = 0, left = 0;
    for (int run = 0; run < 400; ++run) {
        uint32_t next = 0; // the address that continues the file, so that some runs complete
        for (int i = rng() % 40; i-- > 0;) {
            uint8_t sa = static_cast<uint8_t>(rng() % 3 == 0 ? rng() : 0x2B);
            uint8_t da = rng() % 4 == 0 ? 255 : Me;
            static const uint8_t commands[] = {0, 0, 2, 3, 3, 3, 3, 0x12, 0x13, 0xFF};
            uint8_t d[8];
            for (uint8_t& b : d)
                b = static_cast<uint8_t>(rng());
            d[0] = commands[rng() % sizeof commands];
            if (d[0] == 0) d[1] = rng() % 3 ? 1 : static_cast<uint8_t>(rng() % 3);
            if (d[0] == 3 && rng() % 4) { // a record that may continue the file
                d[2] = static_cast<uint8_t>(rng() % 3);
                d[3] = static_cast<uint8_t>(next >> 8);
                d[4] = static_cast<uint8_t>(next);
                d[5] = static_cast<uint8_t>(rng() % 8 == 0 ? 1 : rng() % 12 == 0 ? 4 : 0);
                if (d[5] == 0) next += d[2];
            }
            if (d[0] == 0x12) d[1] = rng() % 2 ? 0xFF : static_cast<uint8_t>(rng());
            if (rng() % 10 == 0) { // by broadcast, up to 40 bytes
                uint8_t packets = static_cast<uint8_t>(2 + rng() % 5);
                j.peerSends(cm(sa, 255, TP_BAM, static_cast<uint8_t>(packets * 7 - rng() % 7), 0,
                               packets, 0xFF, PGN_ProprietaryA));
                for (uint8_t s = 1; s <= packets; ++s)
                    j.peerSends(
                        extFrame(idFor(7, PGN_TP_DT, sa, 255),
                                 {s, s == 1 ? d[0] : d[7], d[1], d[2], d[3], d[4], d[5], d[6]}));
            } else {
                CanWireFrame f = extFrame(idFor(6, PGN_ProprietaryA, sa, da), {});
                f.dlc = static_cast<uint8_t>(rng() % 4 == 0 ? rng() % 9 : 8);
                memcpy(f.data, d, sizeof d);
                j.peerSends(f);
            }
            j.runFor(1 + rng() % 5);
        }
        j.peerSends(idFor(6, PGN_ProprietaryA, 0x2B, Me), {0, 0});
        j.runFor(2100);
        bool exists = access(path.c_str(), F_OK) == 0;
        if (exists) {
            ASSERT_EQ(FW.terminationCode, DownloadTerminationCode) << "run " << run;
            ++left;
            remove(path.c_str());
        }
        completed += FW.terminationCode == DownloadTerminationCode;
        FW.terminationCode = 0;
    }
    EXPECT_GT(left, 10);
    EXPECT_GE(completed, left);
    EXPECT_EQ(PktQueueElement::pool.blocksInUse(), 0u);
    EXPECT_EQ(CANpkt::pool.blocksInUse(), pkts);
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
            ASSERT_LE(msg.faultTable[e > 0 ? e - 1 : 0].key, msg.faultTable[e].key); // sorted
            ASSERT_EQ(msg.findTableEntry(msg.faultTable[e].key)->key, msg.faultTable[e].key);
        }
        ASSERT_GT(msg.faultTable[msg.tableCount].key, FaultTableTerminatorKey);
    }
    EXPECT_GT(loaded, 300);
}
