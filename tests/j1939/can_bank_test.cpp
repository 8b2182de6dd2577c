// Bank selection of the CAN window: the probe tells the controller, the CPLD and other
// register sets apart, and selection is verified and retried.
#include <gtest/gtest.h>

#include "j1939/can_frame.h"
#include "j1939/driver/can_driver.h"
#include "platform/can_regs.h"
#include "platform/host/can/host_can.h"
#include "tests/support/can_test_bus.h"

namespace {
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
    _writeCANreg(SJA_MOD, 0x09);
    EXPECT_EQ(determineCANbank(&c), 0);
    EXPECT_EQ(c, 'd'); // in reset
    basicCANdriverUnreset();
    // Running in the BasicCAN layout, where the layout bit cannot change outside reset.
    _writeCANreg(SJA_MOD, 0x09);
    _writeCANreg(SJA_CDR, 0x00);
    _writeCANreg(SJA_MOD, 0x00);
    EXPECT_EQ(determineCANbank(&c), 2);
    EXPECT_EQ(c, 'c');
    basicCANdriverInit(0, 0xFFFFFFFF);

    _writeCANbankReg(1);
    EXPECT_EQ(determineCANbank(&c), 1);
    EXPECT_EQ(c, 'a');
    _writeCANbankReg(2);
    EXPECT_EQ(determineCANbank(&c), 2);
    EXPECT_EQ(c, 'e');
    EXPECT_EQ(_readCANreg(1), 0); // the probe put the plain register back
    _writeCANbankReg(0);

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
    EXPECT_EQ(select(1, 0), ""); // the CPLD's bank shows its version
    EXPECT_EQ(_readCANreg(0), HostCpldVersion);
    _writeCANbankReg(2);
    EXPECT_EQ(select(0, 1), "set CAN bank 0 -- expecting 1 but is 2 (case e)\n");
    EXPECT_EQ(_readCANbankReg(), 0);
    // Bank 3 answers nothing: it probes as something else every time, ten tries.
    std::string tenLines;
    for (int i = 0; i < 10; ++i)
        tenLines += "set CAN bank 3 -- but got 1 (case a)\n";
    EXPECT_EQ(select(3, 0), tenLines);
}
} // namespace
