// Sustained traffic through driver, emulated controller and virtual bus: nothing lost or
// reordered while the receiver keeps up, overruns counted when it does not.
#include <gtest/gtest.h>

#include "j1939/can_frame.h"
#include "j1939/driver/can_driver.h"
#include "platform/host/can/host_can.h"
#include "platform/host/host_clock.h"
#include "platform/platform.h"
#include "tests/support/can_test_bus.h"

namespace {
constexpr uint32_t DisplayId = 0x18EF25FA; // display to module
constexpr uint32_t ModuleId = 0x18EFFA25;  // module to display

CanWireFrame numbered(uint32_t id, uint32_t n) {
    return extFrame(id, {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8),
                         static_cast<uint8_t>(n >> 16), 0xA5, 0x5A, 0x00, 0xFF,
                         static_cast<uint8_t>(n * 7)});
}

uint32_t numberOf(const uint8_t* d) {
    return d[0] | d[1] << 8 | d[2] << 16;
}

// A module that sends its numbered frames as fast as the bus takes them.
class Flooder : public RecordingNode {
public:
    uint32_t toSend = 0;
    uint32_t next = 0;
    void topUp() {
        while (next < toSend && queued() < Capacity)
            send(numbered(ModuleId, next++));
    }
    void onSent(const CanWireFrame& f, uint64_t at) override {
        RecordingNode::onSent(f, at);
        topUp();
    }
};

class TrafficTest : public ::testing::Test {
protected:
    CanTestBus can;
    Flooder module;
    std::vector<uint32_t> displayGot;

    void SetUp() override {
        ASSERT_NE(can.bus, nullptr);
        can.bus->attach(&module);
        basicCANdriverInit(0, 0xFFFFFFFF);
    }
    void TearDown() override { can.bus->detach(&module); }

    void takeReceived() {
        while (CANframe* f = basicCANdriverGetRxMsg()) {
            EXPECT_EQ(f->id, ModuleId);
            EXPECT_EQ(f->dlc, 8);
            EXPECT_EQ(f->data[7], static_cast<uint8_t>(numberOf(f->data) * 7));
            displayGot.push_back(numberOf(f->data));
            freeCANframe(f);
        }
    }
    void takeUntil(size_t n, uint32_t maxMs) {
        can.runUntil(
            [&] {
                takeReceived();
                return displayGot.size() == n;
            },
            maxMs);
    }
};

TEST_F(TrafficTest, TenThousandFramesEachWayInOrderWithNoneLost) {
    constexpr uint32_t N = 10000;
    module.toSend = N;
    module.topUp();
    uint32_t displaySent = 0;
    unsigned pktsBefore = CANpkt::pool.blocksInUse();
    uint64_t t0 = hostClockNowNs();
    bool done = can.runUntil(
        [&] {
            // The display's side of a bus pass: fill the FIFO, collect what went and came.
            while (displaySent < N && basicCANdriverTxReady()) {
                CANframe* f = allocCANframe();
                f->id = DisplayId;
                f->dlc = 8;
                std::copy_n(numbered(DisplayId, displaySent++).data, 8, f->data);
                basicCANdriverTxMsg(f, 0);
            }
            basicCANdriverServiceTxFIFO();
            while (CANframe* f = basicCANdriverGetTxDone())
                freeCANframe(f);
            takeReceived();
            return displayGot.size() == N && module.received.size() == N;
        },
        60000);
    ASSERT_TRUE(done) << displayGot.size() << " / " << module.received.size();
    for (uint32_t i = 0; i < N; ++i) {
        ASSERT_EQ(displayGot[i], i);
        ASSERT_EQ(module.received[i].id, DisplayId);
        ASSERT_EQ(numberOf(module.received[i].data), i);
    }
    EXPECT_EQ(SJA1000_dataOverRunCount, 0);
    EXPECT_EQ(hostCanController().framesOverrun, 0u);
    EXPECT_EQ(CANpkt::pool.blocksInUse(), pktsBefore); // every frame came back to the pool
    EXPECT_LE(CANpkt::pool.blocksMade(), 16u);         // and the pool stayed small
    // Both directions shared one bus, which was hardly ever idle.
    EXPECT_EQ(can.bus->framesCarried, 2 * N);
    uint64_t elapsed = hostClockNowNs() - t0;
    printf("%u frames in %.3f s of bus time, busy %.2f %%\n", 2 * N, elapsed / 1e9,
           100.0 * static_cast<double>(can.bus->busyNs) / static_cast<double>(elapsed));
    EXPECT_GT(static_cast<double>(can.bus->busyNs), 0.98 * static_cast<double>(elapsed));
    EXPECT_TRUE(basicCANdriverBusOK());
}

TEST_F(TrafficTest, AReceiverThatDoesNotKeepUpSeesOverrunsCounted) {
    constexpr uint32_t N = 20;
    // The real-time hook is not serviced while the module sends its burst.
    RTdriverHookService = nullptr;
    module.toSend = N;
    module.topUp();
    can.runUntil([&] { return module.sentAt.size() == N; }, 100);
    EmulatedSJA1000& sja = hostCanController();
    // Four 8-byte extended frames fill the 64-byte FIFO; the rest were lost.
    EXPECT_EQ(sja.rxFifoFrames(), 4u);
    EXPECT_EQ(sja.framesOverrun, N - 4);
    RTdriverHookService = serviceCANdriverRxQ_RThook;
    takeUntil(4, 20);
    EXPECT_EQ(displayGot, (std::vector<uint32_t>{0, 1, 2, 3}));
    EXPECT_EQ(SJA1000_dataOverRunCount, 1); // one overrun episode, cleared on release
    // Once it keeps up again, nothing more is lost.
    module.toSend = N + 50;
    module.topUp();
    takeUntil(54, 200);
    ASSERT_EQ(displayGot.size(), 54u);
    for (uint32_t i = 0; i < 50; ++i)
        EXPECT_EQ(displayGot[4 + i], N + i);
    EXPECT_EQ(SJA1000_dataOverRunCount, 1);
}
} // namespace
