// The driver against the emulated controller on the virtual bus: start-up, filter,
// transmit FIFO with destination retargeting, the receive hook and the health machine.
#include <gtest/gtest.h>

#include "j1939/can_frame.h"
#include "j1939/driver/can_driver.h"
#include "j1939/j1939_id.h"
#include "platform/can_regs.h"
#include "platform/host/can/host_can.h"
#include "platform/platform.h"
#include "tests/support/can_test_bus.h"

namespace {
class DriverTest : public ::testing::Test {
protected:
    CanTestBus can;
    RecordingNode node;
    EmulatedSJA1000& sja = hostCanController();

    void SetUp() override {
        ASSERT_NE(can.bus, nullptr);
        can.bus->attach(&node);
        basicCANdriverInit(0, 0xFFFFFFFF);
    }
    void TearDown() override { can.bus->detach(&node); }

    // Sends from the test node and waits until it has gone out.
    void nodeSends(const CanWireFrame& f) {
        node.send(f);
        can.runUntil([&] { return node.queued() == 0; }, 100);
    }
    // Drains the driver's receive queue.
    std::vector<CANframe*> received() {
        std::vector<CANframe*> v;
        while (CANframe* f = basicCANdriverGetRxMsg())
            v.push_back(f);
        return v;
    }
    // Passes until the node has n frames.
    bool nodeGets(size_t n) {
        return can.runUntil(
            [&] {
                basicCANdriverServiceTxFIFO();
                while (basicCANdriverGetTxDone() != nullptr) {
                }
                return node.received.size() >= n;
            },
            100);
    }
};

TEST_F(DriverTest, StartPutsTheControllerInPeliCanSingleFilterOperation) {
    EXPECT_EQ(_readCANreg(SJA_MOD), 0x08); // running, single filter
    EXPECT_EQ(_readCANreg(SJA_CDR), 0xC7);
    EXPECT_EQ(_readCANreg(SJA_BTR0), 0x02);
    EXPECT_EQ(_readCANreg(SJA_BTR1), 0x23);
    EXPECT_EQ(_readCANreg(SJA_OCR), 0xDA);
    EXPECT_EQ(_readCANreg(SJA_IER), 0);
    EXPECT_EQ(sja.bitTimeNs(), 4000u); // 250 kbit/s with the board's 12 MHz clock
    EXPECT_EQ(RTdriverHookService, &serviceCANdriverRxQ_RThook);
    EXPECT_TRUE(basicCANdriverBusOK());
}

TEST_F(DriverTest, FilterAcceptsOnlyMatchingIdentifiers) {
    // PGN 0xEF00 to 0x80 from anyone at any priority.
    basicCANdriverInit(buildIDfromPGN(0, 0xEF00, 0, 0x80), 0x1C0000FF);
    nodeSends(extFrame(0x18EF80FA, {1}));
    nodeSends(extFrame(0x18EF81FA, {2})); // another destination
    nodeSends(extFrame(0x0CEF8025, {3}));
    nodeSends(extFrame(0x18FECAFA, {4})); // another PGN
    can.runUntil([] { return EmulatedRxFIFO.head != nullptr && EmulatedRxFIFO.head->rxNext; }, 20);
    std::vector<CANframe*> got = received();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0]->id, 0x18EF80FAu);
    EXPECT_EQ(got[1]->id, 0x0CEF8025u);
    EXPECT_EQ(sja.framesFiltered, 2u);
    for (CANframe* f : got)
        freeCANframe(f);
    // Remote frames pass the filter too.
    CanWireFrame r = extFrame(0x18EF80FA, {});
    r.rtr = true;
    nodeSends(r);
    can.runUntil([] { return EmulatedRxFIFO.head != nullptr; }, 20);
    got = received();
    ASSERT_EQ(got.size(), 1u);
    freeCANframe(got[0]);
}

TEST_F(DriverTest, DaXorRetargetsOnlyTheDestinationByte) {
    CANpkt p(0x18EF28FA, 1, 2, 3, 4, 5, 6, 7, 8);
    ASSERT_TRUE(basicCANdriverTxMsg(&p, 0x25));
    ASSERT_TRUE(nodeGets(1));
    EXPECT_EQ(node.received[0].id, 0x18EF0DFAu); // 0x28 ^ 0x25
    EXPECT_EQ(p.id, 0x18EF28FAu);                // the shared packet is unchanged
    EXPECT_EQ(node.received[0].dlc, 8);
    EXPECT_EQ(node.received[0].data[7], 8);
    // 11-bit frames are written as they are.
    CANpkt s;
    s.extended = 0;
    s.id = 0x123;
    s.dlc = 2;
    s.data[0] = 0xAB;
    ASSERT_TRUE(basicCANdriverTxMsg(&s, 0x25));
    ASSERT_TRUE(nodeGets(2));
    EXPECT_FALSE(node.received[1].extended);
    EXPECT_EQ(node.received[1].id, 0x123u);
    EXPECT_EQ(node.received[1].data[0], 0xAB);
}

TEST_F(DriverTest, FourSlotsThenTheFifthWaitsAndFramesLeaveInOrder) {
    CANpkt p[5];
    for (int i = 0; i < 5; ++i) {
        p[i].id = 0x18FF0000u + static_cast<uint32_t>(i);
        p[i].dlc = 1;
        p[i].data[0] = static_cast<uint8_t>(i);
    }
    // No pass runs meanwhile, so the controller stays busy with the first.
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(basicCANdriverTxReady());
        EXPECT_TRUE(basicCANdriverTxMsg(&p[i], 0));
    }
    EXPECT_FALSE(basicCANdriverTxReady());
    testing::internal::CaptureStdout();
    EXPECT_FALSE(basicCANdriverTxMsg(&p[4], 0)); // refused, nothing overwritten
    EXPECT_NE(testing::internal::GetCapturedStdout().find("full"), std::string::npos);
    // Handed over means reported done: the first at once, the others as the buffer frees.
    EXPECT_EQ(basicCANdriverGetTxDone(), &p[0]);
    EXPECT_EQ(basicCANdriverGetTxDone(), nullptr);
    EXPECT_TRUE(basicCANdriverTxReady());
    std::vector<CANframe*> done;
    can.runUntil(
        [&] {
            basicCANdriverServiceTxFIFO();
            while (CANframe* f = basicCANdriverGetTxDone())
                done.push_back(f);
            return node.received.size() == 4;
        },
        50);
    ASSERT_EQ(node.received.size(), 4u);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(node.received[i].data[0], i);
    EXPECT_EQ(done, (std::vector<CANframe*>{&p[1], &p[2], &p[3]}));
    // Each frame left only after the previous one had ended.
    for (int i = 1; i < 4; ++i)
        EXPECT_GE(node.receivedAt[i] - node.receivedAt[i - 1],
                  can.bus->frameTimeNs(node.received[i]));
}

TEST_F(DriverTest, HookTakesAtMostFourFramesPerCall) {
    // Six short standard frames fit the controller's 64-byte FIFO together.
    RTdriverHookService = nullptr; // nobody drains while they arrive
    for (int i = 0; i < 6; ++i)
        node.send(stdFrame(0x100 + static_cast<uint32_t>(i), {static_cast<uint8_t>(i)}));
    can.runUntil([&] { return node.queued() == 0; }, 50);
    ASSERT_EQ(sja.rxFifoFrames(), 6u);
    serviceCANdriverRxQ_RThook();
    std::vector<CANframe*> got = received();
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(sja.rxFifoFrames(), 2u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(got[i]->id, 0x100u + static_cast<uint32_t>(i));
        EXPECT_EQ(got[i]->extended, 0);
        EXPECT_EQ(got[i]->dlc, 1);
        EXPECT_EQ(got[i]->data[0], i);
        freeCANframe(got[i]);
    }
    serviceCANdriverRxQ_RThook();
    got = received();
    EXPECT_EQ(got.size(), 2u);
    for (CANframe* f : got)
        freeCANframe(f);
    EXPECT_EQ(SJA1000_dataOverRunCount, 0);
}

TEST_F(DriverTest, LengthCodeAboveEightIsDroppedButReleased) {
    CanWireFrame odd = extFrame(0x18FF0001, {1, 2, 3, 4, 5, 6, 7, 8});
    odd.dlc = 12;
    node.send(odd);
    node.send(extFrame(0x18FF0002, {9}));
    can.runUntil([] { return EmulatedRxFIFO.head != nullptr; }, 20);
    std::vector<CANframe*> got = received();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0]->id, 0x18FF0002u);
    EXPECT_EQ(got[0]->data[0], 9);
    EXPECT_EQ(sja.rxFifoFrames(), 0u);
    freeCANframe(got[0]);
}

TEST_F(DriverTest, HardwareReceptionOffDropsControllerFramesButNotSimulatedOnes) {
    basicCANdriverIsHW_RxAllowed = false;
    unsigned inUse = CANpkt::pool.blocksInUse();
    nodeSends(extFrame(0x18FF0001, {1}));
    can.runUntil([&] { return sja.rxFifoFrames() == 0; }, 20);
    EXPECT_EQ(sja.rxFifoFrames(), 0u); // read and released
    EXPECT_EQ(basicCANdriverGetRxMsg(), nullptr);
    EXPECT_EQ(CANpkt::pool.blocksInUse(), inUse); // and the frame freed
    simTPrx(TP_BAM, 20, 3, 0xFECA, 0x25, 0xFF);
    CANframe* f = basicCANdriverGetRxMsg();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->id, 0x1CECFF25u);
    EXPECT_EQ(f->data[0], TP_BAM);
    freeCANframe(f);
}

TEST_F(DriverTest, ErrorPassiveIsHealthyAgainOnlyAfterOneFrameEachWay) {
    EXPECT_TRUE(basicCANdriverBusOK());
    sja.setErrorCounters(130, 0);
    EXPECT_FALSE(basicCANdriverBusOK());
    EXPECT_EQ(CAN_BusState, 1);
    sja.setErrorCounters(100, 0); // warning level: error status still set
    EXPECT_FALSE(basicCANdriverBusOK());
    EXPECT_EQ(CAN_BusState, 1);

    nodeSends(extFrame(0x18FF0001, {1}));
    can.runUntil([] { return EmulatedRxFIFO.head != nullptr; }, 20);
    EXPECT_TRUE(CAN_RxOK);
    EXPECT_FALSE(basicCANdriverBusOK()); // received, but nothing sent yet
    CANpkt p(0x18FF0102, 0, 0, 0, 0, 0, 0, 0, 0);
    ASSERT_TRUE(basicCANdriverTxMsg(&p, 0));
    ASSERT_TRUE(nodeGets(1));
    EXPECT_TRUE(basicCANdriverBusOK());
    EXPECT_EQ(CAN_BusState, 2);
    EXPECT_TRUE(basicCANdriverBusOK()); // still warning level, healthy
    sja.setErrorCounters(130, 0);       // passive again: back to state 1
    EXPECT_FALSE(basicCANdriverBusOK());
    EXPECT_EQ(CAN_BusState, 1);
    EXPECT_FALSE(CAN_RxOK);
    sja.setErrorCounters(0, 0); // error status gone without traffic
    EXPECT_TRUE(basicCANdriverBusOK());
    EXPECT_EQ(CAN_BusState, 0);
    for (CANframe* f : received())
        freeCANframe(f);
}

TEST_F(DriverTest, ErrorPassiveThatClearsWithoutTrafficIsHealthy) {
    sja.setErrorCounters(0, 140);
    EXPECT_FALSE(basicCANdriverBusOK());
    sja.setErrorCounters(0, 0);
    EXPECT_TRUE(basicCANdriverBusOK());
    EXPECT_EQ(CAN_BusState, 0);
    // A passive transmit count alone counts too.
    sja.setErrorCounters(130, 0);
    EXPECT_FALSE(basicCANdriverBusOK());
    EXPECT_EQ(CAN_BusState, 1);
}

TEST_F(DriverTest, BusOffRecoversAndNeedsOneFrameEachWay) {
    CANpkt p(0x18FF0102, 0, 0, 0, 0, 0, 0, 0, 0);
    sja.enterBusOff();
    EXPECT_FALSE(basicCANdriverBusOK());
    EXPECT_EQ(CAN_BusState, 3);
    // The evaluation let the controller out of reset: recovery takes 128 x 11 bit times.
    EXPECT_EQ(_readCANreg(SJA_MOD) & SJA_MOD_RM, 0);
    ASSERT_TRUE(basicCANdriverTxMsg(&p, 0)); // cannot go out while bus-off
    can.runUntil([] { return false; }, 5);   // 5 ms < 5.632 ms
    EXPECT_FALSE(basicCANdriverBusOK());
    EXPECT_EQ(CAN_BusState, 3);
    EXPECT_TRUE(node.received.empty());
    can.runUntil([&] { return !sja.busOff(); }, 5);
    EXPECT_FALSE(basicCANdriverBusOK());
    EXPECT_EQ(CAN_BusState, 4);
    // The waiting frame goes out now; still not healthy until one frame came in.
    ASSERT_TRUE(nodeGets(1));
    EXPECT_FALSE(basicCANdriverBusOK());
    nodeSends(extFrame(0x18FF0001, {1}));
    can.runUntil([] { return EmulatedRxFIFO.head != nullptr; }, 20);
    EXPECT_TRUE(basicCANdriverBusOK());
    EXPECT_EQ(CAN_BusState, 0);
    for (CANframe* f : received())
        freeCANframe(f);
}

TEST_F(DriverTest, ResetBetweenFramesRestoresTheFilterAndKeepsTheFrame) {
    // A controller that dropped into reset: the transmit service restarts it first.
    _writeCANreg(SJA_MOD, SJA_MOD_RM);
    CANpkt p(0x18FF0102, 5, 0, 0, 0, 0, 0, 0, 0);
    ASSERT_TRUE(basicCANdriverTxMsg(&p, 0));
    EXPECT_EQ(_readCANreg(SJA_MOD), 0x08); // the health machine's unreset
    ASSERT_TRUE(nodeGets(1));
    EXPECT_EQ(node.received[0].data[0], 5);
    // Frames are still accepted: the filter is intact.
    nodeSends(extFrame(0x18FF0001, {1}));
    can.runUntil([] { return EmulatedRxFIFO.head != nullptr; }, 20);
    std::vector<CANframe*> got = received();
    EXPECT_EQ(got.size(), 1u);
    for (CANframe* f : got)
        freeCANframe(f);
}

TEST_F(DriverTest, SlowModeChangesAreRetriedAndCounted) {
    hostCanController().ignoreModeWrites(3);
    testing::internal::CaptureStdout();
    basicCANdriverReset();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "basicCANdriverReset cnt=4\n");
    EXPECT_EQ(_readCANreg(SJA_MOD), 0x09);
    hostCanController().ignoreModeWrites(1);
    testing::internal::CaptureStdout();
    basicCANdriverUnreset();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "basicCANdriverUnreset cnt=2\n");
    // A controller that never obeys: eleven writes, then the driver goes on.
    hostCanController().ignoreModeWrites(100);
    testing::internal::CaptureStdout();
    basicCANdriverReset();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "basicCANdriverReset cnt=11\n");
    hostCanController().ignoreModeWrites(0);
}
} // namespace
