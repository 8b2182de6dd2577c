// The proprietary command: a download in records written into the download file, ending
// the program 2 s after it is complete; gaps, short records and stops deleting the file;
// identification with its items; replies to the sender or to 255.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

#include "core/framework.h"
#include "data/settings.h"
#include "j1939/ostrel_cmd.h"
#include "tests/j1939/tp_test_frames.h"
#include "tests/support/program_runner.h"

namespace {
constexpr uint8_t Tool = 0x2B;

class OstrelTest : public ::testing::Test {
protected:
    J1939TestBus j;
    J1939msgOstrelCmdReceived msg{J1939cfgListed | J1939cfgFiltered};
    std::string path = makeTempDir() + "/update.dat";

    void SetUp() override {
        CANdownloadFileName = path.c_str();
        CANbusMgr.registerMsg(&msg, &Module_na, &Display);
    }
    // Sends a command and returns the reply's bytes (empty when none came).
    std::vector<uint8_t> cmd(const std::vector<uint8_t>& d, uint8_t da = Me) {
        size_t before = j.peer.received.size();
        CanWireFrame f = extFrame(idFor(6, PGN_ProprietaryA, Tool, da), {});
        f.dlc = static_cast<uint8_t>(d.size());
        std::copy(d.begin(), d.end(), f.data);
        j.peerSends(f);
        j.runFor(5);
        if (j.peer.received.size() == before) return {};
        const CanWireFrame& r = j.peer.received.back();
        EXPECT_EQ(r.id, idFor(6, PGN_ProprietaryA, Me, da == Me ? Tool : 255));
        return std::vector<uint8_t>(r.data, r.data + r.dlc);
    }
    std::vector<uint8_t> reply(uint8_t command, uint8_t result) {
        return {1, command, result, 0, 0, 0, 0, 0};
    }
    bool fileExists() { return access(path.c_str(), F_OK) == 0; }
    std::string file() {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
};
} // namespace

TEST_F(OstrelTest, ACompleteDownloadIsKeptAndEndsTheProgramTwoSecondsLater) {
    EXPECT_EQ(cmd({0, 1}), reply(0, 1));
    EXPECT_EQ(cmd({3, 0, 2, 0x00, 0x00, 0, 'A', 'B'}), reply(3, 1));
    EXPECT_EQ(cmd({3, 0, 0, 0x00, 0x02, 0}), reply(3, 1)); // empty record at the address
    EXPECT_EQ(cmd({2, 0}), reply(2, 1));
    EXPECT_EQ(cmd({3, 0, 1, 0x00, 0x02, 0, 'C'}), reply(3, 1));
    // Base 0xFFFFFFFD: address 6 continues the run at 3.
    EXPECT_EQ(cmd({3, 0, 2, 0xFF, 0xFD, 4, 0xFF, 0xFF}), reply(3, 1));
    EXPECT_EQ(cmd({3, 0, 1, 0x00, 0x06, 0, 'D'}), reply(3, 1));
    EXPECT_EQ(cmd({3, 0, 0, 0, 0, 1}), reply(3, 1));
    EXPECT_EQ(file(), "ABCD");
    j.runFor(1980);
    EXPECT_EQ(FW.terminationCode, 0);
    j.runFor(30);
    EXPECT_EQ(FW.terminationCode, DownloadTerminationCode);
    EXPECT_EQ(exitStatusFor(FW.terminationCode, false), 2);
    FW.terminationCode = 0;
    EXPECT_EQ(file(), "ABCD");
}

TEST_F(OstrelTest, GapsShortRecordsAndStopsDeleteTheFile) {
    const std::vector<std::vector<uint8_t>> failing = {
        {3, 0, 1, 0x00, 0x01, 0, 'X'},      // skips ahead
        {3, 0, 3, 0x00, 0x00, 0, 'X', 'Y'}, // three bytes announced, two there
        {3, 0, 0, 0x00, 0x00, 4, 0x01},     // extended address without its bytes
        {3, 0, 0, 0x00, 0x00, 7},           // unknown type
    };
    for (const auto& bad : failing) {
        ASSERT_EQ(cmd({0, 1}), reply(0, 1));
        EXPECT_TRUE(fileExists());
        EXPECT_EQ(cmd(bad), reply(3, 0));
        EXPECT_FALSE(fileExists());
        EXPECT_EQ(cmd({3, 0, 0, 0, 0, 1}), reply(3, 0)); // nothing open any more
    }
    ASSERT_EQ(cmd({0, 1}), reply(0, 1));
    EXPECT_EQ(cmd({0, 0}), reply(0, 1)); // stopped
    EXPECT_FALSE(fileExists());
    EXPECT_EQ(cmd({0}), std::vector<uint8_t>{}); // no argument: not a command
    EXPECT_EQ(cmd({9, 0}), std::vector<uint8_t>{});
    unsigned char unknown[8] = {9, 0};
    EXPECT_FALSE(msg.filter(unknown, Tool)); // left for other messages of the PGN
    j.runFor(3000);
    EXPECT_EQ(FW.terminationCode, 0);
    // The open fails: answered 0.
    CANdownloadFileName = "/nonexistent/dir/update.dat";
    EXPECT_EQ(cmd({0, 1}), reply(0, 0));
}

TEST_F(OstrelTest, IdentificationAnswersItsItemsAndStopsADownload) {
    HWrevision.setValue(0x0207, false);
    ASSERT_EQ(cmd({0, 1}), reply(0, 1));
    EXPECT_EQ(cmd({0x12, 0xFF}), (std::vector<uint8_t>{0x13, 0, 110, 0, 0x07, 0x02, 5, 0xFF}));
    EXPECT_FALSE(fileExists());
    EXPECT_EQ(cmd({0x12, 0x66}), std::vector<uint8_t>{}); // not an item it answers
    EXPECT_EQ(cmd({0, 1}, 255), reply(0, 1));
}

TEST_F(OstrelTest, AnExtendedAddressCarriesTheRunPast64K) {
    ASSERT_EQ(cmd({0, 1}), reply(0, 1));
    for (uint32_t a = 0; a < 0x10000; a += 2) {
        uint8_t hi = static_cast<uint8_t>(a >> 8), lo = static_cast<uint8_t>(a);
        ASSERT_EQ(cmd({3, 0, 2, hi, lo, 0, lo, hi}), reply(3, 1)) << a;
    }
    // Upper address word 0x0001 (byte 6 is its high byte): address 0 now means 0x10000.
    EXPECT_EQ(cmd({3, 0, 0, 0, 0, 4, 0x00, 0x01}), reply(3, 1));
    EXPECT_EQ(cmd({3, 0, 2, 0, 0, 0, 'X', 'Y'}), reply(3, 1));
    EXPECT_EQ(cmd({3, 0, 0, 0, 0, 1}), reply(3, 1));
    std::string f = file();
    ASSERT_EQ(f.size(), 0x10002u);
    EXPECT_EQ(f.substr(0x10000), "XY");
    EXPECT_EQ(static_cast<uint8_t>(f[0xFFFE]), 0xFE);
}
