// The flash-loader protocol messages on the bus: every command's bytes as a module receives
// them (single frames and transport messages), the erase and program-data forms, and every
// response picked by its first bytes and handed on with its fields.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "flashloader/display_module.h"
#include "flashloader/protocol_entry_points.h"
#include "flashloader/protocol_msgs.h"
#include "j1939/j1939_id.h"
#include "j1939/j1939_module.h"
#include "modsim/tp_peer_node.h"
#include "tests/support/j1939_test_bus.h"

namespace {
using Bytes = std::vector<uint8_t>;
constexpr uint8_t Mod = 0x80;

IntelHexRecordData record(uint8_t type, unsigned long address, Bytes data, uint8_t checksum) {
    static uint8_t buf[256];
    IntelHexRecordData r;
    r.length = static_cast<unsigned char>(data.size());
    r.address = address;
    r.type = type;
    std::copy(data.begin(), data.end(), buf);
    r.data = buf;
    r.checksum = checksum;
    return r;
}

std::string hex(const Bytes& b) {
    std::string s;
    char buf[3];
    for (uint8_t x : b) {
        snprintf(buf, sizeof buf, "%02X", x);
        s += buf;
    }
    return s;
}

class ProtocolTest : public ::testing::Test {
protected:
    J1939TestBus bus;
    TpPeerNode module{Mod};

    void SetUp() override {
        J1939_applicationInit(3);
        ASSERT_TRUE(module.join(bus.bus));
    }

    // The message's bytes as the module gets them: a single frame's data (its DLC long), or
    // a whole transport message. Empty when nothing arrives.
    Bytes deliver(J1939msg& m) {
        size_t from = bus.peer.received.size();
        int messages = module.peer.receivedCount();
        m.transmit(Mod);
        Bytes got;
        bus.runUntil(
            [&] {
                if (m.txBusy) return false; // until the module acknowledged it
                if (module.peer.receivedCount() > messages) {
                    const TpPeer::Message& r = module.peer.received(messages);
                    got.assign(r.data, r.data + r.length);
                    return true;
                }
                for (size_t i = from; i < bus.peer.received.size(); ++i) {
                    const CanWireFrame& f = bus.peer.received[i];
                    if (pgnOf(f) == PGN_ProprietaryA && saOf(f) == ServiceToolSA) {
                        EXPECT_EQ(f.id, 0x18EF00FAu + Mod * 256);
                        got.assign(f.data, f.data + f.dlc);
                        return true;
                    }
                }
                return false;
            },
            1000);
        return got;
    }

    // The last TP.DT frame the display sent.
    Bytes lastDataPacket() const {
        for (size_t i = bus.peer.received.size(); i-- > 0;)
            if (pgnOf(bus.peer.received[i]) == PGN_TP_DT)
                return Bytes(bus.peer.received[i].data, bus.peer.received[i].data + 8);
        return {};
    }
};

TEST_F(ProtocolTest, CommandsAndRequestsReachTheModuleByteForByte) {
    const struct {
        J1939msg* msg;
        const char* bytes;
    } fixed[] = {
        {&ChangeToProgramModeCmdMsg, "0001FFFFFFFFFFFF"},
        {&ChangeToRunModeCmdMsg, "0000FFFFFFFFFFFF"},
        {&GeneralVersionRequest, "12FFFFFFFFFFFFFF"},
        {&ApplicationVersionRequest, "126EFFFFFFFFFFFF"},
        {&BootblockVersionRequest, "1264FFFFFFFFFFFF"},
        {&ParameterVersionRequest, "1282FFFFFFFFFFFF"},
        {&ApplicationSwNumRequest, "126FFFFFFFFFFFFF"},
        {&ParameterSwNumRequest, "1283FFFFFFFFFFFF"},
    };
    for (const auto& c : fixed)
        EXPECT_EQ(hex(deliver(*c.msg)), c.bytes);
    const struct {
        std::vector<unsigned long> sectors;
        const char* bytes;
    } erases[] = {
        {{0, 1, 4}, "02000104"},
        {{3, 300}, "2C0203002C01"},
        {{}, "02"},
        {{9, 8, 7, 6, 5, 4, 3, 2}, "020908070605040302"}, // by transport
    };
    for (const auto& c : erases) {
        ASSERT_TRUE(EraseSectorsCmd.updateMsgData(c.sectors.size(), c.sectors.data()));
        EXPECT_EQ(hex(deliver(EraseSectorsCmd)), c.bytes);
    }
    const struct {
        uint8_t type;
        unsigned long address;
        Bytes data;
        uint8_t checksum;
        const char* bytes;
    } records[] = {
        {0, 0x1000, {1, 2, 3, 4}, 0xE2, "03090400100001020304E2"}, // :0400100001020304E2
        {0, 0x3412, {0xAB}, 0x77, "030601123400AB77"},             // one frame
        {4, 0, {8, 0}, 0xF2, "0307020000040800F2"},
        {1, 0, {}, 0xFF, "030500000001FF"},
    };
    for (const auto& c : records) {
        ASSERT_TRUE(PgmDataCmd.setDataFromHexRecord(record(c.type, c.address, c.data, c.checksum)));
        EXPECT_EQ(hex(deliver(PgmDataCmd)), c.bytes);
    }
}

TEST_F(ProtocolTest, LongestRecordAndPaddingOfTheLastPacket) {
    Bytes data(MaxPgmDataBytes);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(i);
    ASSERT_TRUE(PgmDataCmd.setDataFromHexRecord(record(0, 0xFFFF, data, 0x5A)));
    Bytes got = deliver(PgmDataCmd);
    ASSERT_EQ(got.size(), 256u);
    EXPECT_EQ(Bytes(got.begin(), got.begin() + 6), (Bytes{3, 254, 249, 0xFF, 0xFF, 0}));
    EXPECT_EQ(Bytes(got.begin() + 6, got.begin() + 255), data);
    EXPECT_EQ(got[255], 0x5A);
    // A shorter message after it: its last packet carries 0xFF past its end, not old bytes.
    ASSERT_TRUE(PgmDataCmd.setDataFromHexRecord(record(0, 0x10, {7, 7, 7}, 0xD4)));
    EXPECT_EQ(deliver(PgmDataCmd), (Bytes{3, 8, 3, 0x10, 0, 0, 7, 7, 7, 0xD4}));
    EXPECT_EQ(lastDataPacket(), (Bytes{2, 7, 7, 0xD4, 255, 255, 255, 255}));
    // Too many data bytes for the message, or a message still on its way: refused, unchanged.
    data.push_back(0);
    EXPECT_FALSE(PgmDataCmd.setDataFromHexRecord(record(0, 0, data, 0)));
    PgmDataCmd.transmit(Mod);
    EXPECT_FALSE(PgmDataCmd.setDataFromHexRecord(record(0, 0x20, {1}, 0)));
    bus.runFor(200);
    EXPECT_EQ(module.peer.received(module.peer.receivedCount() - 1).length, 10);
    EXPECT_EQ(module.peer.received(module.peer.receivedCount() - 1).data[3], 0x10);
    const unsigned long one[] = {1};
    EraseSectorsCmd.transmit(Mod);
    EXPECT_FALSE(EraseSectorsCmd.updateMsgData(1, one));
}

TEST_F(ProtocolTest, EraseListsTheCommandCannotCarryAreRefused) {
    std::vector<unsigned long> wide(128, 256), narrow(256, 1);
    EXPECT_FALSE(EraseSectorsCmd.updateMsgData(128, wide.data()));
    EXPECT_TRUE(EraseSectorsCmd.updateMsgData(127, wide.data()));
    EXPECT_FALSE(EraseSectorsCmd.updateMsgData(256, narrow.data()));
    EXPECT_TRUE(EraseSectorsCmd.updateMsgData(255, narrow.data()));
    const unsigned long beyond[] = {2, 65536};
    EXPECT_FALSE(EraseSectorsCmd.updateMsgData(2, beyond));
    Bytes got = deliver(EraseSectorsCmd);
    ASSERT_EQ(got.size(), 256u);
    EXPECT_EQ(got[0], 2);
    EXPECT_EQ(got[255], 1);
}

// What a stand-in was told, as text.
std::string describe(const ProtocolCall& c, const J1939module* m) {
    static const char* const kinds[] = {"mode", "erase", "data", "version", "number"};
    char buf[120];
    if (c.kind == ProtocolCall::SwVer)
        snprintf(buf, sizeof buf, "version %s type %u: %lu %lu %u", c.module == m ? "m" : "?",
                 c.type, c.info.version, c.info.second, c.info.revision);
    else if (c.kind == ProtocolCall::SwNum)
        snprintf(buf, sizeof buf, "number %s type %u: %lu", c.module == m ? "m" : "?", c.type,
                 c.value);
    else
        snprintf(buf, sizeof buf, "%s %u %u 0x%lX", kinds[c.kind], c.response, c.errorCode,
                 c.value);
    return buf;
}

TEST_F(ProtocolTest, ResponsesArePickedByTheirFirstBytesAndHandedOn) {
    J1939module m(Mod, "m", false, J1939NAME(), J1939NAME(true, 0));
    CANbusMgr.registerModule(&m);
    const struct {
        Bytes bytes;
        const char* call; // empty: no message takes them
    } cases[] = {
        {{1, 0, 1, 0x55, 255, 255, 255, 255}, "mode 1 85 0x0"},
        {{1, 0, 2, 7, 255, 255, 255, 255}, "mode 2 7 0x0"},
        {{1, 2, 0, 5, 0x1A, 255, 255, 255}, "erase 0 5 0x1A"},
        {{1, 3, 0, 3, 0x78, 0x56, 0x34, 0x12}, "data 0 3 0x12345678"},
        {{0x13, 255, 0x2D, 1, 0, 0, 7, 255}, "version m type 255: 301 0 7"},
        {{0x13, 0, 0x2D, 1, 2, 1, 9, 255}, "version m type 0: 301 258 9"},
        {{0x13, 100, 255, 255, 255, 255, 255, 255}, "version m type 100: 65535 65535 255"},
        {{0x13, 111, 0x40, 0xE2, 1, 0, 255, 255}, "number m type 111: 123456"},
        {{0x13, 131, 255, 255, 255, 255, 255, 255}, "number m type 131: 4294967295"},
        {{1, 1, 1, 0, 0, 0, 0, 0}, ""},
        {{0x13, 101, 1, 0, 0, 0, 0, 0}, ""},
        {{0x12, 255, 1, 0, 0, 0, 0, 0}, ""},
        {{0, 3, 1, 0, 0, 0, 0, 0}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.bytes));
        unsigned long before = protocolCalls.count;
        CanWireFrame f;
        f.id = 0x18EFFA00 | Mod;
        f.dlc = 8;
        std::copy(c.bytes.begin(), c.bytes.end(), f.data);
        bus.peerSends(f);
        bus.runFor(20);
        std::string got = protocolCalls.count == before + 1 ? describe(protocolCalls.last(), &m)
                          : protocolCalls.count == before   ? ""
                                                            : "several calls";
        EXPECT_EQ(got, c.call);
    }
}

TEST(ProtocolRegistrationTest, WithoutBitOneNothingIsRegistered) {
    J1939TestBus bus;
    J1939_applicationInit(1);
    size_t before = bus.peer.received.size();
    ChangeToProgramModeCmdMsg.transmit(Mod);
    bus.runFor(50);
    EXPECT_EQ(bus.peer.received.size(), before);
    J1939_applicationInit(2);
    ChangeToProgramModeCmdMsg.transmit(Mod);
    ASSERT_TRUE(bus.peerGets(before + 1));
    EXPECT_EQ(bus.peer.received.back().id, 0x18EF80FAu);
}
} // namespace
