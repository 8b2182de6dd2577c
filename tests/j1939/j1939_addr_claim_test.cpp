// NAMEs, the display's Address Claimed message, and received address claims: modules found
// by NAME under their mask, moved with every message bound to them before the handler
// hears of it.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "flashloader/display_module.h"
#include "j1939/can_frame.h"
#include "j1939/j1939_addr_claim.h"
#include "j1939/j1939_id.h"
#include "j1939/j1939_module.h"
#include "j1939/j1939_msg_buffer.h"
#include "tests/support/j1939_test_bus.h"
#include "tests/support/virtual_time.h"
#include "text/language.h"

namespace {
constexpr uint8_t Me = ServiceToolSA;
constexpr uint32_t PropA = 0xEF00;

} // namespace

// NAMEs as text: byte 7 first.
TEST(J1939NameTest, FieldsMasksAndText) {
    // Every field in its place; values wider than their field do not spill over.
    J1939NAME all(0x1ABCDE, 0x81, 5, 0x55, 0x7A5, 0x13, 6, 0xC, true);
    EXPECT_STREQ(all.inASCII(), "DCAA819EF4BABCDE");
    EXPECT_STREQ(J1939NAME(0xFFFFFFFF, 0, 0, 0, 0, 0, 0, 0, false).inASCII(), "00000000001FFFFF");
    // Masks: the fields selected, or everything but the bits named.
    EXPECT_STREQ(J1939NAME(false, NAMEselManufacturer).inASCII(), "00000000FFE00000");

    J1939NAME other = all;
    other.bytes[0] ^= 0x01; // identity differs
    EXPECT_TRUE(other != all);
    EXPECT_FALSE(other.match(all, J1939NAME(true, 0xFF)));
    EXPECT_TRUE(other.match(all, J1939NAME(true, 0x7F))); // identity not compared
    EXPECT_TRUE(J1939NAME(all.bytes) == all);
}

// The deadline, the alarm and forced staleness are run on the bus in j1939_bus_test.cpp.
TEST(J1939ModuleTest, TheDeadlineHoldsAcrossTheClocksWrap) {
    J1939module m(0x25, "Engine", true, J1939NAME(), J1939NAME(true, 0xFF));
    startVirtualClock(0x7FFFFFFFu - 1000);
    m.stillAlive();
    jumpAndCheck(2000);
    EXPECT_FALSE(m.justBecameStale(nowMs(), false));
    jumpAndCheck(600);
    EXPECT_TRUE(m.justBecameStale(nowMs(), false));
}

namespace {
class Handler : public J1939AddrClaimHandler {
public:
    using J1939AddrClaimHandler::J1939AddrClaimHandler;
    std::vector<J1939module*> claimed;
    std::vector<uint8_t> claimedAt;
    std::vector<uint32_t> txIdSeen; // the bound message's identifier when told
    std::vector<std::pair<uint8_t, J1939NAME>> unknown;
    J1939msg* watch = nullptr;
    void moduleClaimedAddr(J1939module* m) override {
        claimed.push_back(m);
        claimedAt.push_back(m->address);
        if (watch != nullptr) txIdSeen.push_back(watch->buffer->first->id);
    }
    void unknownModuleClaimedAddr(unsigned char sa, J1939NAME* n) override {
        unknown.push_back({sa, *n});
    }
};

class ClaimTest : public ::testing::Test {
protected:
    J1939TestBus j;
    J1939NAME engineName{0x100, 0, 0, 0, MakerManufacturerCode, 0, 0, 0, true};
    J1939module engine{0x20, "Engine", true, engineName, J1939NAME(true, 0x7F)}; // any identity
    J1939module brakes{0x30, "Brakes", true,
                       J1939NAME(0, 9, 0, 0, MakerManufacturerCode, 0, 0, 0, false),
                       J1939NAME(false, NAMEselFunction | NAMEselManufacturer)};

    void SetUp() override {
        CANbusMgr.registerModule(&engine);
        CANbusMgr.registerModule(&brakes);
        CANbusMgr.ignoreAddrClaims = false;
    }
    // A module claims sa with NAME n (dlc 8 unless cut short); 20 ms pass.
    void claim(uint8_t sa, const J1939NAME& n, uint8_t dlc = 8) {
        CanWireFrame f = extFrame(idFor(6, PGN_AddressClaimed, sa, 255), {});
        memcpy(f.data, n.bytes, 8);
        f.dlc = dlc;
        j.peerSends(f);
        j.runFor(20);
    }
};
} // namespace

TEST_F(ClaimTest, AClaimThatMovesAModuleReaddressesItsMessagesFirst) {
    Handler h(false);
    CANbusMgr.registerAddrClaimHandler(&h);
    TestMsg cmd(PropA, 6, 20, J1939cfgListed | J1939cfgTx);
    TestMsg answer(0xFEDA, 6, 8, J1939cfgListed | J1939cfgTx | J1939cfgOnRequest);
    TestMsg response(PropA, 6, 8, J1939cfgListed | J1939cfgSrcSpecific);
    TestMsg other(PropA, 6, 8, J1939cfgListed | J1939cfgTx);
    CANbusMgr.registerMsg(&cmd, &Display, &engine);
    CANbusMgr.registerMsg(&answer, &Display, &engine);
    CANbusMgr.registerMsg(&response, &engine, &Display);
    CANbusMgr.registerMsg(&other, &Display, &brakes);
    h.watch = &cmd;

    J1939NAME moved = engineName;
    moved.bytes[0] = 0x77; // another identity: the mask ignores it
    claim(0x21, moved);
    ASSERT_EQ(h.claimed.size(), 1u);
    EXPECT_EQ(h.claimed[0], &engine);
    EXPECT_EQ(h.claimedAt[0], 0x21);
    EXPECT_TRUE(engine.expectedNAME == moved);
    // Every packet of the bound transmit messages was re-addressed before the handler ran.
    EXPECT_EQ(h.txIdSeen[0], idFor(6, PGN_TP_DT, Me, 0x21));
    for (CANpkt* p = cmd.buffer->first; p != nullptr; p = p->next)
        EXPECT_EQ(p->id, idFor(6, PGN_TP_DT, Me, 0x21));
    EXPECT_EQ(answer.da, 0x21);
    EXPECT_EQ(response.sa, 0x21);
    EXPECT_EQ(other.da, 0x30); // another module's
    // The command goes to the new address.
    cmd.transmit(OwnDA);
    ASSERT_TRUE(j.peerGets(1));
    EXPECT_EQ(j.peer.received[0].id, idFor(7, PGN_TP_CM, Me, 0x21));
}

TEST_F(ClaimTest, ClaimsReportedOnChangeOrEveryTimeAsAsked) {
    Handler quiet(false);
    CANbusMgr.registerAddrClaimHandler(&quiet);
    claim(0x20, engineName); // same NAME, same address: nothing new
    EXPECT_TRUE(quiet.claimed.empty());
    J1939NAME newIdentity = engineName;
    newIdentity.bytes[0] = 0x55; // the mask ignores it: this module with a new NAME
    claim(0x20, newIdentity);
    ASSERT_EQ(quiet.claimed.size(), 1u);
    EXPECT_TRUE(engine.expectedNAME == newIdentity);
    EXPECT_EQ(engine.address, 0x20);

    Handler every(true);
    CANbusMgr.registerAddrClaimHandler(&every);
    claim(0x20, engineName);
    claim(0x20, engineName);
    EXPECT_EQ(every.claimed.size(), 2u);

    // A NAME nobody expects; and one that matches a module by function and maker only.
    J1939NAME stranger(5, 3, 0, 0, 0x100, 0, 0, 0, true);
    claim(0x44, stranger);
    J1939NAME brakesReal(0xABCDE, 9, 2, 0, MakerManufacturerCode, 0, 0, 0, true);
    claim(0x30, brakesReal);
    ASSERT_EQ(every.unknown.size(), 1u);
    EXPECT_EQ(every.unknown[0].first, 0x44);
    EXPECT_TRUE(every.unknown[0].second == stranger);
    ASSERT_EQ(every.claimed.size(), 3u);
    EXPECT_EQ(every.claimed[2], &brakes);
    EXPECT_TRUE(brakes.expectedNAME == brakesReal); // the full NAME is learned
}

TEST_F(ClaimTest, ClaimsAreIgnoredUntilAskedForAndShortOnesAlways) {
    Handler h(true);
    CANbusMgr.registerAddrClaimHandler(&h);
    CANbusMgr.ignoreAddrClaims = true;
    claim(0x22, engineName);
    CANbusMgr.ignoreAddrClaims = false;
    claim(0x22, engineName, 7);
    EXPECT_TRUE(h.claimed.empty());
    EXPECT_EQ(engine.address, 0x20);
}

// A claim always goes to everyone, even when the Request came to the display alone.
TEST_F(ClaimTest, TheDisplaysClaimAnswersRequestsToEveryone) {
    J1939msgAddrClaim claim(0x5A5A5, 0x81, 0, 0, MakerManufacturerCode, 0, 0, 0, false);
    CANbusMgr.registerMsg(&claim, &Display, &Module_na); // registered with any end
    EXPECT_EQ(claim.buffer->first->id, idFor(6, PGN_AddressClaimed, Me, 255));
    j.peerSends(idFor(6, PGN_Request, 0x20, Me), {0x00, 0xEE, 0x00});
    ASSERT_TRUE(j.peerGets(1));
    CanWireFrame f = j.peer.received[0];
    EXPECT_EQ(f.id, idFor(6, PGN_AddressClaimed, Me, 255));
    EXPECT_EQ(f.dlc, 8);
    EXPECT_TRUE(J1939NAME(f.data) == claim.name());
    EXPECT_EQ(claim.name().getIdentity(), 0x5A5A5u);
}
