// The simulated modules' transport-protocol endpoint against itself: every window size and
// length, faults ending in the outcome the protocol prescribes on both sides, and what a
// peer must never do. Against the display's stack it runs in tp_interop_test.cpp.
#include <gtest/gtest.h>

#include <deque>
#include <vector>

#include "modsim/tp_peer.h"

namespace {
// Two peers on a lossless bus; frames are delivered in order, each 1 ms after the previous.
class TpPeerTest : public ::testing::Test, public PeerFrameSink {
protected:
    std::deque<PeerFrame> wire;
    std::vector<PeerFrame> seen;
    TpPeer a{0x80, this}, b{0x90, this};
    uint32_t now = 1000;

    void sendFrame(const PeerFrame& f) override {
        wire.push_back(f);
        seen.push_back(f);
    }
    // Hands the next frame on the wire to both peers, 1 ms later.
    void deliverOne() {
        PeerFrame f = wire.front();
        wire.pop_front();
        ++now;
        a.onFrame(f, now);
        b.onFrame(f, now);
    }
    // Runs until nothing is pending, delivering frames and firing deadlines.
    void run() {
        for (uint32_t end = now + 60000; static_cast<int32_t>(end - now) > 0;) {
            if (!wire.empty()) {
                deliverOne();
                continue;
            }
            uint32_t da = 0, db = 0;
            bool ha = a.nextDeadline(&da), hb = b.nextDeadline(&db);
            if (!ha && !hb) return;
            uint32_t next = !ha ? db : !hb ? da : (static_cast<int32_t>(da - db) < 0 ? da : db);
            if (static_cast<int32_t>(next - now) > 0) now = next;
            a.tick(now);
            b.tick(now);
        }
    }
    // a sends a message of n bytes to b (or to everyone) and both run to the end.
    std::vector<uint8_t> transfer(size_t n, uint8_t da = 0x90, uint32_t pgn = 0xEF00) {
        std::vector<uint8_t> m(n);
        for (size_t i = 0; i < n; ++i)
            m[i] = static_cast<uint8_t>(i * 7 + n);
        EXPECT_TRUE(a.send(da, pgn, m.data(), n, now));
        run();
        return m;
    }
    bool receivedLast(const std::vector<uint8_t>& m) const {
        const TpPeer::Message& got = b.received(b.receivedCount() - 1);
        return got.length == m.size() && got.sa == 0x80 && std::equal(m.begin(), m.end(), got.data);
    }
    std::vector<std::pair<int, int>> ctsWindows() const {
        std::vector<std::pair<int, int>> w;
        for (const PeerFrame& f : seen)
            if (((f.id >> 16) & 0xFF) == 0xEC && f.data[0] == 0x11)
                w.push_back({f.data[1], f.data[2]});
        return w;
    }
};

TEST_F(TpPeerTest, EveryWindowAndLengthArrivesIntact) {
    for (int window : {1, 2, 16, 255}) {
        for (size_t len : {9u, 14u, 15u, 100u, 895u, 1785u}) {
            b.faults.window = window;
            std::vector<uint8_t> m = transfer(len);
            ASSERT_EQ(a.transfer(a.transferCount() - 1).outcome, TpOutcome::Completed)
                << "window " << window << " length " << len;
            EXPECT_TRUE(receivedLast(m)) << "window " << window << " length " << len;
            EXPECT_EQ(b.received(b.receivedCount() - 1).pgn, 0xEF00u);
        }
    }
    EXPECT_EQ(a.abortsSent + b.abortsSent, 0u);
}

TEST_F(TpPeerTest, AbortInTheMiddleEndsBothSides) {
    a.faults.abortAfterPackets = 3;
    transfer(100);
    EXPECT_EQ(a.transfer(0).outcome, TpOutcome::AbortSent);
    EXPECT_EQ(b.transfer(0).outcome, TpOutcome::AbortedByPeer);
    EXPECT_EQ(b.receivedCount(), 0);
    a.faults.abortAfterPackets = 0;
    b.faults.abortAfterPackets = 4;
    transfer(100);
    EXPECT_EQ(a.transfer(1).outcome, TpOutcome::AbortedByPeer);
    EXPECT_EQ(b.transfer(1).outcome, TpOutcome::AbortSent);
}

TEST_F(TpPeerTest, SilenceMissingAckAndHoldsAreTimed) {
    b.faults.silent = true;
    uint32_t start = now;
    transfer(30);
    EXPECT_EQ(a.transfer(0).outcome, TpOutcome::AbortSent);
    EXPECT_EQ(now - start, 1250u + 1); // the Abort leaves 1250 ms after the RTS, 1 ms on the wire

    b.faults = TpPeerFaults();
    b.faults.noAck = true;
    transfer(30);
    EXPECT_EQ(a.transfer(1).outcome, TpOutcome::AbortSent);
    EXPECT_EQ(b.transfer(0).outcome, TpOutcome::Completed); // it had every byte

    b.faults = TpPeerFaults();
    b.faults.holdCts = 3;
    start = now;
    size_t cts = ctsWindows().size();
    transfer(60);
    EXPECT_EQ(a.transfer(2).outcome, TpOutcome::Completed);
    EXPECT_GE(now - start, 1500u);
    EXPECT_EQ(ctsWindows().size() - cts, 4u); // three holds and one real CTS
}

TEST_F(TpPeerTest, BamIsPacedAndDroppedOnASequenceError) {
    uint32_t start = now;
    std::vector<uint8_t> m = transfer(20, 0xFF, 0xFECA);
    EXPECT_EQ(a.transfer(0).outcome, TpOutcome::Completed);
    EXPECT_TRUE(receivedLast(m));
    EXPECT_GE(now - start, 150u); // three packets, 50 ms apart
    a.faults.swapDt = 1;
    transfer(20, 0xFF, 0xFECA);
    EXPECT_EQ(b.transfer(1).outcome, TpOutcome::Dropped);
    EXPECT_EQ(b.receivedCount(), 1);
}

TEST_F(TpPeerTest, MalformedAnnouncementsAreRefused) {
    PeerFrame f;
    f.id = 7u << 26 | 0xEC90u << 8 | 0x80;
    const uint8_t rts[8] = {0x10, 20, 0, 2, 0xFF, 0x00, 0xEF, 0x00}; // 20 bytes need 3 packets
    std::copy(rts, rts + 8, f.data);
    b.onFrame(f, now);
    EXPECT_EQ(b.abortsSent, 1u);
    const uint8_t huge[8] = {0x10, 0xFF, 0xFF, 255, 0xFF, 0x00, 0xEF, 0x00};
    std::copy(huge, huge + 8, f.data);
    b.onFrame(f, now);
    EXPECT_EQ(b.abortsSent, 2u);
    f.dlc = 3; // short frames are not the protocol's
    b.onFrame(f, now);
    EXPECT_EQ(b.abortsSent, 2u);
    uint32_t d;
    EXPECT_FALSE(b.nextDeadline(&d));
}

// A receiver that misses a packet asks again once the window is over: a CTS while the
// sender is still sending would break the protocol.
TEST_F(TpPeerTest, ALostPacketIsAskedForOnceTheWindowIsOver) {
    a.faults.dropDt = 3;
    std::vector<uint8_t> m = transfer(70); // 10 packets
    EXPECT_EQ(a.transfer(0).outcome, TpOutcome::Completed);
    EXPECT_TRUE(receivedLast(m));
    EXPECT_EQ(ctsWindows(), (std::vector<std::pair<int, int>>{{10, 1}, {8, 3}}));
}

TEST_F(TpPeerTest, ABroadcastDoesNotReplaceAConnectionFromTheSameSender) {
    std::vector<uint8_t> m(100, 0x5A);
    a.send(0x90, 0xEF00, m.data(), m.size(), now);
    deliverOne(); // the RTS
    PeerFrame bam;
    bam.id = 7u << 26 | 0xECFFu << 8 | 0x80;
    const uint8_t d[8] = {0x20, 20, 0, 3, 0xFF, 0xCA, 0xFE, 0x00};
    std::copy(d, d + 8, bam.data);
    b.onFrame(bam, now);
    run();
    EXPECT_EQ(a.transfer(0).outcome, TpOutcome::Completed);
    ASSERT_EQ(b.receivedCount(), 1);
    EXPECT_TRUE(receivedLast(m));
}

TEST_F(TpPeerTest, ASilentPeerSendsNothingMore) {
    b.faults.holdCts = 3;
    std::vector<uint8_t> m(30);
    a.send(0x90, 0xEF00, m.data(), m.size(), now);
    deliverOne(); // the RTS; b answers with a hold
    b.faults.silent = true;
    uint32_t start = now;
    run();
    EXPECT_EQ(ctsWindows().size(), 1u);
    EXPECT_EQ(b.abortsSent, 0u);
    EXPECT_EQ(b.transfer(0).outcome, TpOutcome::TimedOut);
    EXPECT_EQ(a.transfer(0).outcome, TpOutcome::AbortSent);
    EXPECT_EQ(now - start, 1050u + 2); // the hold on the wire, then the hold timeout
    uint32_t due;
    EXPECT_FALSE(b.nextDeadline(&due));
}

// The sender's wait for a CTS or the ACK runs from when the window's last packet left.
TEST_F(TpPeerTest, TheSenderWaitsFromWhenItsLastPacketLeft) {
    std::vector<uint8_t> m(20); // 3 packets
    a.send(0x90, 0xEF00, m.data(), m.size(), now);
    deliverOne(); // the RTS; b asks for all three
    deliverOne(); // the CTS; a queues them
    ASSERT_EQ(wire.size(), 3u);
    uint32_t due;
    ASSERT_TRUE(a.nextDeadline(&due));
    EXPECT_EQ(due, now + 1250);
    a.onSent(wire[1], now + 30); // not the last: no change
    a.nextDeadline(&due);
    EXPECT_EQ(due, now + 1250);
    a.onSent(wire[2], now + 40);
    a.nextDeadline(&due);
    EXPECT_EQ(due, now + 40 + 1250);
}
} // namespace
