// A million random TP.CM and TP.DT frames from random sources, mixed with the display's own
// long transfers: nothing crashes or reads out of bounds (the sanitizer build checks), the
// display's frames are well formed, and the pools end as they began.
#include <gtest/gtest.h>

#include <random>

#include "j1939/driver/can_driver.h"
#include "j1939/j1939_module.h"
#include "platform/host/host_clock.h"
#include "platform/platform.h"
#include "tests/j1939/tp_test_frames.h"

namespace {
constexpr uint8_t FirstSource = 0x20;
constexpr int Sources = 4;

class Fuzzer {
public:
    explicit Fuzzer(uint32_t seed) : rng(seed) {}

    CANpkt* frame() {
        uint8_t sa = pct(75) ? static_cast<uint8_t>(FirstSource + rng() % Sources) : byte();
        uint8_t da = pct(60) ? Me : pct(60) ? 255 : byte();
        CANpkt* p = new CANpkt();
        p->dlc = pct(95) ? 8 : static_cast<uint8_t>(rng() % 9);
        for (uint8_t& b : p->data)
            b = byte();
        uint8_t& packets = announced[sa]; // what the source last announced
        if (pct(50)) {
            p->id = buildIDfromPGN(static_cast<uint8_t>(rng() % 8), PGN_TP_CM, sa, da);
            static const uint8_t controls[] = {TP_RTS, TP_RTS,   TP_CTS, TP_EndOfMsgACK,
                                               TP_BAM, TP_Abort, 0x42};
            p->data[0] = controls[rng() % sizeof controls];
            static const uint32_t pgns[] = {PropA, PropA, Bcast, 0xFE00};
            p->setBytes(pct(90) ? pgns[rng() % 4] : rng() & 0x3FFFF, 5, 3);
            if (pct(70) && (p->data[0] == TP_RTS || p->data[0] == TP_BAM)) {
                uint32_t size = 9 + rng() % (pct(80) ? 60 : 1777);
                p->setBytes(size, 1, 2);
                p->data[3] = static_cast<uint8_t>((size + 6) / 7);
                packets = p->data[3];
                next[sa] = 1;
            } else if (p->data[0] == TP_CTS && pct(70)) {
                p->data[1] = static_cast<uint8_t>(rng() % 20);
                p->data[2] = static_cast<uint8_t>(rng() % 12);
            }
        } else {
            p->id = buildIDfromPGN(static_cast<uint8_t>(rng() % 8), PGN_TP_DT, sa, da);
            if (pct(60) && packets > 0) { // the next packet of it, in order
                p->data[0] = next[sa];
                if (next[sa]++ == packets) packets = 0;
            } else {
                p->data[0] = pct(70) ? static_cast<uint8_t>(rng() % 20) : byte();
            }
        }
        return p;
    }
    bool pct(unsigned n) { return rng() % 100 < n; }
    uint8_t byte() { return static_cast<uint8_t>(rng()); }
    std::mt19937 rng;

private:
    uint8_t announced[256] = {}, next[256] = {};
};

void passAt(J1939TestBus& j, uint64_t advanceNs) {
    hostClockAdvanceNs(advanceNs);
    platformNoteActivity(); // no idle wait: the test moves the clock
    j.pass();
}
} // namespace

TEST(TpFuzzTest, AMillionRandomTransportFramesLeaveNothingBehind) {
    J1939TestBus j; // its peer sees what the display sends
    TestMsg low(PropA, 0, 0, J1939cfgListed | J1939cfgFiltered);
    TestMsg high(PropA, 0, 0, J1939cfgListed | J1939cfgFiltered);
    low.acceptFirstByte = 0x00;
    high.acceptFirstByte = 0xFF;
    TestMsg fromOne(PropA, 0, 0, J1939cfgListed | J1939cfgSrcSpecific);
    TestMsg bcast(Bcast, 0, 0, J1939cfgListed);
    TestMsg anyPropA(PropA, 0, 0, J1939cfgListed);
    J1939module one(FirstSource + 1, "one", false, J1939NAME(), J1939NAME(true, 0xFF));
    CANbusMgr.registerMsg(&anyPropA, &Module_na, &Display);
    CANbusMgr.registerMsg(&fromOne, &one, &Display);
    CANbusMgr.registerMsg(&low, &Module_na, &Display);
    CANbusMgr.registerMsg(&high, &Module_na, &Display);
    CANbusMgr.registerMsg(&bcast, &Module_na, &Display);
    TestMsg longOut(PropA, 6, 100, J1939cfgListed | J1939cfgTx);
    TestMsg bamOut(Bcast, 6, 30, J1939cfgListed | J1939cfgTx);
    CANbusMgr.registerMsg(&longOut, &Display, &Module_na);
    CANbusMgr.registerMsg(&bamOut, &Display, &AllModules);
    j.runFor(10);
    unsigned pkts = CANpkt::pool.blocksInUse();

    Fuzzer fuzz(20240611);
    constexpr int Frames = 1000000;
    for (int i = 0; i < Frames;) {
        for (int k = 0; k < RxFramesPerPass && i < Frames; ++k, ++i)
            simCANrx(fuzz.frame());
        if (i % 4000 == 0) {
            longOut.transmit(static_cast<uint8_t>(FirstSource + fuzz.rng() % Sources));
            bamOut.transmit(OwnDA);
        }
        passAt(j, 2200000); // about four frame times: the bus keeps up with the answers
    }
    // Ends: receptions and transfers time out; broadcasts, which have no timer, end at a
    // packet out of sequence.
    for (int t = 0; t < 3000; ++t)
        passAt(j, 1000000);
    for (J1939_TPsession* s = CANbusMgr.bamRxSessions; s != nullptr; s = s->nextSession)
        simCANrx(new CANpkt(buildIDfromPGN(7, PGN_TP_DT, s->keySA(), 255), 0, 0, 0, 0, 0, 0, 0, 0));
    for (int t = 0; t < 1000; ++t)
        passAt(j, 1000000);

    EXPECT_EQ(EmulatedRxFIFO.head, nullptr);
    expectTransportIdle(pkts);
    EXPECT_FALSE(longOut.txBusy);
    EXPECT_FALSE(bamOut.txBusy);
    unsigned long cts = 0, aborts = 0, acks = 0;
    for (const CanWireFrame& f : j.peer.received) {
        ASSERT_TRUE(saOf(f) == Me && f.extended) << std::hex << f.id;
        cts += isCM(f, TP_CTS);
        aborts += isCM(f, TP_Abort);
        acks += isCM(f, TP_EndOfMsgACK);
    }
    // The fuzzer reached the interesting places.
    size_t delivered = 0;
    for (TestMsg* m : {&low, &high, &fromOne, &bcast, &anyPropA})
        delivered += m->receivedData.size();
    EXPECT_GT(delivered, 100u);
    EXPECT_GT(cts, 1000u);
    EXPECT_GT(aborts, 1000u);
    EXPECT_GT(acks, 100u);
    EXPECT_GT(longOut.count(TPtxAckedEvent) + longOut.count(TPfailedEvent), 100);
    for (const auto& d : anyPropA.receivedData) {
        EXPECT_GE(d.size(), 9u);
        EXPECT_LE(d.size(), 1785u);
    }
}
