// The emulated controller at register level, as a driver other than ours would see it.
#include <gtest/gtest.h>

#include <vector>

#include "platform/can_regs.h"
#include "platform/host/can/sja1000_emu.h"
#include "platform/host/host_clock.h"
#include "tests/support/can_test_bus.h"

namespace {
// Records what the controller asks of its bus side.
struct Link : CanControllerLink {
    int requests = 0, withdrawals = 0;
    void txRequested() override { ++requests; }
    void txWithdrawn() override { ++withdrawals; }
};

class EmulatorTest : public ::testing::Test {
protected:
    EmulatedSJA1000 c;
    Link link;

    void SetUp() override {
        hostClockSetHalfMs(2000);
        c.setLink(&link);
        c.write(SJA_CDR, 0xC7);
        c.write(SJA_MOD, 0x09);
        // Accept everything.
        for (unsigned i = 0; i < 4; ++i) {
            c.write(SJA_ACR0 + i, 0);
            c.write(SJA_AMR0 + i, 0xFF);
        }
        c.write(SJA_BTR0, 0x02);
        c.write(SJA_BTR1, 0x23);
        c.write(SJA_MOD, 0x08);
    }
};

TEST_F(EmulatorTest, ReceiveFifoWrapsAroundItsSixtyFourBytes) {
    // Frames of 13, 3 and 8 bytes in turn walk the start address around the memory.
    for (uint32_t n = 0; n < 60; ++n) {
        CanWireFrame f =
            n % 3 == 0   ? extFrame(0x1ABCDE00 + n, {1, 2, 3, 4, 5, 6, 7, static_cast<uint8_t>(n)})
            : n % 3 == 1 ? stdFrame(0x700 + n, {})
                         : stdFrame(0x100 + n, {static_cast<uint8_t>(n), 9, 8, 7, 6});
        c.frameFromBus(f, 0);
        c.frameFromBus(f, 0); // two at a time in the FIFO
        ASSERT_EQ(c.read(SJA_RMC), 2);
        for (int k = 0; k < 2; ++k) {
            ASSERT_TRUE(c.read(SJA_SR) & SJA_SR_RBS);
            EXPECT_EQ(readRxHead(c), f) << n;
            c.write(SJA_CMR, SJA_CMR_RRB);
        }
        EXPECT_FALSE(c.read(SJA_SR) & SJA_SR_RBS);
    }
    EXPECT_EQ(c.framesOverrun, 0u);
}

TEST_F(EmulatorTest, OverrunKeepsTheStoredFramesAndClearsOnCommand) {
    for (uint32_t n = 0; n < 6; ++n)
        c.frameFromBus(extFrame(0x100 + n, {1, 2, 3, 4, 5, 6, 7, 8}), 0);
    EXPECT_EQ(c.read(SJA_RMC), 4);
    EXPECT_EQ(c.framesOverrun, 2u);
    EXPECT_TRUE(c.read(SJA_SR) & SJA_SR_DOS);
    EXPECT_EQ(readRxHead(c).id, 0x100u);
    c.write(SJA_CMR, SJA_CMR_RRB | SJA_CMR_CDO);
    EXPECT_FALSE(c.read(SJA_SR) & SJA_SR_DOS);
    EXPECT_EQ(readRxHead(c).id, 0x101u);
    // Short frames still fit where a long one did not.
    c.frameFromBus(stdFrame(0x10, {}), 0);
    EXPECT_EQ(c.read(SJA_RMC), 4);
}

TEST_F(EmulatorTest, SingleFilterOnExtendedAndStandardFrames) {
    // Acceptance code and mask registers are written in reset mode.
    auto filter = [&](const std::vector<unsigned char>& acr,
                      const std::vector<unsigned char>& amr) {
        c.write(SJA_MOD, 0x09);
        for (unsigned i = 0; i < 4; ++i) {
            c.write(16 + i, acr[i]);
            c.write(20 + i, amr[i]);
        }
        c.write(SJA_MOD, 0x08);
    };
    // Extended: identifier 0x18EF80xx, left-aligned in the four registers; the mask frees the
    // source address and keeps the RTR bit (bit 2 of the last byte) clear: data frames only.
    filter({0xC7, 0x7C, 0x00, 0x00}, {0x00, 0x00, 0x07, 0xFB});
    c.frameFromBus(extFrame(0x18EF8025, {1}), 0);
    c.frameFromBus(extFrame(0x18EF8125, {1}), 0);
    CanWireFrame remote = extFrame(0x18EF8025, {});
    remote.rtr = true;
    c.frameFromBus(remote, 0);
    EXPECT_EQ(c.framesAccepted, 1u);
    EXPECT_EQ(c.framesFiltered, 2u);

    // Standard: identifier 0x123 and a first data byte of 0x55; the second byte is free.
    filter({0x123 >> 3, (0x123 << 5) & 0xE0, 0x55, 0}, {0, 0x0F, 0, 0xFF});
    c.frameFromBus(stdFrame(0x123, {0x55, 1}), 0);
    c.frameFromBus(stdFrame(0x123, {0x56, 1}), 0);
    c.frameFromBus(stdFrame(0x122, {0x55, 1}), 0);
    c.frameFromBus(stdFrame(0x123, {}), 0); // no data byte to compare
    EXPECT_EQ(c.read(SJA_RMC), 2);
}

TEST_F(EmulatorTest, TransmitBufferIsLockedWhilePendingAndAbortWithdraws) {
    writeTxFrame(c, extFrame(0x18FF0001, {0x11}));
    EXPECT_EQ(link.requests, 1);
    EXPECT_EQ(c.read(SJA_SR) & (SJA_SR_TBS | SJA_SR_TCS), 0);
    c.write(21, 0x99); // ignored: the buffer is locked
    CanWireFrame f;
    ASSERT_TRUE(c.pendingTx(&f));
    EXPECT_EQ(f.data[0], 0x11);
    c.write(SJA_CMR, SJA_CMR_AT);
    EXPECT_EQ(link.withdrawals, 1);
    EXPECT_FALSE(c.pendingTx(&f));
    EXPECT_EQ(c.read(SJA_SR) & (SJA_SR_TBS | SJA_SR_TCS), SJA_SR_TBS); // free, not complete
    // Once on the bus a frame cannot be withdrawn; completion lowers the error count.
    c.write(SJA_MOD, 0x09);
    c.write(SJA_TXERR, 10);
    c.write(SJA_MOD, 0x08);
    c.write(SJA_CMR, SJA_CMR_TR);
    c.txStarted();
    EXPECT_TRUE(c.read(SJA_SR) & SJA_SR_TS);
    c.write(SJA_CMR, SJA_CMR_AT);
    ASSERT_TRUE(c.pendingTx(&f));
    c.txCompleted(0);
    EXPECT_EQ(c.read(SJA_SR) & (SJA_SR_TBS | SJA_SR_TCS | SJA_SR_TS), SJA_SR_TBS | SJA_SR_TCS);
    EXPECT_EQ(c.read(SJA_TXERR), 9);
}

TEST_F(EmulatorTest, ErrorStatusBusOffAndTimedRecovery) {
    c.setErrorCounters(95, 0);
    EXPECT_FALSE(c.read(SJA_SR) & SJA_SR_ES);
    c.setErrorCounters(96, 0);
    EXPECT_TRUE(c.read(SJA_SR) & SJA_SR_ES);
    // Receiving without error takes a passive receive count back below 128 at once.
    c.setErrorCounters(0, 200);
    c.frameFromBus(stdFrame(1, {}), 0);
    EXPECT_EQ(c.read(SJA_RXERR), 119);

    // Writing 255 to TXERR in reset mode forces bus-off, as on the chip.
    c.write(SJA_MOD, 0x09);
    c.write(SJA_TXERR, 255);
    EXPECT_EQ(c.read(SJA_SR) & (SJA_SR_BS | SJA_SR_ES), SJA_SR_BS | SJA_SR_ES);
    EXPECT_EQ(c.read(SJA_TXERR), 127);
    EXPECT_TRUE(c.read(SJA_MOD) & SJA_MOD_RM);
    c.frameFromBus(stdFrame(1, {}), 0);
    EXPECT_EQ(c.read(SJA_RMC), 0); // not on the bus
    uint64_t t0 = hostClockNowNs();
    c.write(SJA_MOD, 0x08);
    EXPECT_FALSE(c.read(SJA_MOD) & SJA_MOD_RM); // recovery runs in operating mode
    uint64_t recovery = 128 * 11 * 4000;        // 5.632 ms at 250 kbit/s
    EXPECT_EQ(c.advance(t0 + recovery - 1), t0 + recovery);
    EXPECT_TRUE(c.busOff());
    c.advance(t0 + recovery);
    EXPECT_FALSE(c.busOff());
    EXPECT_EQ(c.read(SJA_SR) & (SJA_SR_BS | SJA_SR_ES), 0);
    EXPECT_EQ(c.read(SJA_TXERR), 0);
}

// Waiting for the link's restart is also driven through the socket transport's error frames.
TEST_F(EmulatorTest, RecoveryByTheLinkWaitsForItsRestart) {
    c.setRecoveryByLink(true);
    c.enterBusOff();
    c.write(SJA_MOD, 0x08);
    EXPECT_EQ(c.advance(hostClockNowNs() + 1000000000), UINT64_MAX);
    // A restart reported before the driver lets go of reset ends bus-off as it does.
    c.enterBusOff();
    c.busOffRecovered();
    EXPECT_TRUE(c.busOff());
    c.write(SJA_MOD, 0x08);
    EXPECT_FALSE(c.busOff());
}

TEST_F(EmulatorTest, InterruptFlagsOnlyWhenEnabledAndClearedByReading) {
    c.frameFromBus(stdFrame(1, {}), 0);
    EXPECT_EQ(c.read(SJA_IR), 0);
    c.write(SJA_IER, SJA_IR_RI | SJA_IR_DOI);
    EXPECT_EQ(c.read(SJA_IR), SJA_IR_RI); // receive flag follows the FIFO
    c.forceDataOverrun();
    EXPECT_EQ(c.read(SJA_IR), SJA_IR_RI | SJA_IR_DOI);
    EXPECT_EQ(c.read(SJA_IR), SJA_IR_RI);
    c.write(SJA_CMR, SJA_CMR_RRB);
    EXPECT_EQ(c.read(SJA_IR), 0);
}

TEST_F(EmulatorTest, ResetModeHidesTheBufferAndShowsTheFilter) {
    c.frameFromBus(stdFrame(0x7FF, {1}), 0);
    c.write(SJA_MOD, 0x09);
    EXPECT_EQ(c.read(SJA_RMC), 0); // entering reset empties the FIFO
    EXPECT_EQ(c.read(16), 0);      // ACR0
    EXPECT_EQ(c.read(20), 0xFF);   // AMR0
    EXPECT_EQ(c.read(SJA_CMR), 0xFF);
    EXPECT_EQ(c.read(200), 0xFF); // outside the window
    c.write(200, 1);              // ignored
    // Frame registers past the filter are not configuration: writing them in reset mode
    // changes nothing, the transmit buffer included.
    for (unsigned r = 24; r < 29; ++r)
        c.write(r, 0x88);
    EXPECT_EQ(c.read(24), 0);
    c.write(SJA_MOD, 0x08);
    c.write(SJA_CMR, SJA_CMR_TR);
    CanWireFrame f;
    ASSERT_TRUE(c.pendingTx(&f));
    EXPECT_FALSE(f.extended);
    EXPECT_EQ(f.dlc, 0);
}
} // namespace
