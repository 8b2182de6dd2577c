// Transport sessions with a module on the bus scripted frame by frame: what a separately
// written peer cannot be made to send (CTS windows beyond the message, ACKs out of place,
// refused announcements), and answering a CTS at once. Timeouts and faults on both sides
// are run against the simulated modules' endpoint in tp_interop_test.cpp.
#include <gtest/gtest.h>

#include <vector>

#include "j1939/j1939_module.h"
#include "j1939/j1939_msg_buffer.h"
#include "platform/host/host_clock.h"
#include "tests/j1939/tp_test_frames.h"
#include "tests/support/virtual_time.h"

namespace {
constexpr uint8_t Mod = 0x25;

CanWireFrame rts(uint32_t size, uint8_t packets, uint8_t maxPerCts = 0xFF) {
    return cm(Mod, Me, TP_RTS, static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8), packets,
              maxPerCts, PropA);
}
CanWireFrame cts(uint8_t count, uint8_t next) {
    return cm(Mod, Me, TP_CTS, count, next, 0xFF, 0xFF, PropA);
}
CanWireFrame ack(uint32_t size, uint8_t packets, uint32_t pgn = PropA) {
    return cm(Mod, Me, TP_EndOfMsgACK, static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8),
              packets, 0xFF, pgn);
}
// Byte i of every message in these tests.
uint8_t pattern(uint32_t i) {
    return static_cast<uint8_t>(i * 7 + 3);
}

class TpTest : public ::testing::Test {
protected:
    J1939TestBus j;
    TestMsg out{PropA, 6, 20, J1939cfgListed | J1939cfgTx};
    unsigned pktsAtStart = 0;

    void SetUp() override { add(out, 20); }
    // Registers a message to send to the module; its own packets are not a leak.
    void add(TestMsg& m, uint32_t len) {
        CANbusMgr.registerMsg(&m, &Display, &Module_na);
        for (uint32_t i = 0; i < len; ++i)
            m.buffer->setBytes(pattern(i), i, 1);
        pktsAtStart = CANpkt::pool.blocksInUse();
    }
    // The next frame the display sends (waits up to maxMs).
    CanWireFrame next(uint32_t maxMs = 50) {
        size_t n = sent();
        EXPECT_TRUE(j.peerGets(n + 1, maxMs)) << "nothing sent";
        return n < sent() ? j.peer.received[n] : CanWireFrame();
    }
    // The module sends f; the display answers with n frames, the last of which is returned.
    CanWireFrame answer(const CanWireFrame& f, size_t n = 1, uint32_t maxMs = 50) {
        j.peerSends(f);
        EXPECT_TRUE(j.peerGets(sent() + n, maxMs));
        return j.peer.received.back();
    }
    size_t sent() const { return j.peer.received.size(); }
    // m was acknowledged once, and every session has ended.
    void expectAckedAndEnded(TestMsg& m) {
        j.runFor(20);
        EXPECT_EQ(m.count(TPtxAckedEvent), 1);
        expectTransportIdle(pktsAtStart);
    }
};
} // namespace

// --- Sending with RTS/CTS ---

TEST_F(TpTest, AMessageLongerThanTheProtocolCarriesIsRefusedAndReportedFailed) {
    TestMsg toOne(PropA, 6, TP_MaxMessageBytes + 1, J1939cfgListed | J1939cfgTx);
    TestMsg toAll(0xFF12, 6, TP_MaxMessageBytes + 1, J1939cfgListed | J1939cfgTx);
    for (TestMsg* big : {&toOne, &toAll}) {
        add(*big, 0);
        EXPECT_FALSE(big->transmit(big == &toOne ? Mod : GlobalAddress));
        j.runFor(50);
        EXPECT_EQ(sent(), 0u); // no RTS or BAM with a wrapped packet count
        EXPECT_EQ(big->events, std::vector<NotificationEvent>{TPfailedEvent});
        EXPECT_FALSE(big->txBusy);
    }
}

TEST_F(TpTest, CtsBeyondTheMessageIsCutToWhatExists) {
    TestMsg seven(PropA, 6, 49, J1939cfgListed | J1939cfgTx); // 7 packets
    add(seven, 49);
    seven.transmit(Mod);
    next();
    answer(cts(10, 5), 3);
    for (uint8_t s = 5; s <= 7; ++s)
        EXPECT_TRUE(isDT(j.peer.received[s - 4], s));
    EXPECT_EQ(j.peer.received[1].id, idFor(6, PGN_TP_DT, Me, Mod));   // the message's priority
    EXPECT_LE(j.peer.receivedAt[3] - j.peer.receivedAt[1], 1200000u); // back to back
    EXPECT_TRUE(isDT(answer(cts(3, 9)), 7)); // beyond the end: the last packet only
    answer(cts(2, 1), 2);                    // asked for again: sent again
    EXPECT_TRUE(isDT(j.peer.received[5], 1) && isDT(j.peer.received[6], 2));
    j.runFor(100);
    EXPECT_EQ(sent(), 7u); // nothing beyond what was asked
    answer(cts(5, 3), 5);
    j.peerSends(ack(49, 7));
    expectAckedAndEnded(seven);
}

TEST_F(TpTest, OnlyTheRightAckAfterTheLastPacketAcknowledges) {
    out.transmit(Mod);
    next();
    answer(cts(3, 1), 3);
    j.peerSends(ack(21, 3)); // wrong size
    j.runFor(50);
    EXPECT_EQ(out.count(TPtxAckedEvent), 0);
    j.peerSends(ack(20, 3));
    expectAckedAndEnded(out);
}

TEST_F(TpTest, AnAbortedTransferLeavesTheNextMessageClean) {
    TestMsg second(PropA, 6, 9, J1939cfgListed | J1939cfgTx);
    add(second, 9);
    out.transmit(Mod);
    second.transmit(Mod);
    next();
    // Aborted while the window is being sent: what was queued of it stays behind.
    answer(cts(3, 1));
    j.peerSends(cm(Mod, Me, TP_Abort, 0xFF, 0xFF, 0xFF, 0xFF, PropA));
    j.runUntil([&] { return out.count(TPfailedEvent) > 0; }, 20);
    j.runFor(20);
    size_t rtsAt = 0;
    for (size_t i = 0; i < sent(); ++i)
        if (isCM(j.peer.received[i], TP_RTS)) rtsAt = i;
    ASSERT_GT(rtsAt, 0u);
    for (size_t i = rtsAt + 1; i < sent(); ++i)
        EXPECT_FALSE(isDT(j.peer.received[i], 3)) << "the old window went on";
    answer(cts(2, 1), 2);
    j.peerSends(ack(9, 2));
    expectAckedAndEnded(second);
}

TEST(TpAnswerTest, TheFirstPacketAnswersTheCtsAtOnce) {
    // At 1 Mbit/s a CTS can end within the receive hook's half-millisecond tick in which the
    // hook already ran; it is taken at the next tick, and the packet queued while it is
    // handled must leave on the next pass, not at some later timer.
    J1939TestBus j(true, nullptr, "sim:1000000");
    TestMsg out(PropA, 6, 20, J1939cfgListed | J1939cfgTx);
    CANbusMgr.registerMsg(&out, &Display, &Module_na);
    for (int phase = 0; phase < 10; ++phase) {
        out.transmit(Mod);
        ASSERT_TRUE(j.peerGets(j.peer.received.size() + 1));
        hostClockAdvanceNs(static_cast<uint64_t>(phase) * 50000 + 3000000);
        j.peerSends(cts(3, 1));
        ASSERT_TRUE(j.peerGets(j.peer.received.size() + 1, 50));
        EXPECT_TRUE(isDT(j.peer.received.back(), 1));
        double answerMs = (j.peer.receivedAt.back() - j.peer.sentAt.back()) / 1e6;
        // The CTS waits for the hook's next tick at most, then the packet (0.145 ms) goes.
        EXPECT_LT(answerMs, 0.65) << "phase " << phase;
        ASSERT_TRUE(j.peerGets(j.peer.received.size() + 2));
        j.peerSends(ack(20, 3));
        j.runUntil([&] { return !out.txBusy; }, 20);
    }
    EXPECT_EQ(out.count(TPtxAckedEvent), 10);
}

// --- Receiving with RTS/CTS ---

class TpRxTest : public TpTest {
protected:
    TestMsg in{PropA, 0, 0, J1939cfgListed};
    void SetUp() override {
        TpTest::SetUp();
        CANbusMgr.registerMsg(&in, &Module_na, &Display);
    }
};

TEST_F(TpRxTest, ASmallerLimitInTheRtsIsRespected) {
    CanWireFrame f = answer(rts(100, 15, 4));
    EXPECT_TRUE(isCM(f, TP_CTS));
    EXPECT_EQ(f.data[1], 4); // packets asked for
    EXPECT_EQ(f.data[2], 1); // from the first
}

TEST_F(TpRxTest, TransfersThatCannotBeRightAreRefused) {
    j.peerSends(rts(5, 1));      // fits one frame
    j.peerSends(rts(20, 4));     // packets do not match the size
    j.peerSends(rts(1786, 255)); // too long
    ASSERT_TRUE(j.peerGets(3, 100));
    for (const CanWireFrame& f : j.peer.received)
        EXPECT_EQ(f, cm(Me, Mod, TP_Abort, 0xFF, 0xFF, 0xFF, 0xFF, PropA)) << "at priority 7";
    // An RTS to everyone is not a connection: ignored.
    j.peerSends(cm(Mod, 255, TP_RTS, 20, 0, 3, 0xFF, PropA));
    j.runFor(50);
    EXPECT_EQ(sent(), 3u);
    expectTransportIdle(pktsAtStart);
}
