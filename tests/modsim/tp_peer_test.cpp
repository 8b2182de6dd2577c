// The simulated modules' transport-protocol endpoint against itself, for what the display's
// stack cannot provoke: when a lost packet is asked for again and when the sender's wait
// starts. Windows, lengths and faults on either side run against the display's stack in
// tp_interop_test.cpp.
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
    // a sends a message of n bytes to b and both run to the end.
    std::vector<uint8_t> transfer(size_t n) {
        std::vector<uint8_t> m(n);
        for (size_t i = 0; i < n; ++i)
            m[i] = static_cast<uint8_t>(i * 7 + n);
        EXPECT_TRUE(a.send(0x90, 0xEF00, m.data(), n, now));
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

// A receiver that misses a packet asks again once the window is over: a CTS while the
// sender is still sending would break the protocol.
TEST_F(TpPeerTest, ALostPacketIsAskedForOnceTheWindowIsOver) {
    a.faults.dropDt = 3;
    std::vector<uint8_t> m = transfer(70); // 10 packets
    EXPECT_EQ(a.transfer(0).outcome, TpOutcome::Completed);
    EXPECT_TRUE(receivedLast(m));
    EXPECT_EQ(ctsWindows(), (std::vector<std::pair<int, int>>{{10, 1}, {8, 3}}));
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
