// SocketCAN without a CAN kernel: frame conversion, error frames driving the controller,
// and the transport's reading and writing over a socket pair standing in for the raw socket.
#include <gtest/gtest.h>

#include <csignal>

#include <cstring>
#include <linux/can/error.h>
#include <sys/socket.h>
#include <unistd.h>

#include "j1939/can_frame.h"
#include "j1939/driver/can_driver.h"
#include "platform/can_regs.h"
#include "platform/host/can/host_can.h"
#include "platform/host/can/socketcan_transport.h"
#include "platform/host/host_clock.h"
#include "platform/platform.h"
#include "tests/support/can_test_bus.h"

namespace {
struct can_frame errorFrame(canid_t classes, uint8_t ctrl = 0, uint8_t tx = 0, uint8_t rx = 0) {
    struct can_frame cf;
    memset(&cf, 0, sizeof cf);
    cf.can_id = CAN_ERR_FLAG | classes;
    cf.can_dlc = CAN_ERR_DLC;
    cf.data[1] = ctrl;
    cf.data[6] = tx;
    cf.data[7] = rx;
    return cf;
}

TEST(SocketCanConversionTest, DataAndRemoteFramesBothWays) {
    CanWireFrame e = extFrame(0x18EF80FA, {0x00, 0x01, 0xFF});
    struct can_frame cf = toSocketCan(e);
    EXPECT_EQ(cf.can_id, 0x98EF80FAu);
    EXPECT_EQ(cf.can_dlc, 3);
    EXPECT_EQ(cf.data[2], 0xFF);
    CanWireFrame back;
    ASSERT_TRUE(fromSocketCan(cf, &back));
    EXPECT_EQ(back, e);

    CanWireFrame r = stdFrame(0x7FF, {});
    r.rtr = true;
    r.dlc = 2;
    cf = toSocketCan(r);
    EXPECT_EQ(cf.can_id, CAN_RTR_FLAG | 0x7FFu);
    ASSERT_TRUE(fromSocketCan(cf, &back));
    EXPECT_TRUE(back.rtr);
    EXPECT_FALSE(back.extended);
    EXPECT_EQ(back.dlc, 2);

    cf.can_dlc = 9; // nothing a classic frame can carry
    EXPECT_FALSE(fromSocketCan(cf, &back));
    EXPECT_FALSE(fromSocketCan(errorFrame(CAN_ERR_BUSOFF), &back));
    // A length code above 8 goes out as 8 bytes.
    CanWireFrame odd = extFrame(1, {1, 2, 3, 4, 5, 6, 7, 8});
    odd.dlc = 15;
    EXPECT_EQ(toSocketCan(odd).can_dlc, 8);
}

class SocketCanErrorTest : public ::testing::Test {
protected:
    CanTestBus can; // the controller behind the driver, started
    EmulatedSJA1000& sja = hostCanController();
    void SetUp() override {
        sja.setRecoveryByLink(true); // as the socket transport does
        basicCANdriverInit(0, 0xFFFFFFFF);
    }
};

TEST_F(SocketCanErrorTest, PassiveWarningAndActiveLevels) {
    EXPECT_FALSE(applySocketCanError(toSocketCan(extFrame(1, {})), &sja)); // not an error
    EXPECT_TRUE(applySocketCanError(errorFrame(CAN_ERR_CRTL, CAN_ERR_CRTL_TX_PASSIVE), &sja));
    EXPECT_EQ(sja.txErrorCount(), 128u);
    EXPECT_FALSE(basicCANdriverBusOK());
    EXPECT_EQ(CAN_BusState, 1);
    applySocketCanError(errorFrame(CAN_ERR_CRTL, CAN_ERR_CRTL_RX_WARNING), &sja);
    EXPECT_EQ(sja.rxErrorCount(), 96u);
    EXPECT_EQ(sja.txErrorCount(), 128u); // levels only ever raise a count
    applySocketCanError(errorFrame(CAN_ERR_CRTL, CAN_ERR_CRTL_ACTIVE), &sja);
    EXPECT_EQ(sja.txErrorCount(), 0u);
    EXPECT_EQ(sja.rxErrorCount(), 0u);
    EXPECT_TRUE(basicCANdriverBusOK());
    // Counters sent along are taken as they are.
    applySocketCanError(errorFrame(CAN_ERR_CRTL | CAN_ERR_CNT, CAN_ERR_CRTL_RX_PASSIVE, 12, 135),
                        &sja);
    EXPECT_EQ(sja.txErrorCount(), 12u);
    EXPECT_EQ(sja.rxErrorCount(), 135u);
    EXPECT_FALSE(basicCANdriverBusOK());
}

TEST_F(SocketCanErrorTest, BusOffEndsOnlyWithTheAdaptersRestart) {
    applySocketCanError(errorFrame(CAN_ERR_BUSOFF), &sja);
    EXPECT_TRUE(sja.busOff());
    EXPECT_FALSE(basicCANdriverBusOK()); // state 3; the driver lets go of reset
    can.runUntil([] { return false; }, 50);
    EXPECT_TRUE(sja.busOff()); // no timed recovery behind a socket
    EXPECT_FALSE(basicCANdriverBusOK());
    // Level reports while bus-off change nothing.
    applySocketCanError(errorFrame(CAN_ERR_CRTL, CAN_ERR_CRTL_ACTIVE), &sja);
    EXPECT_TRUE(sja.busOff());
    applySocketCanError(errorFrame(CAN_ERR_RESTARTED), &sja);
    EXPECT_FALSE(sja.busOff());
    EXPECT_FALSE(basicCANdriverBusOK());
    EXPECT_EQ(CAN_BusState, 4); // healthy only after a frame each way
}

TEST_F(SocketCanErrorTest, ReceiveOverflowCountsAsOverrun) {
    applySocketCanError(errorFrame(CAN_ERR_CRTL, CAN_ERR_CRTL_RX_OVERFLOW), &sja);
    EXPECT_EQ(sja.framesOverrun, 1u);
    EXPECT_TRUE(_readCANreg(SJA_SR) & SJA_SR_DOS);
}

// The transport over one end of a socket pair; the test plays the kernel at the other.
class SocketCanPairTest : public ::testing::Test {
protected:
    EmulatedSJA1000 c;
    SocketCanTransport t{"vcan0"};
    int kernel = -1;
    int transportFd = -1;

    void SetUp() override {
        hostClockSetHalfMs(2000);
        int sv[2];
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_SEQPACKET, 0, sv), 0);
        transportFd = sv[0];
        kernel = sv[1];
        c.setLink(&t);
        ASSERT_TRUE(t.openOnFd(sv[0], &c));
        c.write(SJA_CDR, 0xC7);
        c.write(SJA_MOD, 0x00); // running, dual filter: everything passes
    }
    void TearDown() override {
        t.close();
        close(kernel);
    }
};

TEST_F(SocketCanPairTest, FramesInAndOutThroughTheDescriptor) {
    writeTxFrame(c, extFrame(0x18EF25FA, {9, 8, 7}));
    struct can_frame cf;
    ASSERT_EQ(read(kernel, &cf, sizeof cf), static_cast<ssize_t>(sizeof cf));
    EXPECT_EQ(cf.can_id, 0x98EF25FAu);
    EXPECT_EQ(cf.can_dlc, 3);
    EXPECT_EQ(cf.data[0], 9);
    EXPECT_NE(c.read(SJA_SR) & SJA_SR_TCS, 0); // complete once the socket took it

    for (uint32_t i = 0; i < 6; ++i) {
        cf = toSocketCan(extFrame(0x18EFFA25, {static_cast<uint8_t>(i), 1, 2, 3, 4, 5, 6, 7}));
        ASSERT_EQ(write(kernel, &cf, sizeof cf), static_cast<ssize_t>(sizeof cf));
    }
    struct can_frame e = errorFrame(CAN_ERR_CRTL, CAN_ERR_CRTL_TX_WARNING);
    ASSERT_EQ(write(kernel, &e, sizeof e), static_cast<ssize_t>(sizeof e));
    t.readFrames();
    EXPECT_EQ(t.framesIn, 6u);
    EXPECT_EQ(t.errorFrames, 1u);
    EXPECT_EQ(c.txErrorCount(), 96u);
    // Four fit the controller; the others wait for room rather than overrun.
    EXPECT_EQ(c.read(SJA_RMC), 4);
    for (int k = 0; k < 4; ++k)
        c.write(SJA_CMR, SJA_CMR_RRB);
    uint64_t wake = HostCanTransport::Never;
    EXPECT_TRUE(t.service(hostClockNowNs(), &wake));
    EXPECT_EQ(c.read(SJA_RMC), 2);
    EXPECT_EQ(c.read(21), 4);
    EXPECT_EQ(c.framesOverrun, 0u);
}

TEST_F(SocketCanPairTest, AFullSendQueueKeepsTheFrameAndRetries) {
    // Fill the descriptor's send buffer as a busy interface queue would be full.
    struct can_frame filler = toSocketCan(extFrame(1, {}));
    int sent = 0;
    while (write(transportFd, &filler, sizeof filler) == static_cast<ssize_t>(sizeof filler))
        ++sent;
    ASSERT_GT(sent, 0);
    writeTxFrame(c, extFrame(0x18EF25FA, {0x42}));
    EXPECT_EQ(c.read(SJA_SR) & SJA_SR_TBS, 0); // still pending
    uint64_t wake = HostCanTransport::Never;
    t.service(hostClockNowNs(), &wake);
    EXPECT_EQ(wake, hostClockNowNs() + 1000000); // tried again in a millisecond
    struct can_frame cf;
    for (int i = 0; i < sent; ++i)
        ASSERT_EQ(read(kernel, &cf, sizeof cf), static_cast<ssize_t>(sizeof cf));
    hostClockAdvanceNs(1000000);
    t.service(hostClockNowNs(), &wake);
    ASSERT_EQ(read(kernel, &cf, sizeof cf), static_cast<ssize_t>(sizeof cf));
    EXPECT_EQ(cf.data[0], 0x42);
    EXPECT_NE(c.read(SJA_SR) & SJA_SR_TBS, 0);
    EXPECT_EQ(t.writeErrors, 0u); // a full queue is no error
    // A descriptor that takes nothing any more is.
    signal(SIGPIPE, SIG_IGN);
    ASSERT_EQ(shutdown(transportFd, SHUT_WR), 0);
    writeTxFrame(c, extFrame(0x18EF25FA, {0x43}));
    EXPECT_EQ(t.writeErrors, 1u);
}
} // namespace
