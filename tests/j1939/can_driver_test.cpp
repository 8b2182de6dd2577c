// The driver against the emulated controller on the virtual bus: bank probing and selection,
// start-up, filter, transmit FIFO with destination retargeting, the receive hook, the health
// machine, and overruns counted when the receiver does not keep up.
#include <gtest/gtest.h>

#include <utility>

#include "j1939/can_frame.h"
#include "j1939/driver/can_driver.h"
#include "j1939/j1939_id.h"
#include "platform/can_regs.h"
#include "platform/host/can/host_can.h"
#include "platform/platform.h"
#include "tests/support/can_test_bus.h"

namespace {
typedef std::pair<bool, int> Health; // basicCANdriverBusOK(), CAN_BusState
constexpr uint32_t ModuleId = 0x18EFFA25;

// The module's frame n: n in bytes 0..2, and n * 7 in byte 7.
CanWireFrame numbered(uint32_t n) {
    return extFrame(ModuleId, {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8),
                               static_cast<uint8_t>(n >> 16), 0xA5, 0x5A, 0x00, 0xFF,
                               static_cast<uint8_t>(n * 7)});
}

class DriverTest : public ::testing::Test {
protected:
    CanTestBus can;
    RecordingNode node; // the module
    EmulatedSJA1000& sja = hostCanController();

    void SetUp() override {
        ASSERT_NE(can.bus, nullptr);
        can.bus->attach(&node);
        basicCANdriverInit(0, 0xFFFFFFFF);
    }
    void TearDown() override { can.bus->detach(&node); }

    // The node sends f and waits until it has gone out and, unless dropped, come in.
    void nodeSends(const CanWireFrame& f) {
        node.send(f);
        can.runUntil([&] { return node.queued() == 0; }, 100);
        can.runUntil([] { return EmulatedRxFIFO.head != nullptr; }, 20);
    }
    // Takes (and frees) what the driver's receive queue holds.
    std::vector<CanWireFrame> received() {
        std::vector<CanWireFrame> v;
        while (CANframe* f = basicCANdriverGetRxMsg()) {
            CanWireFrame w;
            w.id = f->id;
            w.extended = f->extended != 0;
            w.dlc = f->dlc;
            std::copy(f->data, f->data + 8, w.data);
            v.push_back(w);
            freeCANframe(f);
        }
        return v;
    }
    // Passes, servicing the transmit FIFO, until the node has n frames.
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
    Health health() { return {basicCANdriverBusOK(), CAN_BusState}; }
};

TEST_F(DriverTest, StartPutsTheControllerInPeliCanSingleFilterOperation) {
    EXPECT_EQ(_readCANreg(SJA_MOD), 0x08); // running, single filter
    EXPECT_EQ(_readCANreg(SJA_CDR), 0xC7); // PeliCAN
    EXPECT_EQ(sja.bitTimeNs(), 4000u);     // 250 kbit/s with the board's 12 MHz clock
    EXPECT_EQ(_readCANreg(SJA_OCR), 0xDA);
    EXPECT_EQ(_readCANreg(SJA_IER), 0); // polled
    EXPECT_EQ(RTdriverHookService, &serviceCANdriverRxQ_RThook);
    EXPECT_TRUE(basicCANdriverBusOK());
}

TEST_F(DriverTest, FilterAcceptsOnlyMatchingIdentifiers) {
    // PGN 0xEF00 to 0x80 from anyone at any priority.
    basicCANdriverInit(0x00EF8000, 0x1C0000FF);
    for (uint32_t id : {0x18EF80FAu, 0x18EF81FAu, 0x0CEF8025u, 0x18FECAFAu})
        nodeSends(extFrame(id, {1}));
    std::vector<CanWireFrame> got = received();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].id, 0x18EF80FAu);
    EXPECT_EQ(got[1].id, 0x0CEF8025u);
    // Remote frames pass the filter but carry no data for J1939: dropped and counted, and
    // the frame behind them in the controller arrives whole.
    CanWireFrame r = extFrame(0x18EF80FA, {});
    r.rtr = true;
    r.dlc = 8;
    node.send(r);
    nodeSends(extFrame(0x18EF80FA, {9, 8, 7}));
    got = received();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0], extFrame(0x18EF80FA, {9, 8, 7}));
    EXPECT_EQ(SJA1000_remoteFrameCount, 1);
}

TEST_F(DriverTest, DaXorRetargetsOnlyTheDestinationByte) {
    CANpkt p(0x18EF28FA, 1, 2, 3, 4, 5, 6, 7, 8);
    ASSERT_TRUE(basicCANdriverTxMsg(&p, 0x25));
    ASSERT_TRUE(nodeGets(1));
    EXPECT_EQ(node.received[0].id, 0x18EF0DFAu); // 0x28 ^ 0x25
    EXPECT_EQ(p.id, 0x18EF28FAu);                // the shared packet is unchanged
    EXPECT_EQ(node.received[0].dlc, 8);
    EXPECT_EQ(node.received[0].data[7], 8);
}

TEST_F(DriverTest, FourSlotsThenTheFifthWaitsAndFramesLeaveInOrder) {
    CANpkt p[5];
    for (uint8_t i = 0; i < 5; ++i) {
        p[i].id = 0x18FF0000u + i;
        p[i].dlc = 1;
        p[i].data[0] = i;
    }
    // No pass runs meanwhile, so the controller stays busy with the first.
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(basicCANdriverTxReady());
        EXPECT_TRUE(basicCANdriverTxMsg(&p[i], 0));
    }
    EXPECT_FALSE(basicCANdriverTxReady());
    EXPECT_FALSE(basicCANdriverTxMsg(&p[4], 0)); // refused, nothing overwritten
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
    EXPECT_EQ(done, (std::vector<CANframe*>{&p[1], &p[2], &p[3]}));
    // In order, each as soon as the previous one had ended: the bus never idles meanwhile.
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(node.received[i].data[0], i);
    for (int i = 1; i < 4; ++i)
        EXPECT_EQ(node.receivedAt[i] - node.receivedAt[i - 1],
                  can.bus->frameTimeNs(node.received[i]));
}

TEST_F(DriverTest, HookTakesAtMostFourFramesPerCall) {
    // Six short standard frames fit the controller's 64-byte FIFO together.
    RTdriverHookService = nullptr; // nobody drains while they arrive
    for (uint8_t i = 0; i < 6; ++i)
        node.send(stdFrame(0x100u + i, {i}));
    can.runUntil([&] { return node.queued() == 0; }, 50);
    ASSERT_EQ(sja.rxFifoFrames(), 6u);
    serviceCANdriverRxQ_RThook();
    std::vector<CanWireFrame> got = received();
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(sja.rxFifoFrames(), 2u);
    for (uint8_t i = 0; i < 4; ++i)
        EXPECT_EQ(got[i], stdFrame(0x100u + i, {i}));
    serviceCANdriverRxQ_RThook();
    EXPECT_EQ(received().size(), 2u);
    EXPECT_EQ(SJA1000_dataOverRunCount, 0);
}

TEST_F(DriverTest, LengthCodeAboveEightIsDroppedButReleased) {
    CanWireFrame odd = extFrame(0x18FF0001, {1, 2, 3, 4, 5, 6, 7, 8});
    odd.dlc = 12;
    node.send(odd);
    nodeSends(extFrame(0x18FF0002, {9}));
    std::vector<CanWireFrame> got = received();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].id, 0x18FF0002u);
    EXPECT_EQ(sja.rxFifoFrames(), 0u);
}

// The health machine: error passive (1) is healthy again (2) only after a frame each way or
// once the error status has gone (0); bus-off (3) recovers (4) and then needs the same.
TEST_F(DriverTest, ErrorPassiveIsHealthyAgainOnlyAfterOneFrameEachWay) {
    sja.setErrorCounters(130, 0);
    EXPECT_EQ(health(), Health(false, 1));
    sja.setErrorCounters(100, 0); // warning level: error status still set
    EXPECT_EQ(health(), Health(false, 1));
    nodeSends(extFrame(0x18FF0001, {1}));
    EXPECT_TRUE(CAN_RxOK);
    EXPECT_EQ(health(), Health(false, 1)); // received, but nothing sent yet
    CANpkt p(0x18FF0102, 0, 0, 0, 0, 0, 0, 0, 0);
    ASSERT_TRUE(basicCANdriverTxMsg(&p, 0));
    ASSERT_TRUE(nodeGets(1));
    EXPECT_EQ(health(), Health(true, 2)); // still warning level, healthy
    sja.setErrorCounters(0, 140);         // passive on receive errors: back to 1
    EXPECT_EQ(health(), Health(false, 1));
    EXPECT_FALSE(CAN_RxOK);
    sja.setErrorCounters(0, 0); // error status gone without traffic
    EXPECT_EQ(health(), Health(true, 0));
    received();
}

TEST_F(DriverTest, BusOffRecoversAndNeedsOneFrameEachWay) {
    CANpkt p(0x18FF0102, 0, 0, 0, 0, 0, 0, 0, 0);
    sja.enterBusOff();
    EXPECT_EQ(health(), Health(false, 3));
    // The evaluation let the controller out of reset: recovery takes 128 x 11 bit times.
    EXPECT_EQ(_readCANreg(SJA_MOD) & SJA_MOD_RM, 0);
    ASSERT_TRUE(basicCANdriverTxMsg(&p, 0)); // cannot go out while bus-off
    can.runUntil([] { return false; }, 5);   // 5 ms < 5.632 ms
    EXPECT_EQ(health(), Health(false, 3));
    EXPECT_TRUE(node.received.empty());
    can.runUntil([&] { return !sja.busOff(); }, 5);
    EXPECT_EQ(health(), Health(false, 4));
    // The waiting frame goes out now; still not healthy until one frame came in.
    ASSERT_TRUE(nodeGets(1));
    EXPECT_FALSE(basicCANdriverBusOK());
    nodeSends(extFrame(0x18FF0001, {1}));
    EXPECT_EQ(health(), Health(true, 0));
    received();
}

TEST_F(DriverTest, AReceiverThatDoesNotKeepUpSeesOverrunsCounted) {
    constexpr uint32_t N = 20;
    RTdriverHookService = nullptr; // the hook is not serviced during the module's burst
    for (uint32_t n = 0; n < N; ++n)
        node.send(numbered(n));
    can.runUntil([&] { return node.sentAt.size() == N; }, 100);
    // Four 8-byte extended frames fill the 64-byte FIFO; the rest were lost.
    EXPECT_EQ(sja.rxFifoFrames(), 4u);
    EXPECT_EQ(sja.framesOverrun, N - 4);
    RTdriverHookService = serviceCANdriverRxQ_RThook;
    can.runUntil([] { return false; }, 20);
    std::vector<CanWireFrame> got = received();
    ASSERT_EQ(got.size(), 4u);
    for (uint32_t n = 0; n < 4; ++n)
        EXPECT_EQ(got[n], numbered(n));     // the first four, whole
    EXPECT_EQ(SJA1000_dataOverRunCount, 1); // one overrun episode, cleared on release
}
TEST(CanBankTest, ProbeRecognisesEveryRegisterSetAndLeavesTheControllerWorking) {
    CanTestBus can;
    char c = 0;
    // The controller at power-on (reset, BasicCAN layout): switched to PeliCAN by the probe.
    EXPECT_EQ(determineCANbank(&c), 0);
    EXPECT_EQ(c, 'b');
    EXPECT_EQ(_readCANreg(SJA_CDR), 0xC7);
    basicCANdriverInit(0, 0xFFFFFFFF);
    EXPECT_EQ(determineCANbank(&c), 0);
    EXPECT_EQ(c, 'f'); // running
    EXPECT_EQ(_readCANreg(SJA_CDR), 0xC7);
    EXPECT_EQ(_readCANreg(SJA_MOD), 0x08);
    // Running in the BasicCAN layout, where the layout bit cannot change outside reset.
    _writeCANreg(SJA_MOD, 0x09);
    _writeCANreg(SJA_CDR, 0x00);
    _writeCANreg(SJA_MOD, 0x00);
    EXPECT_EQ(determineCANbank(&c), 2);
    EXPECT_EQ(c, 'c');
    basicCANdriverInit(0, 0xFFFFFFFF);

    // After all the probing the controller still carries frames.
    RecordingNode node;
    can.bus->attach(&node);
    node.send(extFrame(0x18FF0025, {1, 2}));
    can.runUntil([] { return EmulatedRxFIFO.head != nullptr; }, 20);
    CANframe* f = basicCANdriverGetRxMsg();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->id, 0x18FF0025u);
    freeCANframe(f);
    can.bus->detach(&node);
}

TEST(CanBankTest, SelectionIsVerifiedAndUnexpectedOrUnreachableBanksAreReported) {
    CanTestBus can;
    auto select = [](unsigned char bank, unsigned char expected) {
        testing::internal::CaptureStdout();
        setCAN_BANK(bank, expected);
        return testing::internal::GetCapturedStdout();
    };
    _writeCANbankReg(2);
    EXPECT_EQ(select(0, 1), "set CAN bank 0 -- expecting 1 but is 2 (case e)\n");
    EXPECT_EQ(_readCANbankReg(), 0);
}
} // namespace
