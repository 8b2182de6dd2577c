// The bus object over the driver, the emulated controller and the virtual bus, pumped by
// the main loop: requests, transmit destinations and repeats, health supervision with the
// fault report, stale checks, the transmit pump's order and the receive dispatch.
#include <gtest/gtest.h>

#include "core/framework.h"
#include "data/data.h"
#include "data/units.h"
#include "j1939/driver/can_driver.h"
#include "j1939/j1939_module.h"
#include "j1939/j1939_msg_buffer.h"
#include "platform/host/can/host_can.h"
#include "tests/j1939/tp_test_frames.h"
#include "tests/support/test_application.h"
#include "tests/support/virtual_time.h"

namespace {
constexpr uint8_t ModuleSA = 0x25;
constexpr uint32_t ModuleData = 0xFF10; // a PDU2 PGN the module broadcasts

J1939module Module(ModuleSA, "Module", true,
                   J1939NAME(7, 0, 0, 0, MakerManufacturerCode, 0, 0, 0, false),
                   J1939NAME(true, 0xFF), 0);

class BusTest : public ::testing::Test {
protected:
    RecordingFaultMgr faults;
    J1939TestBus j;

    void requestFrom(uint8_t sa, uint8_t da, uint32_t pgn) {
        j.peerSends(idFor(6, PGN_Request, sa, da),
                    {static_cast<uint8_t>(pgn), static_cast<uint8_t>(pgn >> 8),
                     static_cast<uint8_t>(pgn >> 16)});
    }
    void moduleSends(std::initializer_list<uint8_t> data) {
        j.peerSends(idFor(6, ModuleData, ModuleSA, 255), data);
    }
    // The frame the display sent n-th.
    const CanWireFrame& sent(size_t n) { return j.peer.received.at(n); }
};
} // namespace

TEST_F(BusTest, RequestsAreAnsweredToTheRightDestination) {
    TestMsg answer(PropA, 6, 8, J1939cfgListed | J1939cfgTx | J1939cfgOnRequest);
    CANbusMgr.registerMsg(&answer, &Display, &AllModules);
    answer.buffer->setBytes(0x12345678, 0, 4);

    requestFrom(ModuleSA, Me, PropA); // to the display: answered to the requester
    ASSERT_TRUE(j.peerGets(1));
    EXPECT_EQ(sent(0).id, idFor(6, PropA, Me, ModuleSA));
    EXPECT_EQ(sent(0).data[0], 0x78);
    EXPECT_EQ(answer.buffer->first->id, idFor(6, PropA, Me, 255)); // unchanged
    requestFrom(ModuleSA, 255, PropA);                             // global: answered globally
    ASSERT_TRUE(j.peerGets(2));
    EXPECT_EQ(daOf(sent(1)), 255);

    j.peerSends(idFor(6, PGN_Request, ModuleSA, Me), {0x00, 0xEF}); // too short
    j.runFor(50);
    EXPECT_EQ(j.peer.received.size(), 2u);
    EXPECT_EQ(answer.count(PktTransmittedEvent), 2);
}

TEST_F(BusTest, TransmitToAnotherDestinationRetargetsOnlyTheFrame) {
    static Data level(&NoUnits, nullptr, 0);
    TestMsg cmd(PropA, 6, 8, J1939cfgListed | J1939cfgTx | J1939cfgAutoFields);
    cmd.initFn = [](TestMsg* m) { m->addField(96, 1, 0, 8, &level, 0.5, 0); };
    TestMsg bcast(ModuleData, 6, 8, J1939cfgListed | J1939cfgTx);
    CANbusMgr.registerMsg(&cmd, &Display, &Module_na);
    CANbusMgr.registerMsg(&bcast, &Display, &AllModules);
    level.setValue(42); // fields are written from their data at each transmit
    EXPECT_TRUE(cmd.transmit(0x31));
    ASSERT_TRUE(j.peerGets(1));
    EXPECT_EQ(sent(0).id, idFor(6, PropA, Me, 0x31));
    EXPECT_EQ(sent(0).data[0], 84);
    EXPECT_EQ(cmd.buffer->first->id, idFor(6, PropA, Me, 0));
    cmd.transmit(OwnDA);
    bcast.transmit(0x31); // a PDU2 message keeps its PGN whatever destination it is given
    ASSERT_TRUE(j.peerGets(3));
    EXPECT_EQ(daOf(sent(1)), 0);
    EXPECT_EQ(sent(2).id, idFor(6, ModuleData, Me, 0));
    EXPECT_EQ(cmd.count(PktTransmittedEvent), 2);
    EXPECT_FALSE(cmd.txBusy);
}

TEST_F(BusTest, TransmitWhileBusyIsRepeatedOnceUnlessPeriodic) {
    TestMsg first(PropA, 6, 8, J1939cfgListed | J1939cfgTx);
    TestMsg cmd(PropA, 5, 8, J1939cfgListed | J1939cfgTx);
    TestMsg periodic(0xFF20, 6, 8, J1939cfgListed | J1939cfgTx, 1000);
    CANbusMgr.registerMsg(&first, &Display, &Module);
    CANbusMgr.registerMsg(&cmd, &Display, &Module);
    CANbusMgr.registerMsg(&periodic, &Display, &AllModules);
    j.runFor(150); // the periodic message's first transmission (100 ms after registration)
    ASSERT_EQ(j.peer.received.size(), 1u);

    // The controller is busy with one frame, so the next one waits in the driver.
    first.transmit(OwnDA);
    cmd.transmit(OwnDA);
    EXPECT_TRUE(cmd.txBusy);
    cmd.transmit(0x26);
    cmd.transmit(0x27); // the last requested destination counts
    EXPECT_TRUE(cmd.retxPending);
    j.runFor(20);
    ASSERT_EQ(j.peer.received.size(), 4u);
    EXPECT_EQ(daOf(sent(2)), ModuleSA);
    EXPECT_EQ(daOf(sent(3)), 0x27);
    EXPECT_EQ(cmd.count(PktTransmittedEvent), 2);

    // A periodic message asked again while busy drops the request; its period runs from
    // the end of each transmission.
    auto periodicFrames = [&] {
        size_t n = 0;
        for (size_t i = 4; i < j.peer.received.size(); ++i)
            n += pgnOf(sent(i)) == 0xFF20 ? 1 : 0;
        return n;
    };
    first.transmit(OwnDA);
    periodic.transmit(OwnDA);
    EXPECT_TRUE(periodic.txBusy);
    periodic.transmit(OwnDA);
    EXPECT_FALSE(periodic.retxPending);
    j.runFor(900);
    EXPECT_EQ(periodicFrames(), 1u);
    j.runFor(200);
    EXPECT_EQ(periodicFrames(), 2u);
    // Retriggered, it goes at once instead of at the end of its period.
    periodic.retriggerTx();
    j.runFor(20);
    EXPECT_EQ(periodicFrames(), 3u);
}

TEST_F(BusTest, BusFaultIsReportedThreeSecondsAfterHealthIsLost) {
    EmulatedSJA1000& sja = hostCanController();
    j.runFor(100);
    sja.setErrorCounters(130, 0); // error passive
    j.pass();
    uint32_t lostAt = nowMs();
    EXPECT_FALSE(CANbusMgr.busOK);
    j.runUntil([&] { return nowMs() - lostAt >= 2990; }, 4000);
    EXPECT_EQ(faults.reports(), 0);
    j.runUntil([&] { return faults.reports() > 0; }, 100);
    ASSERT_EQ(faults.reports(), 1);
    EXPECT_EQ(faults.log[0].code, CANbusErrorFaultCode);
    EXPECT_EQ(faults.log[0].expander, &CANbusMgr.busErrorExpander);
    EXPECT_NEAR(faults.log[0].atMs - lostAt, 3005.0, 5.0);
    j.runFor(5000);
    EXPECT_EQ(faults.reports(), 1); // once
    sja.setErrorCounters(0, 0);
    j.runFor(20);
    EXPECT_TRUE(CANbusMgr.busOK);
    EXPECT_EQ(faults.clears(), 1);
    EXPECT_EQ(CANbusMgr.busErrorFault, nullptr);
    // A loss shorter than 3 s is not reported.
    sja.setErrorCounters(130, 0);
    j.runFor(2500);
    sja.setErrorCounters(0, 0);
    j.runFor(3000);
    EXPECT_EQ(faults.reports(), 1);
}

TEST_F(BusTest, ModulesGoStaleAfterTheirDeadlineAndTheirDataWithThem) {
    Data speed(&NoUnits, nullptr, 0, false);
    TestMsg data(ModuleData, 6, 8, J1939cfgListed | J1939cfgAutoFields);
    data.initFn = [](TestMsg*) {};
    data.addField(84, 1, 0, 16, &speed, 1.0 / 256, 0);
    CANbusMgr.registerModule(&Module);
    CANbusMgr.registerMsg(&data, &Module, &Display);
    j.runFor(600);
    EXPECT_TRUE(Module.stale); // never heard from
    Module.enableModuleAlarms();

    moduleSends({0x00, 0x32, 0, 0, 0, 0, 0, 0});
    j.runUntil([&] { return !data.receivedData.empty(); }, 10);
    uint32_t heardAt = nowMs();
    EXPECT_FALSE(Module.stale);
    EXPECT_TRUE(speed.isValid());
    EXPECT_DOUBLE_EQ(speed.getValue(), 50);
    j.runUntil([&] { return Module.stale; }, 3000);
    uint32_t staleAt = nowMs(); // a check falls in 2500..3000
    EXPECT_GE(staleAt - heardAt, 2500u);
    EXPECT_LT(staleAt - heardAt, 3020u);
    EXPECT_FALSE(speed.isValid());
    ASSERT_EQ(faults.reports(), 1);
    EXPECT_EQ(faults.log[0].code, ModuleSA);
    EXPECT_EQ(faults.log[0].type, 0xFB);
    // Heard again 620 ms after that check: alive, alarm cleared. Silent again: stale at
    // the first check from 2.5 s on, the checks coming every 500 ms.
    j.runUntil([&] { return nowMs() - staleAt >= 620; }, 1000);
    moduleSends({0x00, 0x33, 0, 0, 0, 0, 0, 0});
    j.runUntil([&] { return data.receivedData.size() == 2; }, 10);
    EXPECT_FALSE(Module.stale);
    EXPECT_EQ(faults.clears(), 1);
    j.runUntil([&] { return Module.stale; }, 4000);
    EXPECT_GE(nowMs() - staleAt, 3500u);
    EXPECT_LT(nowMs() - staleAt, 3600u);
    j.runFor(3000);
    EXPECT_EQ(faults.reports(), 2); // alarms on: reported again, once
}

TEST_F(BusTest, FieldsAreFoundBySpnAndByFault) {
    TestMsg active(ModuleData, 6, 8, J1939cfgListed), inactive(0xFF11, 6, 8, J1939cfgListed);
    J1939field* speed = active.addField(84, 1, 0, 16, nullptr, 1, 0);
    J1939field* level = inactive.addField(96, 1, 0, 8, nullptr, 1, 0);
    level->addFMI(1, 0x1000, "low", nullptr);
    CANbusMgr.registerMsg(&active, &Module, &Display);
    CANbusMgr.registerMsg(&inactive, &Module, &Display, false);
    J1939msg* m = nullptr;
    EXPECT_EQ(CANbusMgr.findFieldAssocWithSPN(84, m, 1), speed);
    EXPECT_EQ(m, &active);
    EXPECT_EQ(CANbusMgr.findFieldAssocWithSPN(96, m, 1), nullptr); // active messages only
    EXPECT_EQ(CANbusMgr.findFieldAssocWithSPN(96, m, 2), level);
    EXPECT_EQ(m, &inactive);
    EXPECT_EQ(CANbusMgr.findFieldAssocWithFault(96, 1, m), level);
    EXPECT_EQ(CANbusMgr.findFieldAssocWithFault(96, 2, m), nullptr); // no such failure mode
    EXPECT_EQ(CANbusMgr.findFieldAssocWithFault(84, 1, m), nullptr);
}

TEST_F(BusTest, AtMostFourFramesAreDispatchedPerPass) {
    TestMsg data(ModuleData, 6, 8, J1939cfgListed);
    CANbusMgr.registerMsg(&data, &Module, &Display);
    for (uint8_t i = 0; i < 10; ++i)
        simCANrx(new CANpkt(idFor(6, ModuleData, ModuleSA, 255), i, 0, 0, 0, 0, 0, 0, 0));
    for (size_t expected : {4u, 8u, 10u}) {
        CANbusMgr.backgroundProcess();
        EXPECT_EQ(data.receivedData.size(), expected);
    }
    for (uint8_t i = 0; i < data.receivedData.size(); ++i)
        EXPECT_EQ(data.receivedData[i][0], i);
}

TEST_F(BusTest, TransportPacketsLeaveBeforeSingleFrames) {
    CANpkt single(idFor(6, PropA, Me, ModuleSA), 0, 0, 0, 0, 0, 0, 0, 0);
    for (int i = 0; i < 8; ++i)
        CANbusMgr.txCANpkt(PktQueueElement::alloc(&single, nullptr, 0, false));
    CANbusMgr.txTPpkt(
        PktQueueElement::alloc(buildTPpkt(TP_BAM, 9, 2, 0xFF20, Me, 255), nullptr, 0, true));
    ASSERT_TRUE(j.peerGets(9));
    // The controller had one single frame on the bus and four in its FIFO; the transport
    // packet went next, before the three still queued.
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(pgnOf(sent(i)) == PGN_TP_CM, i == 5) << i;
    EXPECT_TRUE(CANbusMgr.canQueue.empty());
    EXPECT_TRUE(CANbusMgr.txWaitQueue.empty());
}

TEST_F(BusTest, FramesNobodyTakesAreDroppedAndFreed) {
    TestMsg data(ModuleData, 6, 8, J1939cfgListed);
    TestMsg fromModule(PropA, 6, 8, J1939cfgListed | J1939cfgSrcSpecific);
    CANbusMgr.registerMsg(&data, &Module, &Display);
    CANbusMgr.registerMsg(&fromModule, &Module, &Display);
    j.runFor(10);
    unsigned pkts = CANpkt::pool.blocksInUse();
    j.peerSends(idFor(6, PropA, 0x26, Me), {1}); // from the wrong source
    j.peerSends(idFor(6, PropA, ModuleSA, Me), {9});
    j.runUntil([&] { return !fromModule.receivedData.empty(); }, 20);
    j.runFor(10);
    EXPECT_TRUE(data.receivedData.empty());
    ASSERT_EQ(fromModule.receivedData.size(), 1u);
    EXPECT_EQ(fromModule.receivedData[0], std::vector<uint8_t>({9}));
    EXPECT_EQ(CANpkt::pool.blocksInUse(), pkts);
    EXPECT_TRUE(j.peer.received.empty()); // nothing answered
}

TEST_F(BusTest, PeriodicallyRequestedMessagesAskTheirModuleWhileTheBusIsOK) {
    TestMsg version(0xFEDA, 6, 8, J1939cfgListed | J1939cfgOnRequest | J1939cfgSrcSpecific, 1000);
    TestMsg anyone(0xFEEB, 6, 8, J1939cfgListed | J1939cfgOnRequest, 2000);
    CANbusMgr.registerMsg(&version, &Module, &Display);
    CANbusMgr.registerMsg(&anyone, &Module_na, &Display);
    // The first after half a period; not source-specific: asked globally.
    for (uint8_t da : {ModuleSA, uint8_t{255}, ModuleSA}) {
        ASSERT_TRUE(j.peerGets(j.peer.received.size() + 1, 600));
        const CanWireFrame& r = j.peer.received.back();
        EXPECT_EQ(r.id, idFor(6, PGN_Request, Me, da));
        EXPECT_EQ(r.dlc, 3);
    }
    EXPECT_EQ(sent(0).data[0] | sent(0).data[1] << 8 | sent(0).data[2] << 16, 0xFEDA);
    // No requests while the bus is down.
    hostCanController().setErrorCounters(0, 200);
    size_t n = j.peer.received.size();
    j.runFor(3000);
    EXPECT_EQ(j.peer.received.size(), n);
}
