// Transport sessions through the bus, the driver and the virtual bus, with a module on the
// bus scripted frame by frame: RTS/CTS both ways with windows, holds, repeats and every
// timeout; BAM both ways; several messages queued to one node; the first-packet filter.
#include <gtest/gtest.h>

#include <vector>

#include "flashloader/display_module.h"
#include "j1939/can_frame.h"
#include "j1939/j1939_id.h"
#include "j1939/j1939_module.h"
#include "j1939/j1939_msg_buffer.h"
#include "j1939/tp_session.h"
#include "platform/host/host_clock.h"
#include "tests/support/j1939_test_bus.h"
#include "tests/support/virtual_time.h"

namespace {
constexpr uint8_t Me = ServiceToolSA;
constexpr uint8_t Mod = 0x25;
constexpr uint32_t PropA = 0xEF00;
constexpr uint32_t Bcast = 0xFF20;

CanWireFrame cm(uint8_t sa, uint8_t da, uint8_t control, uint8_t b1, uint8_t b2, uint8_t b3,
                uint8_t b4, uint32_t pgn) {
    return extFrame(idFor(7, PGN_TP_CM, sa, da),
                    {control, b1, b2, b3, b4, static_cast<uint8_t>(pgn),
                     static_cast<uint8_t>(pgn >> 8), static_cast<uint8_t>(pgn >> 16)});
}
CanWireFrame rts(uint32_t size, uint8_t packets, uint32_t pgn = PropA, uint8_t maxPerCts = 0xFF) {
    return cm(Mod, Me, TP_RTS, static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8), packets,
              maxPerCts, pgn);
}
CanWireFrame cts(uint8_t count, uint8_t next, uint32_t pgn = PropA) {
    return cm(Mod, Me, TP_CTS, count, next, 0xFF, 0xFF, pgn);
}
CanWireFrame ack(uint32_t size, uint8_t packets, uint32_t pgn = PropA) {
    return cm(Mod, Me, TP_EndOfMsgACK, static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8),
              packets, 0xFF, pgn);
}
CanWireFrame abortFrame(uint32_t pgn = PropA) {
    return cm(Mod, Me, TP_Abort, 0xFF, 0xFF, 0xFF, 0xFF, pgn);
}
// Packet seq of the message whose byte i is pattern(i).
uint8_t pattern(uint32_t i) {
    return static_cast<uint8_t>(i * 7 + 3);
}
CanWireFrame dt(uint8_t seq, uint32_t size, uint8_t da = Me, uint8_t sa = Mod) {
    CanWireFrame f = extFrame(idFor(7, PGN_TP_DT, sa, da), {seq, 0, 0, 0, 0, 0, 0, 0});
    for (uint32_t k = 0; k < 7; ++k) {
        uint32_t i = (seq - 1u) * 7 + k;
        f.data[1 + k] = i < size ? pattern(i) : 0xFF;
    }
    return f;
}

bool isCM(const CanWireFrame& f, uint8_t control) {
    return pgnOf(f) == PGN_TP_CM && f.data[0] == control;
}
bool isDT(const CanWireFrame& f, uint8_t seq) {
    return pgnOf(f) == PGN_TP_DT && f.data[0] == seq;
}
uint32_t cmPgn(const CanWireFrame& f) {
    return f.data[5] | f.data[6] << 8 | f.data[7] << 16;
}

unsigned sessionsInUse() {
    return J1939BAM_TxSession::pool.blocksInUse() + J1939BAM_RxSession::pool.blocksInUse() +
           J1939RTS_TxSession::pool.blocksInUse() + J1939RTS_RxSession::pool.blocksInUse();
}

class TpTest : public ::testing::Test {
protected:
    J1939TestBus j;
    TestMsg out{PropA, 6, 20, J1939cfgListed | J1939cfgTx};
    unsigned pktsAtStart = 0;

    void SetUp() override {
        CANbusMgr.registerMsg(&out, &Display, &Module_na);
        fill(out, 20);
        pktsAtStart = CANpkt::pool.blocksInUse();
    }
    // Registers another message to send; its own packets are not a leak.
    void add(TestMsg& m, J1939module* dst, uint32_t len) {
        CANbusMgr.registerMsg(&m, &Display, dst);
        fill(m, len);
        pktsAtStart = CANpkt::pool.blocksInUse();
    }
    void fill(TestMsg& m, uint32_t len) {
        for (uint32_t i = 0; i < len; ++i)
            m.buffer->setBytes(pattern(i), i, 1);
    }
    // The next frame the display sends (waits up to maxMs).
    CanWireFrame next(uint32_t maxMs = 50) {
        size_t n = j.peer.received.size();
        EXPECT_TRUE(j.peerGets(n + 1, maxMs)) << "nothing sent";
        return n < j.peer.received.size() ? j.peer.received[n] : CanWireFrame();
    }
    size_t sent() const { return j.peer.received.size(); }
    // Runs until the display sends something or ms pass; returns the time waited.
    uint32_t silenceFor(uint32_t ms) {
        size_t n = sent();
        uint32_t t0 = nowMs();
        j.runUntil([&] { return sent() > n; }, ms);
        return nowMs() - t0;
    }
    void expectAllEnded() {
        j.runFor(20);
        EXPECT_EQ(sessionsInUse(), 0u);
        EXPECT_EQ(CANbusMgr.rtsTxSessions, nullptr);
        EXPECT_EQ(CANbusMgr.rtsRxSessions, nullptr);
        EXPECT_EQ(CANbusMgr.bamTxSessions, nullptr);
        EXPECT_EQ(CANbusMgr.bamRxSessions, nullptr);
        EXPECT_EQ(CANpkt::pool.blocksInUse(), pktsAtStart);
        EXPECT_EQ(PktQueueElement::pool.blocksInUse(), 0u);
    }
};
} // namespace

// --- Sending with RTS/CTS ---

TEST_F(TpTest, RtsAnnouncesSizeAndPacketsAndWindowsGoBackToBack) {
    out.transmit(Mod);
    CanWireFrame r = next();
    EXPECT_TRUE(isCM(r, TP_RTS));
    EXPECT_EQ(r.id, idFor(7, PGN_TP_CM, Me, Mod));
    EXPECT_EQ(r.data[1], 0x14);
    EXPECT_EQ(r.data[2], 0x00);
    EXPECT_EQ(r.data[3], 3);
    EXPECT_EQ(r.data[4], 0xFF);
    EXPECT_EQ(cmPgn(r), PropA);
    EXPECT_TRUE(out.txBusy);

    j.peerSends(cts(2, 1));
    ASSERT_TRUE(j.peerGets(3));
    EXPECT_TRUE(isDT(j.peer.received[1], 1));
    EXPECT_TRUE(isDT(j.peer.received[2], 2));
    // Back to back: the second starts where the first ended.
    EXPECT_EQ(j.peer.received[2].id, idFor(6, PGN_TP_DT, Me, Mod)); // the message's priority
    EXPECT_EQ(j.peer.received[1].data[1], pattern(0));
    EXPECT_EQ(j.peer.received[2].data[7], pattern(13));
    uint64_t gap = j.peer.receivedAt[2] - j.peer.receivedAt[1];
    EXPECT_LE(gap, 600000u);         // one frame time, no pause
    EXPECT_GT(silenceFor(100), 99u); // waits for the next CTS
    j.peerSends(cts(1, 3));
    CanWireFrame last = next();
    EXPECT_TRUE(isDT(last, 3));
    EXPECT_EQ(last.data[6], pattern(19));
    EXPECT_EQ(last.data[7], 0xFF);
    EXPECT_EQ(out.count(TPtxAckedEvent), 0);
    j.peerSends(ack(20, 3));
    j.runUntil([&] { return out.count(TPtxAckedEvent) > 0; }, 20);
    EXPECT_EQ(out.count(TPtxAckedEvent), 1);
    EXPECT_FALSE(out.txBusy);
    expectAllEnded();
}

TEST_F(TpTest, CtsBeyondTheMessageIsCutToWhatExists) {
    TestMsg seven(PropA, 6, 49, J1939cfgListed | J1939cfgTx); // 7 packets
    add(seven, &Module_na, 49);
    seven.transmit(Mod);
    next();
    j.peerSends(cts(10, 5));
    ASSERT_TRUE(j.peerGets(4));
    EXPECT_TRUE(isDT(j.peer.received[1], 5));
    EXPECT_TRUE(isDT(j.peer.received[2], 6));
    EXPECT_TRUE(isDT(j.peer.received[3], 7));
    j.runFor(100);
    EXPECT_EQ(sent(), 4u);
    // A next packet beyond the end asks for the last one only.
    j.peerSends(cts(3, 9));
    CanWireFrame f = next();
    EXPECT_TRUE(isDT(f, 7));
    j.runFor(100);
    EXPECT_EQ(sent(), 5u);
    // Packets asked for again (the receiver missed them) are sent again.
    j.peerSends(cts(2, 1));
    ASSERT_TRUE(j.peerGets(7));
    EXPECT_TRUE(isDT(j.peer.received[5], 1));
    EXPECT_TRUE(isDT(j.peer.received[6], 2));
    j.peerSends(cts(5, 3));
    ASSERT_TRUE(j.peerGets(12));
    j.peerSends(ack(49, 7));
    j.runUntil([&] { return seven.count(TPtxAckedEvent) > 0; }, 20);
    EXPECT_EQ(seven.count(TPtxAckedEvent), 1);
    expectAllEnded();
}

TEST_F(TpTest, CtsForAPacketThatDoesNotExistEndsTheTransferWithoutAbort) {
    out.transmit(Mod);
    next();
    j.peerSends(cts(2, 0));
    j.runUntil([&] { return out.count(TPfailedEvent) > 0; }, 20);
    EXPECT_EQ(out.count(TPfailedEvent), 1);
    j.runFor(2000);
    EXPECT_EQ(sent(), 1u); // the RTS only
    expectAllEnded();
}

TEST_F(TpTest, NoCtsAfterTheRtsAbortsAfter1250ms) {
    out.transmit(Mod);
    next();
    uint32_t t0 = nowMs();
    CanWireFrame a = next(2000);
    EXPECT_TRUE(isCM(a, TP_Abort));
    EXPECT_EQ(nowMs() - t0, 1250u);
    EXPECT_EQ(a.id, idFor(7, PGN_TP_CM, Me, Mod));
    for (int i = 1; i <= 4; ++i)
        EXPECT_EQ(a.data[i], 0xFF);
    EXPECT_EQ(cmPgn(a), PropA);
    EXPECT_EQ(out.count(TPfailedEvent), 1);
    expectAllEnded();
}

TEST_F(TpTest, NoCtsAfterAWindowAndNoAckAfterTheLastPacketAbort) {
    out.transmit(Mod);
    next();
    j.peerSends(cts(1, 1));
    next();
    EXPECT_NEAR(silenceFor(2000), 1250.0, 1.0); // then the Abort
    EXPECT_TRUE(isCM(j.peer.received.back(), TP_Abort));
    EXPECT_EQ(out.count(TPfailedEvent), 1);

    out.transmit(Mod);
    next();
    j.peerSends(cts(3, 1));
    ASSERT_TRUE(j.peerGets(sent() + 3));
    EXPECT_NEAR(silenceFor(2000), 1250.0, 1.0);
    EXPECT_TRUE(isCM(j.peer.received.back(), TP_Abort));
    EXPECT_EQ(out.count(TPfailedEvent), 2);
    expectAllEnded();
}

TEST_F(TpTest, CtsHoldWaits1050msThenAborts) {
    out.transmit(Mod);
    next();
    j.runFor(1000);
    j.peerSends(cts(0, 1)); // hold
    j.runFor(2);
    uint32_t t0 = nowMs();
    CanWireFrame a = next(2000);
    EXPECT_TRUE(isCM(a, TP_Abort));
    EXPECT_NEAR(static_cast<double>(nowMs() - t0), 1048.0, 2.0); // 1050 from the hold
    EXPECT_EQ(out.count(TPfailedEvent), 1);
    expectAllEnded();
}

TEST_F(TpTest, HoldThenCtsContinues) {
    out.transmit(Mod);
    next();
    j.peerSends(cts(0, 1));
    j.runFor(800);
    j.peerSends(cts(3, 1));
    ASSERT_TRUE(j.peerGets(4));
    j.peerSends(ack(20, 3));
    j.runUntil([&] { return out.count(TPtxAckedEvent) > 0; }, 20);
    EXPECT_EQ(out.count(TPtxAckedEvent), 1);
    expectAllEnded();
}

TEST_F(TpTest, AbortFromTheReceiverEndsTheTransfer) {
    out.transmit(Mod);
    next();
    j.peerSends(cts(1, 1));
    next();
    j.peerSends(abortFrame());
    j.runUntil([&] { return out.count(TPfailedEvent) > 0; }, 20);
    EXPECT_EQ(out.count(TPfailedEvent), 1);
    j.runFor(2000);
    EXPECT_EQ(sent(), 2u); // no Abort back
    expectAllEnded();
}

TEST_F(TpTest, AnAckBeforeTheDataIsNotAnAcknowledgement) {
    out.transmit(Mod);
    next();
    j.peerSends(ack(20, 3));
    j.runFor(50);
    EXPECT_EQ(out.count(TPtxAckedEvent), 0);
    j.peerSends(cts(3, 1));
    ASSERT_TRUE(j.peerGets(4));
    j.peerSends(ack(20, 2));                // wrong packet count
    j.peerSends(ack(20, 3, PropA + 0x100)); // another PGN's
    j.runFor(50);
    EXPECT_EQ(out.count(TPtxAckedEvent), 0);
    j.peerSends(ack(20, 3));
    j.runUntil([&] { return out.count(TPtxAckedEvent) > 0; }, 20);
    EXPECT_EQ(out.count(TPtxAckedEvent), 1);
    expectAllEnded();
}

TEST_F(TpTest, TwoMessagesToOneNodeGoOneAfterTheOtherInOneSession) {
    TestMsg second(PropA, 5, 9, J1939cfgListed | J1939cfgTx);
    add(second, &Module_na, 9);
    out.transmit(Mod);
    second.transmit(Mod);
    next();
    EXPECT_NE(CANbusMgr.rtsTxSessions, nullptr);
    EXPECT_EQ(CANbusMgr.rtsTxSessions->nextSession, nullptr); // one session
    EXPECT_TRUE(second.txBusy);
    j.runFor(100);
    EXPECT_EQ(sent(), 1u); // the second waits
    j.peerSends(cts(3, 1));
    ASSERT_TRUE(j.peerGets(4));
    j.peerSends(ack(20, 3));
    CanWireFrame r2 = next();
    EXPECT_TRUE(isCM(r2, TP_RTS));
    EXPECT_EQ(r2.data[1], 9);
    EXPECT_EQ(r2.data[3], 2);
    EXPECT_EQ(out.count(TPtxAckedEvent), 1);
    j.peerSends(cts(2, 1));
    ASSERT_TRUE(j.peerGets(7));
    EXPECT_EQ(j.peer.received[5].id, idFor(5, PGN_TP_DT, Me, Mod));
    j.peerSends(ack(9, 2));
    j.runUntil([&] { return second.count(TPtxAckedEvent) > 0; }, 20);
    EXPECT_EQ(second.count(TPtxAckedEvent), 1);
    expectAllEnded();
}

TEST_F(TpTest, AnAbortedTransferLeavesTheNextMessageClean) {
    TestMsg second(PropA, 6, 9, J1939cfgListed | J1939cfgTx);
    add(second, &Module_na, 9);
    out.transmit(Mod);
    second.transmit(Mod);
    next();
    j.peerSends(cts(3, 1));
    // Aborted while the window is being sent: what was queued of it stays behind.
    j.runUntil([&] { return sent() == 2; }, 20);
    j.peerSends(abortFrame());
    j.runUntil([&] { return out.count(TPfailedEvent) > 0; }, 20);
    j.runFor(20);
    size_t rtsAt = 0;
    for (size_t i = 0; i < sent(); ++i)
        if (isCM(j.peer.received[i], TP_RTS)) rtsAt = i;
    ASSERT_GT(rtsAt, 0u);
    for (size_t i = rtsAt + 1; i < sent(); ++i)
        EXPECT_FALSE(isDT(j.peer.received[i], 3)) << "the old window went on";
    j.peerSends(cts(2, 1));
    ASSERT_TRUE(j.peerGets(rtsAt + 3));
    j.peerSends(ack(9, 2));
    j.runUntil([&] { return second.count(TPtxAckedEvent) > 0; }, 20);
    EXPECT_EQ(second.count(TPtxAckedEvent), 1);
    expectAllEnded();
}

TEST_F(TpTest, ARepeatAskedForDuringTheTransferResendsTheSameBuffer) {
    out.transmit(Mod);
    out.transmit(0x26); // busy: repeat later (to the last destination asked for)
    next();
    j.peerSends(cts(3, 1));
    ASSERT_TRUE(j.peerGets(4));
    j.peerSends(ack(20, 3));
    CanWireFrame again = next();
    EXPECT_TRUE(isCM(again, TP_RTS));
    EXPECT_EQ(daOf(again), Mod); // through the same session, to the same node
    EXPECT_EQ(out.count(TPtxAckedEvent), 1);
    EXPECT_TRUE(out.txBusy);
    j.peerSends(cts(3, 1));
    ASSERT_TRUE(j.peerGets(8));
    j.peerSends(ack(20, 3));
    j.runUntil([&] { return out.count(TPtxAckedEvent) == 2; }, 20);
    EXPECT_FALSE(out.txBusy);
    expectAllEnded();
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

// --- Broadcast ---

TEST_F(TpTest, BamIsPaced100msAfterEachTransmitDone) {
    TestMsg b(Bcast, 6, 20, J1939cfgListed | J1939cfgTx);
    add(b, &AllModules, 20);
    b.transmit(OwnDA);
    ASSERT_TRUE(j.peerGets(4, 1000));
    CanWireFrame c = j.peer.received[0];
    EXPECT_TRUE(isCM(c, TP_BAM));
    EXPECT_EQ(daOf(c), 255);
    EXPECT_EQ(c.data[1], 20);
    EXPECT_EQ(c.data[3], 3);
    EXPECT_EQ(cmPgn(c), Bcast);
    for (int i = 1; i <= 3; ++i) {
        EXPECT_TRUE(isDT(j.peer.received[i], static_cast<uint8_t>(i)));
        EXPECT_EQ(daOf(j.peer.received[i]), 255);
        // Transmit-done comes as the frame goes to the controller; the next frame follows
        // 100 ms later and ends one frame time after that.
        double gapMs = (j.peer.receivedAt[i] - j.peer.receivedAt[i - 1]) / 1e6;
        EXPECT_GE(gapMs, 99.9) << i;
        EXPECT_LE(gapMs, 101.5) << i;
    }
    EXPECT_EQ(j.peer.received[3].data[6], pattern(19));
    j.runUntil([&] { return b.count(TPtxAckedEvent) > 0; }, 20);
    EXPECT_EQ(b.count(TPtxAckedEvent), 1);
    EXPECT_FALSE(b.txBusy);
    expectAllEnded();
}

// --- Receiving with RTS/CTS ---

class TpRxTest : public TpTest {
protected:
    TestMsg in{PropA, 0, 0, J1939cfgListed};
    void SetUp() override {
        TpTest::SetUp();
        CANbusMgr.registerMsg(&in, &Module_na, &Display);
    }
    std::vector<uint8_t> expected(uint32_t size) {
        std::vector<uint8_t> v(size);
        for (uint32_t i = 0; i < size; ++i)
            v[i] = pattern(i);
        return v;
    }
    void sendPackets(uint8_t from, uint8_t to, uint32_t size) {
        for (unsigned s = from; s <= to; ++s)
            j.peerSends(dt(static_cast<uint8_t>(s), size));
    }
};

TEST_F(TpRxTest, FortyPacketsAreAskedForSixteenSixteenEight) {
    constexpr uint32_t Size = 275; // 40 packets
    j.peerSends(rts(Size, 40));
    CanWireFrame c = next();
    EXPECT_TRUE(isCM(c, TP_CTS));
    EXPECT_EQ(c.id, idFor(7, PGN_TP_CM, Me, Mod));
    EXPECT_EQ(c.data[1], 16);
    EXPECT_EQ(c.data[2], 1);
    EXPECT_EQ(c.data[3], 0xFF);
    EXPECT_EQ(c.data[4], 0xFF);
    EXPECT_EQ(cmPgn(c), PropA);
    sendPackets(1, 16, Size);
    c = next(100);
    EXPECT_TRUE(isCM(c, TP_CTS));
    EXPECT_EQ(c.data[1], 16);
    EXPECT_EQ(c.data[2], 17);
    sendPackets(17, 32, Size);
    c = next(100);
    EXPECT_EQ(c.data[1], 8);
    EXPECT_EQ(c.data[2], 33);
    EXPECT_TRUE(in.receivedData.empty());
    sendPackets(33, 40, Size);
    CanWireFrame a = next(100);
    EXPECT_TRUE(isCM(a, TP_EndOfMsgACK));
    EXPECT_EQ(a.data[1] | a.data[2] << 8, static_cast<int>(Size));
    EXPECT_EQ(a.data[3], 40);
    EXPECT_EQ(cmPgn(a), PropA);
    j.runUntil([&] { return !in.receivedData.empty(); }, 20);
    ASSERT_EQ(in.receivedData.size(), 1u);
    EXPECT_EQ(in.receivedData[0], expected(Size));
    EXPECT_EQ(in.receivedFrom[0], Mod);
    expectAllEnded(); // the chain was freed after delivery
}

TEST_F(TpRxTest, ASmallerLimitInTheRtsIsRespected) {
    j.peerSends(rts(100, 15, PropA, 4));
    CanWireFrame c = next();
    EXPECT_EQ(c.data[1], 4);
    sendPackets(1, 4, 100);
    c = next(100);
    EXPECT_EQ(c.data[1], 4);
    EXPECT_EQ(c.data[2], 5);
}

TEST_F(TpRxTest, AGapInsideAWindowAsksAgainFromTheMissingPacket) {
    constexpr uint32_t Size = 60; // 9 packets
    j.peerSends(rts(Size, 9));
    next();
    sendPackets(1, 3, Size);
    j.peerSends(dt(5, Size)); // 4 lost: 5 is not kept
    CanWireFrame c = next(1000);
    double waitedMs = (j.peer.receivedAt.back() - j.peer.sentAt.back()) / 1e6;
    EXPECT_NEAR(waitedMs, 750.5, 1.0);
    EXPECT_TRUE(isCM(c, TP_CTS));
    EXPECT_EQ(c.data[1], 6);
    EXPECT_EQ(c.data[2], 4);
    sendPackets(4, 9, Size);
    next(100); // the ACK
    j.runUntil([&] { return !in.receivedData.empty(); }, 20);
    ASSERT_EQ(in.receivedData.size(), 1u);
    EXPECT_EQ(in.receivedData[0], expected(Size));
    expectAllEnded();
}

TEST_F(TpRxTest, TheWindowsLastPacketOutOfOrderAsksAgainAtOnce) {
    constexpr uint32_t Size = 30; // 5 packets
    j.peerSends(rts(Size, 5, PropA, 3));
    next();
    sendPackets(1, 1, Size);
    j.peerSends(dt(3, Size));
    CanWireFrame c = next(20);
    EXPECT_EQ(c.data[1], 3);
    EXPECT_EQ(c.data[2], 2);
    sendPackets(2, 4, Size);
    c = next(20);
    EXPECT_EQ(c.data[1], 1);
    EXPECT_EQ(c.data[2], 5);
    j.peerSends(dt(4, Size)); // a repeat: not kept, and the timer starts again
    j.runFor(5);
    sendPackets(5, 5, Size);
    next(20);
    j.runUntil([&] { return !in.receivedData.empty(); }, 20);
    EXPECT_EQ(in.receivedData[0], expected(Size));
    expectAllEnded();
}

TEST_F(TpRxTest, NoDataAfterACtsAbortsAfter1250ms) {
    j.peerSends(rts(20, 3));
    next();
    uint32_t t0 = nowMs();
    CanWireFrame a = next(2000);
    EXPECT_NEAR(static_cast<double>(nowMs() - t0), 1250.0, 2.0);
    EXPECT_TRUE(isCM(a, TP_Abort));
    EXPECT_EQ(a.id, idFor(7, PGN_TP_CM, Me, Mod));
    EXPECT_EQ(cmPgn(a), PropA);
    EXPECT_TRUE(in.receivedData.empty());
    expectAllEnded();
}

TEST_F(TpRxTest, AGapAfterWhichNothingComesAbortsAfterTheNextCts) {
    j.peerSends(rts(60, 9));
    next();
    sendPackets(1, 2, 60);
    CanWireFrame c = next(1000); // 750 ms later: asked again
    EXPECT_EQ(c.data[2], 3);
    uint32_t t0 = nowMs();
    CanWireFrame a = next(2000);
    EXPECT_TRUE(isCM(a, TP_Abort));
    EXPECT_NEAR(static_cast<double>(nowMs() - t0), 1250.0, 2.0);
    expectAllEnded();
}

TEST_F(TpRxTest, AbortFromTheSenderEndsTheReception) {
    j.peerSends(rts(60, 9));
    next();
    sendPackets(1, 2, 60);
    j.peerSends(abortFrame());
    j.runFor(3000);
    EXPECT_EQ(sent(), 1u);
    EXPECT_TRUE(in.receivedData.empty());
    expectAllEnded();
}

TEST_F(TpRxTest, ASecondRtsWhileReceivingIsIgnored) {
    j.peerSends(rts(20, 3));
    next();
    j.peerSends(rts(60, 9));
    j.runFor(50);
    EXPECT_EQ(sent(), 1u);
    sendPackets(1, 3, 20);
    next(100);
    j.runUntil([&] { return !in.receivedData.empty(); }, 20);
    EXPECT_EQ(in.receivedData[0], expected(20));
    expectAllEnded();
}

TEST_F(TpRxTest, TransfersThatCannotBeRightAreRefused) {
    j.peerSends(rts(5, 1));      // fits one frame
    j.peerSends(rts(20, 4));     // packets do not match the size
    j.peerSends(rts(1786, 255)); // too long
    ASSERT_TRUE(j.peerGets(3, 100));
    for (const CanWireFrame& f : j.peer.received)
        EXPECT_TRUE(isCM(f, TP_Abort));
    // An RTS to everyone is not a connection: ignored.
    j.peerSends(cm(Mod, 255, TP_RTS, 20, 0, 3, 0xFF, PropA));
    j.runFor(50);
    EXPECT_EQ(sent(), 3u);
    expectAllEnded();
}

TEST_F(TpRxTest, TheFirstPacketPicksTheMessageAmongFilteredOnes) {
    TestMsg a(PropA, 0, 0, J1939cfgListed | J1939cfgFiltered);
    TestMsg b(PropA, 0, 0, J1939cfgListed | J1939cfgFiltered);
    a.acceptFirstByte = 0xA1;
    b.acceptFirstByte = pattern(0); // the message's first byte
    CANbusMgr.deregisterRxMsg(&in);
    CANbusMgr.registerMsg(&b, &Module_na, &Display);
    CANbusMgr.registerMsg(&a, &Module_na, &Display); // found first
    j.peerSends(rts(20, 3));
    next();
    sendPackets(1, 3, 20);
    next(100);
    j.runUntil([&] { return !b.receivedData.empty(); }, 20);
    EXPECT_TRUE(a.receivedData.empty());
    ASSERT_EQ(b.receivedData.size(), 1u);
    EXPECT_EQ(b.receivedData[0], expected(20));

    // No message takes the data: Abort, and the rest is ignored.
    b.acceptFirstByte = 0xB2;
    j.peerSends(rts(20, 3));
    next();
    j.peerSends(dt(1, 20));
    CanWireFrame ab = next(20);
    EXPECT_TRUE(isCM(ab, TP_Abort));
    sendPackets(2, 3, 20);
    j.runFor(2000);
    EXPECT_EQ(b.receivedData.size(), 1u);
    expectAllEnded();
}

// --- Receiving broadcasts ---

TEST_F(TpRxTest, BamIsCollectedAndSequenceErrorsDropItSilently) {
    TestMsg bc(Bcast, 0, 0, J1939cfgListed);
    CANbusMgr.registerMsg(&bc, &Module_na, &Display);
    auto bam = [](uint32_t size, uint8_t packets) {
        return cm(Mod, 255, TP_BAM, static_cast<uint8_t>(size), 0, packets, 0xFF, Bcast);
    };
    j.peerSends(bam(20, 3));
    for (uint8_t s = 1; s <= 3; ++s)
        j.peerSends(dt(s, 20, 255));
    j.runUntil([&] { return !bc.receivedData.empty(); }, 50);
    ASSERT_EQ(bc.receivedData.size(), 1u);
    EXPECT_EQ(bc.receivedData[0], expected(20));

    j.peerSends(bam(20, 3));
    j.peerSends(dt(1, 20, 255));
    j.peerSends(dt(3, 20, 255)); // 2 lost: dropped
    j.peerSends(dt(2, 20, 255));
    j.peerSends(dt(3, 20, 255));
    // A new BAM restarts the reception.
    j.peerSends(bam(20, 3));
    j.peerSends(dt(1, 20, 255));
    j.peerSends(bam(15, 3));
    for (uint8_t s = 1; s <= 3; ++s)
        j.peerSends(dt(s, 15, 255));
    j.runFor(100);
    ASSERT_EQ(bc.receivedData.size(), 2u);
    EXPECT_EQ(bc.receivedData[1], expected(15));
    EXPECT_EQ(sent(), 0u); // a broadcast is never answered
    expectAllEnded();
}
