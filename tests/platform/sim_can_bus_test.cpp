// The virtual bus: frame lengths with stuff bits, arbitration, delivery and timing.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "platform/host/can/sim_can_bus.h"
#include "tests/support/can_test_bus.h"

namespace {
uint64_t fakeNow = 0;
uint64_t fakeClock() {
    return fakeNow;
}

// A plain reference: the frame as a string of bits, its CRC by long division, then the
// stuffing rule applied to the string.
unsigned referenceBits(const CanWireFrame& f) {
    std::string s = "0";
    auto put = [&](uint32_t v, int n) {
        for (int i = n - 1; i >= 0; --i)
            s += ((v >> i) & 1) ? '1' : '0';
    };
    if (f.extended) {
        put(f.id >> 18, 11);
        s += "11";
        put(f.id & 0x3FFFF, 18);
        s += f.rtr ? "1" : "0";
        s += "00";
    } else {
        put(f.id, 11);
        s += f.rtr ? "1" : "0";
        s += "00";
    }
    put(f.dlc, 4);
    for (unsigned i = 0; i < f.dataBytes(); ++i)
        put(f.data[i], 8);
    // CRC-15: the remainder of the message times x^15 divided by x^15+x^14+x^10+x^8+x^7+x^4+x^3+1.
    std::string r = s + std::string(15, '0');
    const std::string poly = "1100010110011001";
    for (size_t i = 0; i + 15 < r.size(); ++i)
        if (r[i] == '1')
            for (size_t k = 0; k < poly.size(); ++k)
                r[i + k] = r[i + k] == poly[k] ? '0' : '1';
    s += r.substr(r.size() - 15);
    unsigned stuffed = 0, run = 0;
    char last = 0;
    for (char b : s) {
        run = b == last ? run + 1 : 1;
        last = b;
        if (run == 5) {
            ++stuffed;
            last = b == '0' ? '1' : '0';
            run = 1;
        }
    }
    return static_cast<unsigned>(s.size()) + stuffed + 13;
}

TEST(CanFrameBitsTest, MatchesAPlainReferenceForRandomFrames) {
    std::mt19937 rng(1234);
    for (int n = 0; n < 3000; ++n) {
        CanWireFrame f;
        f.extended = rng() & 1;
        f.id = static_cast<uint32_t>(rng()) & (f.extended ? 0x1FFFFFFF : 0x7FF);
        f.rtr = (rng() % 8) == 0;
        f.dlc = static_cast<uint8_t>(rng() % 9);
        // Runs of equal bits are where stuffing matters: use them often.
        uint8_t pattern = (rng() & 1) ? 0x00 : static_cast<uint8_t>(rng());
        for (uint8_t& b : f.data)
            b = (rng() & 1) ? pattern : static_cast<uint8_t>(rng());
        unsigned bits = canFrameBits(f);
        ASSERT_EQ(bits, referenceBits(f)) << n;
        ASSERT_GE(bits, canFrameBitsUnstuffed(f));
        ASSERT_LE(bits, canFrameBitsUnstuffed(f) + canFrameMaxStuffBits(f));
    }
}

TEST(CanFrameBitsTest, ArbitrationOrder) {
    // Lower identifier first; a standard frame beats an extended one with the same base
    // identifier, and a data frame beats a remote frame.
    EXPECT_LT(canArbitrationKey(extFrame(0x0CF00400, {})),
              canArbitrationKey(extFrame(0x18F00400, {})));
    EXPECT_LT(canArbitrationKey(stdFrame(0x123, {})),
              canArbitrationKey(extFrame(0x123u << 18, {})));
    CanWireFrame remote = extFrame(0x18F00400, {});
    remote.rtr = true;
    EXPECT_LT(canArbitrationKey(extFrame(0x18F00400, {})), canArbitrationKey(remote));
}

class BusTest : public ::testing::Test {
protected:
    SimCanBus bus{250000};
    RecordingNode a, b, c;
    void SetUp() override {
        fakeNow = 1000000;
        bus.setClock(fakeClock);
        bus.attach(&a);
        bus.attach(&b);
        bus.attach(&c);
    }
};

TEST_F(BusTest, FramesGoToEveryOtherNodeBackToBack) {
    CanWireFrame f1 = extFrame(0x18FF0001, {1, 2, 3, 4, 5, 6, 7, 8});
    CanWireFrame f2 = extFrame(0x18FF0002, {0});
    a.send(f1);
    a.send(f2);
    EXPECT_EQ(bus.nextEventNs(), fakeNow);
    bus.runUntil(fakeNow);
    EXPECT_TRUE(bus.busy());
    uint64_t end1 = fakeNow + bus.frameTimeNs(f1);
    EXPECT_EQ(bus.nextEventNs(), end1);
    bus.runUntil(end1 - 1);
    EXPECT_TRUE(b.received.empty());
    fakeNow = end1 + bus.frameTimeNs(f2);
    bus.runUntil(fakeNow);
    ASSERT_EQ(b.received.size(), 2u);
    ASSERT_EQ(c.received.size(), 2u);
    EXPECT_TRUE(a.received.empty()); // not to the sender
    EXPECT_EQ(b.received[0], f1);
    EXPECT_EQ(b.receivedAt[0], end1);
    EXPECT_EQ(b.receivedAt[1], end1 + bus.frameTimeNs(f2)); // no gap
    EXPECT_EQ(a.sentAt, b.receivedAt);
    EXPECT_FALSE(bus.busy());
    EXPECT_EQ(bus.nextEventNs(), SimCanBus::Never);
    EXPECT_EQ(bus.framesCarried, 2u);
    EXPECT_EQ(bus.busyNs, fakeNow - 1000000);
}

TEST_F(BusTest, LowestIdentifierWinsAmongThoseReady) {
    a.send(extFrame(0x18FF0003, {}));
    b.send(extFrame(0x0CFF0001, {}));
    c.send(extFrame(0x18FF0002, {}));
    bus.runUntil(fakeNow + 10000000);
    ASSERT_EQ(a.received.size(), 2u);
    EXPECT_EQ(a.received[0].id, 0x0CFF0001u);
    EXPECT_EQ(a.received[1].id, 0x18FF0002u);
    // A node that became ready while the bus was busy waits for the end, then wins if lower.
    a.received.clear();
    fakeNow = 20000000;
    a.send(extFrame(0x18FF0009, {}));
    a.send(extFrame(0x18FF000A, {}));
    bus.runUntil(fakeNow);
    fakeNow += 100000; // during the first frame
    c.send(extFrame(0x00FF0000, {}));
    bus.runUntil(fakeNow + 10000000);
    ASSERT_EQ(b.received.size(), 5u);
    EXPECT_EQ(b.received[2].id, 0x18FF0009u);
    EXPECT_EQ(b.received[3].id, 0x00FF0000u);
    EXPECT_EQ(b.received[4].id, 0x18FF000Au);
}

TEST_F(BusTest, AnIdleBusStartsAFrameWhenItsNodeBecameReady) {
    fakeNow = 5000000;
    a.send(extFrame(0x18FF0001, {}));
    fakeNow = 9000000; // stepped late: the frame still began when its node was ready
    bus.runUntil(fakeNow);
    ASSERT_EQ(b.received.size(), 1u);
    EXPECT_EQ(b.receivedAt[0], 5000000 + bus.frameTimeNs(extFrame(0x18FF0001, {})));
}

// Answers every frame at once, from inside the bus's callback.
struct Responder : RecordingNode {
    void onRx(const CanWireFrame& f, uint64_t at) override {
        RecordingNode::onRx(f, at);
        CanWireFrame r = f;
        r.id ^= 1;
        send(r);
    }
};

TEST_F(BusTest, AnswersFromCallbacksStartAtTheEventTime) {
    bus.detach(&b);
    bus.detach(&c);
    Responder r;
    bus.attach(&r);
    CanWireFrame f = extFrame(0x18FF0000, {1});
    a.send(f);
    bus.runUntil(fakeNow + 10000000);
    ASSERT_EQ(a.received.size(), 1u);
    EXPECT_EQ(a.receivedAt[0], r.receivedAt[0] + bus.frameTimeNs(a.received[0]));
    bus.detach(&r);
}

// Detaches another node and itself while a frame is delivered.
struct Detacher : RecordingNode {
    SimCanBus* bus = nullptr;
    SimCanNode* other = nullptr;
    void onRx(const CanWireFrame& f, uint64_t at) override {
        RecordingNode::onRx(f, at);
        bus->detach(other);
        bus->detach(this);
    }
};

TEST_F(BusTest, NodesMayDetachDuringDelivery) {
    Detacher d;
    d.bus = &bus;
    bus.attach(&d); // first in the list: runs before the others
    d.other = &b;
    a.send(extFrame(0x18FF0000, {}));
    bus.runUntil(fakeNow + 10000000);
    EXPECT_EQ(d.received.size(), 1u);
    EXPECT_TRUE(b.received.empty()); // detached before its turn
    EXPECT_EQ(c.received.size(), 1u);
    // A sender that leaves while its frame is on the bus: the frame still ends.
    fakeNow = 20000000;
    a.send(extFrame(0x18FF0001, {}));
    bus.runUntil(fakeNow);
    bus.detach(&a);
    bus.runUntil(fakeNow + 10000000);
    EXPECT_EQ(c.received.size(), 2u);
    EXPECT_EQ(a.sentAt.size(), 1u);
}

TEST_F(BusTest, BitRates) {
    CanWireFrame f = extFrame(0x18FF0000, {1, 2, 3, 4, 5, 6, 7, 8});
    EXPECT_EQ(canFrameBitsUnstuffed(f), 131u); // 118 stuffable + 10 + 3 intermission
    EXPECT_EQ(canFrameMaxStuffBits(f), 29u);
    bus.setBitRate(500000);
    EXPECT_EQ(bus.frameTimeNs(f), canFrameBits(f) * 2000ull);
}
} // namespace
