// The simulated modules' transport-protocol endpoint against itself: every window size and
// length, and every fault ending in the outcome the protocol prescribes on both sides.
#include <gtest/gtest.h>

#include <deque>
#include <vector>

#include "modsim/tp_peer.h"

namespace {
// Two peers on a lossless bus; frames are delivered in order, each 1 ms after the previous.
class Wire : public PeerFrameSink {
public:
    struct InFlight {
        PeerFrame f;
    };
    std::deque<PeerFrame> queue;
    std::vector<PeerFrame> seen;
    void sendFrame(const PeerFrame& f) override {
        queue.push_back(f);
        seen.push_back(f);
    }
};

class TpPeerTest : public ::testing::Test {
protected:
    Wire wire;
    TpPeer a{0x80, &wire}, b{0x90, &wire};
    uint32_t now = 1000;

    // Runs until nothing is pending, delivering frames and firing deadlines.
    void run(uint32_t limitMs = 60000) {
        uint32_t end = now + limitMs;
        while (static_cast<int32_t>(end - now) > 0) {
            if (!wire.queue.empty()) {
                PeerFrame f = wire.queue.front();
                wire.queue.pop_front();
                ++now;
                a.onFrame(f, now);
                b.onFrame(f, now);
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
    // Hands the next frame on the wire to both peers, 1 ms later.
    PeerFrame deliverOne() {
        PeerFrame f = wire.queue.front();
        wire.queue.pop_front();
        ++now;
        a.onFrame(f, now);
        b.onFrame(f, now);
        return f;
    }
    std::vector<uint8_t> message(size_t n) {
        std::vector<uint8_t> m(n);
        for (size_t i = 0; i < n; ++i)
            m[i] = static_cast<uint8_t>(i * 7 + n);
        return m;
    }
    unsigned control(uint8_t c) const {
        unsigned n = 0;
        for (const PeerFrame& f : wire.seen)
            if (((f.id >> 16) & 0xFF) == 0xEC && f.data[0] == c) ++n;
        return n;
    }
};

TEST_F(TpPeerTest, EveryWindowAndLengthArrivesIntact) {
    for (int window : {1, 2, 16, 255}) {
        for (size_t len : {9u, 14u, 15u, 100u, 895u, 1785u}) {
            b.faults.window = window;
            std::vector<uint8_t> m = message(len);
            ASSERT_TRUE(a.send(0x90, 0xEF00, m.data(), len, now));
            run();
            ASSERT_EQ(a.transfer(a.transferCount() - 1).outcome, TpOutcome::Completed)
                << "window " << window << " length " << len;
            const TpPeer::Message& got = b.received(b.receivedCount() - 1);
            ASSERT_EQ(got.length, len);
            EXPECT_EQ(got.sa, 0x80);
            EXPECT_EQ(got.pgn, 0xEF00u);
            EXPECT_TRUE(std::equal(m.begin(), m.end(), got.data));
        }
    }
    EXPECT_EQ(a.abortsSent + b.abortsSent, 0u);
}

TEST_F(TpPeerTest, CtsWindowsFollowTheReceiverLimit) {
    b.faults.window = 16;
    std::vector<uint8_t> m = message(280); // 40 packets
    a.send(0x90, 0xEF00, m.data(), m.size(), now);
    run();
    std::vector<std::pair<int, int>> windows;
    for (const PeerFrame& f : wire.seen)
        if (((f.id >> 16) & 0xFF) == 0xEC && f.data[0] == 0x11)
            windows.push_back({f.data[1], f.data[2]});
    EXPECT_EQ(windows, (std::vector<std::pair<int, int>>{{16, 1}, {16, 17}, {8, 33}}));
}

TEST_F(TpPeerTest, LostRepeatedAndSwappedPacketsStillArrive) {
    for (int fault = 0; fault < 3; ++fault) {
        a.faults = TpPeerFaults();
        if (fault == 0) a.faults.dropDt = 5;
        if (fault == 1) a.faults.repeatDt = 5;
        if (fault == 2) a.faults.swapDt = 5;
        std::vector<uint8_t> m = message(200);
        a.send(0x90, 0xEF00, m.data(), m.size(), now);
        run();
        EXPECT_EQ(a.transfer(a.transferCount() - 1).outcome, TpOutcome::Completed) << fault;
        const TpPeer::Message& got = b.received(b.receivedCount() - 1);
        EXPECT_TRUE(std::equal(m.begin(), m.end(), got.data)) << fault;
    }
}

TEST_F(TpPeerTest, AbortInTheMiddleEndsBothSides) {
    a.faults.abortAfterPackets = 3;
    std::vector<uint8_t> m = message(100);
    a.send(0x90, 0xEF00, m.data(), m.size(), now);
    run();
    EXPECT_EQ(a.transfer(0).outcome, TpOutcome::AbortSent);
    EXPECT_EQ(b.transfer(0).outcome, TpOutcome::AbortedByPeer);
    EXPECT_EQ(b.receivedCount(), 0);

    b.faults.abortAfterPackets = 4;
    a.faults.abortAfterPackets = 0;
    a.send(0x90, 0xEF00, m.data(), m.size(), now);
    run();
    EXPECT_EQ(a.transfer(1).outcome, TpOutcome::AbortedByPeer);
    EXPECT_EQ(b.transfer(1).outcome, TpOutcome::AbortSent);
}

TEST_F(TpPeerTest, SilenceAndMissingAckTimeOut) {
    b.faults.silent = true;
    std::vector<uint8_t> m = message(30);
    uint32_t start = now;
    a.send(0x90, 0xEF00, m.data(), m.size(), now);
    run();
    EXPECT_EQ(a.transfer(0).outcome, TpOutcome::AbortSent);
    EXPECT_EQ(now - start, 1250u + 1); // the Abort leaves 1250 ms after the RTS, 1 ms on the wire

    b.faults = TpPeerFaults();
    b.faults.noAck = true;
    a.send(0x90, 0xEF00, m.data(), m.size(), now);
    run();
    EXPECT_EQ(a.transfer(1).outcome, TpOutcome::AbortSent);
    EXPECT_EQ(b.transfer(0).outcome, TpOutcome::Completed); // it had every byte
}

TEST_F(TpPeerTest, CtsHoldDelaysButDoesNotBreakTheTransfer) {
    b.faults.holdCts = 3;
    std::vector<uint8_t> m = message(60);
    uint32_t start = now;
    a.send(0x90, 0xEF00, m.data(), m.size(), now);
    run();
    EXPECT_EQ(a.transfer(0).outcome, TpOutcome::Completed);
    EXPECT_GE(now - start, 1500u);
    EXPECT_EQ(control(0x11), 4u); // three holds and one real CTS
}

TEST_F(TpPeerTest, BamIsPacedAndDroppedOnASequenceError) {
    std::vector<uint8_t> m = message(20);
    uint32_t start = now;
    a.send(0xFF, 0xFECA, m.data(), m.size(), now);
    run();
    EXPECT_EQ(a.transfer(0).outcome, TpOutcome::Completed);
    ASSERT_EQ(b.receivedCount(), 1);
    EXPECT_TRUE(std::equal(m.begin(), m.end(), b.received(0).data));
    EXPECT_GE(now - start, 150u); // three packets, 50 ms apart

    a.faults.swapDt = 1;
    a.send(0xFF, 0xFECA, m.data(), m.size(), now);
    run();
    EXPECT_EQ(b.transfer(1).outcome, TpOutcome::Dropped);
    EXPECT_EQ(b.receivedCount(), 1);
}

TEST_F(TpPeerTest, MalformedAnnouncementsAreRefused) {
    PeerFrame f;
    f.id = 7u << 26 | 0xEC90u << 8 | 0x80;
    uint8_t rts[8] = {0x10, 20, 0, 2, 0xFF, 0x00, 0xEF, 0x00}; // 20 bytes need 3 packets
    std::copy(rts, rts + 8, f.data);
    b.onFrame(f, now);
    EXPECT_EQ(b.abortsSent, 1u);
    uint8_t huge[8] = {0x10, 0xFF, 0xFF, 255, 0xFF, 0x00, 0xEF, 0x00};
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
    std::vector<uint8_t> m = message(70); // 10 packets
    a.send(0x90, 0xEF00, m.data(), m.size(), now);
    run();
    EXPECT_EQ(a.transfer(0).outcome, TpOutcome::Completed);
    std::vector<std::pair<int, int>> windows;
    for (const PeerFrame& f : wire.seen)
        if (((f.id >> 16) & 0xFF) == 0xEC && f.data[0] == 0x11)
            windows.push_back({f.data[1], f.data[2]});
    EXPECT_EQ(windows, (std::vector<std::pair<int, int>>{{10, 1}, {8, 3}}));
}

TEST_F(TpPeerTest, ABroadcastDoesNotReplaceAConnectionFromTheSameSender) {
    std::vector<uint8_t> m = message(100);
    a.send(0x90, 0xEF00, m.data(), m.size(), now);
    deliverOne(); // the RTS
    PeerFrame bam;
    bam.id = 7u << 26 | 0xECFFu << 8 | 0x80;
    uint8_t d[8] = {0x20, 20, 0, 3, 0xFF, 0xCA, 0xFE, 0x00};
    std::copy(d, d + 8, bam.data);
    b.onFrame(bam, now);
    run();
    EXPECT_EQ(a.transfer(0).outcome, TpOutcome::Completed);
    ASSERT_EQ(b.receivedCount(), 1);
    EXPECT_TRUE(std::equal(m.begin(), m.end(), b.received(0).data));
}

TEST_F(TpPeerTest, ASilentPeerSendsNothingMore) {
    b.faults.holdCts = 3;
    std::vector<uint8_t> m = message(30);
    a.send(0x90, 0xEF00, m.data(), m.size(), now);
    deliverOne(); // the RTS; b answers with a hold
    b.faults.silent = true;
    uint32_t start = now;
    run();
    EXPECT_EQ(control(0x11), 1u);
    EXPECT_EQ(b.abortsSent, 0u);
    EXPECT_EQ(b.transfer(0).outcome, TpOutcome::TimedOut);
    EXPECT_EQ(a.transfer(0).outcome, TpOutcome::AbortSent);
    EXPECT_EQ(now - start, 1050u + 2); // the hold on the wire, then the hold timeout
    uint32_t due;
    EXPECT_FALSE(b.nextDeadline(&due));
}

// The sender's wait for a CTS or the ACK runs from when the window's last packet left.
TEST_F(TpPeerTest, TheSenderWaitsFromWhenItsLastPacketLeft) {
    std::vector<uint8_t> m = message(20); // 3 packets
    a.send(0x90, 0xEF00, m.data(), m.size(), now);
    deliverOne(); // the RTS; b asks for all three
    deliverOne(); // the CTS; a queues them
    ASSERT_EQ(wire.queue.size(), 3u);
    uint32_t due;
    ASSERT_TRUE(a.nextDeadline(&due));
    EXPECT_EQ(due, now + 1250);
    a.onSent(wire.queue[1], now + 30); // not the last: no change
    a.nextDeadline(&due);
    EXPECT_EQ(due, now + 1250);
    a.onSent(wire.queue[2], now + 40);
    a.nextDeadline(&due);
    EXPECT_EQ(due, now + 40 + 1250);
}
} // namespace
