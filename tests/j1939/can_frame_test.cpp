// Packets, chains, queues, the address set and the pools behind them.
#include <gtest/gtest.h>

#include "core/notifiable.h"
#include "j1939/bit_set.h"
#include "j1939/can_frame.h"
#include "j1939/j1939_id.h"
#include "j1939/simple_queue.h"

namespace {
// A chain of n TP.DT packets holding message bytes 0, 1, 2, ... in order.
CANpkt* makeChain(int n) {
    CANpkt* first = nullptr;
    CANpkt** link = &first;
    for (int p = 0; p < n; ++p) {
        CANpkt* pkt = new CANpkt(buildIDfromPGN(7, PGN_TP_DT, 0xFA, 0x80),
                                 static_cast<uint8_t>(p + 1), 0, 0, 0, 0, 0, 0, 0);
        for (int i = 1; i < 8; ++i)
            pkt->data[i] = static_cast<uint8_t>(p * 7 + i - 1);
        *link = pkt;
        link = &pkt->next;
    }
    return first;
}

void freeChain(CANpkt* p) {
    while (p != nullptr) {
        CANpkt* n = p->next;
        delete p;
        p = n;
    }
}

TEST(CANpktTest, ConstructorsFillAsStated) {
    CANpkt d;
    EXPECT_EQ(d.id, 0u);
    EXPECT_EQ(d.extended, 1);
    EXPECT_EQ(d.dlc, 0);
    for (uint8_t b : d.data)
        EXPECT_EQ(b, 0xFF);
    EXPECT_EQ(d.next, nullptr);
    EXPECT_EQ(d.rxNext, nullptr);

    CANpkt p(0x18EF80FA, 1, 2, 3, 4, 5, 6, 7, 8);
    EXPECT_EQ(p.id, 0x18EF80FAu);
    EXPECT_EQ(p.dlc, 8);
    EXPECT_EQ(p.data[0], 1);
    EXPECT_EQ(p.data[7], 8);
}

TEST(CANpktTest, GetBytesIsLittleEndianWithinOnePacket) {
    CANpkt* cm = buildTPpkt(TP_RTS, 1785, 255, 0x00EF00, 0x80, 0x25);
    EXPECT_EQ(cm->getBytes(5, 3), 0x00EF00u); // the PGN of a TP.CM
    EXPECT_EQ(cm->getBytes(1, 2), 1785u);
    EXPECT_EQ(cm->getBytes(0, 1), TP_RTS);
    EXPECT_EQ(cm->getBytes(6, 4), 0x00EFu); // stops at the end of a lone packet
    delete cm;
}

TEST(CANpktTest, ChainAddressingSkipsTheSequenceNumbers) {
    CANpkt* c = makeChain(3);
    // data[7] of the first packet, then data[1] of the second.
    EXPECT_EQ(c->getBytes(7, 2), static_cast<uint32_t>(c->data[7] | c->next->data[1] << 8));
    EXPECT_EQ(c->getBytes(7, 2), 0x0706u);
    // Message bytes 12..15 straddle packets 2 and 3 (sequence numbers 2 and 3 are skipped).
    EXPECT_EQ(c->getBytes(13, 4), 0x0F0E0D0Cu);
    // Chain index 8 is data[1] of the second packet.
    EXPECT_EQ(c->getBytes(8, 1), 7u);
    // Past the end of the chain only what exists is read; far past it, nothing.
    EXPECT_EQ(c->getBytes(21, 4), 20u);
    EXPECT_EQ(c->getBytes(200, 4), 0u);
    freeChain(c);
}

TEST(CANpktTest, SetBytesReportsChangesAndFollowsTheChain) {
    CANpkt* c = makeChain(2);
    EXPECT_EQ(c->setBytes(0x0706, 7, 2), 0); // the bytes already there
    EXPECT_NE(c->setBytes(0xBBAA, 7, 2), 0);
    EXPECT_EQ(c->data[7], 0xAA);
    EXPECT_EQ(c->next->data[0], 2); // the sequence number is untouched
    EXPECT_EQ(c->next->data[1], 0xBB);
    EXPECT_EQ(c->getBytes(7, 2), 0xBBAAu);
    // Writing past the end of the chain stops there without touching anything else.
    EXPECT_NE(c->setBytes(0x11223344, 14, 4), 0);
    EXPECT_EQ(c->next->data[7], 0x44);
    EXPECT_EQ(c->setBytes(0x55, 300, 1), 0);
    freeChain(c);
}

TEST(CANpktTest, ChangeDAReachesEveryPacketAndNothingElse) {
    CANpkt* c = makeChain(3);
    c->changeDA(0x25);
    for (CANpkt* p = c; p != nullptr; p = p->next) {
        uint8_t pri, sa, da;
        uint32_t pgn;
        getIDcomponents(p->id, pri, pgn, sa, da);
        EXPECT_EQ(da, 0x25);
        EXPECT_EQ(pgn, PGN_TP_DT);
        EXPECT_EQ(sa, 0xFA);
        EXPECT_EQ(pri, 7);
    }
    freeChain(c);
}

TEST(CANpktTest, PoolReusesFreedBlocksWithoutGrowing) {
    CANpkt* a = new CANpkt();
    delete a;
    unsigned made = CANpkt::pool.blocksMade();
    CANpkt* b = new CANpkt();
    EXPECT_EQ(b, a); // the same block again
    EXPECT_EQ(CANpkt::pool.blocksMade(), made);
    CANframe* f = allocCANframe();
    EXPECT_EQ(CANpkt::pool.blocksMade(), made + 1);
    EXPECT_EQ(CANpkt::pool.blocksInUse(), 2u);
    freeCANframe(f); // through the base class
    freeCANframe(nullptr);
    delete b;
    EXPECT_EQ(CANpkt::pool.blocksInUse(), 0u);
    EXPECT_EQ(CANpkt::pool.blocksIdle(), made + 1);
}

struct Elem : simpleQueueElement {
    int v;
    explicit Elem(int x) : v(x) {}
};

TEST(SimpleQueueTest, FifoAtTheTailAndPushAtTheHead) {
    simpleQueue q;
    EXPECT_TRUE(q.empty());
    EXPECT_EQ(q.remove(), nullptr);
    Elem a(1), b(2), c(3), d(0);
    q.add(&a, true);
    EXPECT_EQ(q.head, &a);
    EXPECT_EQ(q.tail, &a);
    q.add(&b, true);
    q.add(&c, true);
    q.add(&d, false);
    int expected[] = {0, 1, 2, 3};
    for (int v : expected) {
        Elem* e = static_cast<Elem*>(q.remove());
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->v, v);
        EXPECT_EQ(e->next, nullptr);
        EXPECT_EQ(e->prev, nullptr);
        if (q.head != nullptr) {
            EXPECT_EQ(q.head->prev, nullptr);
        }
    }
    EXPECT_TRUE(q.empty());
    EXPECT_EQ(q.tail, nullptr);
    // Reusable after emptying.
    q.add(&c, false);
    EXPECT_EQ(q.remove(), &c);
}

struct Told : Notifiable {
    void notify(NotificationEvent, Data*) override {}
};

TEST(PktQueueElementTest, FreeDeletesOnlyOwnedPacketsAndRecyclesTheElement) {
    Told t;
    CANpkt* shared = new CANpkt();
    unsigned pktsInUse = CANpkt::pool.blocksInUse();
    PktQueueElement* e = PktQueueElement::alloc(shared, &t, 0x25, false);
    EXPECT_EQ(e->pkt, shared);
    EXPECT_EQ(e->notifiable, &t);
    EXPECT_EQ(e->daXor, 0x25);
    EXPECT_EQ(e->next, nullptr);
    e->free();
    EXPECT_EQ(CANpkt::pool.blocksInUse(), pktsInUse); // not owned: still there
    unsigned made = PktQueueElement::pool.blocksMade();
    PktQueueElement* e2 = PktQueueElement::alloc(buildReqPGN(0xEE00, 0xFA, 0xFF), nullptr, 0, true);
    EXPECT_EQ(e2, e); // recycled
    EXPECT_EQ(PktQueueElement::pool.blocksMade(), made);
    EXPECT_EQ(CANpkt::pool.blocksInUse(), pktsInUse + 1);
    e2->free();
    EXPECT_EQ(CANpkt::pool.blocksInUse(), pktsInUse); // owned: deleted with it
    delete shared;
}

TEST(BitSet256Test, SetTestAndCount) {
    BitSet256 s(255);
    EXPECT_TRUE(s.test(255));
    EXPECT_FALSE(s.test(0));
    EXPECT_EQ(s.count, 1u);
    s.set(0x80);
    s.set(0x80); // counted twice
    EXPECT_EQ(s.count, 3u);
    EXPECT_TRUE(s.test(0x80));
    EXPECT_FALSE(s.test(0x81));
    EXPECT_FALSE(s.test(1000)); // out of range: never a member, never written
    s.set(1000);
    EXPECT_EQ(s.count, 3u);
    BitSet256 none(256);
    EXPECT_EQ(none.count, 0u);
    for (unsigned i = 0; i < 256; ++i)
        EXPECT_FALSE(none.test(i));
    s.clearAll();
    EXPECT_EQ(s.count, 0u);
    EXPECT_FALSE(s.test(255));
}
} // namespace
