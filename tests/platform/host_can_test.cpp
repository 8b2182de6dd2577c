// The --can and --can-log options: transport names, opening failures, the frame log, and
// the host loop's sub-millisecond wake-ups that the bus model needs.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fstream>
#include <netinet/in.h>
#include <sstream>
#include <sys/socket.h>
#include <unistd.h>

#include "j1939/can_frame.h"
#include "j1939/driver/can_driver.h"
#include "platform/host/can/can_log.h"
#include "platform/host/can/host_can.h"
#include "platform/host/host_clock.h"
#include "platform/host/host_loop.h"
#include "tests/support/can_test_bus.h"
#include "tests/support/program_runner.h"
#include "tests/support/virtual_time.h"

namespace {
HostCanSpec parse(const char* text, bool ok = true) {
    HostCanSpec s;
    char err[300] = "";
    EXPECT_EQ(parseCanSpec(text, &s, err, sizeof err), ok) << text << ": " << err;
    return s;
}

TEST(CanSpecTest, TransportsAndTheirArguments) {
    EXPECT_EQ(parse("sim").kind, CanTransportKind::Sim);
    EXPECT_EQ(parse("sim").bitRate, 250000u);
    EXPECT_EQ(parse("sim:500k").bitRate, 500000u);
    EXPECT_EQ(parse("sim:125000").bitRate, 125000u);
    HostCanSpec s = parse("socketcan:vcan0");
    EXPECT_EQ(s.kind, CanTransportKind::SocketCan);
    EXPECT_STREQ(s.iface, "vcan0");
    s = parse("cannelloni:20000:192.168.0.10:20001");
    EXPECT_EQ(s.kind, CanTransportKind::Cannelloni);
    EXPECT_EQ(s.localPort, 20000u);
    EXPECT_STREQ(s.host, "192.168.0.10");
    EXPECT_STREQ(s.port, "20001");
    s = parse("cannelloni:0:[::1]:3333");
    EXPECT_STREQ(s.host, "::1");
    for (const char* bad :
         {"", "sim:", "sim:fast", "sim:5", "sim:2000k", "socketcan", "socketcan:", "socketcan:a/b",
          "socketcan:averyveryverylongname0", "cannelloni", "cannelloni:1:2", "cannelloni:x:h:1",
          "cannelloni:1::2", "cannelloni:1:h:0", "cannelloni:70000:h:1", "udp:1:2:3", "SIM"})
        parse(bad, false);
}

TEST(CanOpenTest, FailuresNameTheTransportAndTheReason) {
    char err[400];
    EXPECT_FALSE(hostCanOpen("socketcan:nosuchcan7", nullptr, err, sizeof err));
    EXPECT_EQ(std::string(err).find("socketcan:nosuchcan7: "), 0u) << err;
    EXPECT_FALSE(hostCanOpen("cannelloni:0:no-such-host.invalid:9", nullptr, err, sizeof err));
    EXPECT_NE(std::string(err).find("no-such-host.invalid"), std::string::npos) << err;
    // A port that another socket holds.
    int s = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in in{};
    in.sin_family = AF_INET;
    bind(s, reinterpret_cast<sockaddr*>(&in), sizeof in);
    socklen_t len = sizeof in;
    getsockname(s, reinterpret_cast<sockaddr*>(&in), &len);
    std::string transport = "cannelloni:" + std::to_string(ntohs(in.sin_port)) + ":127.0.0.1:9";
    EXPECT_FALSE(hostCanOpen(transport.c_str(), nullptr, err, sizeof err));
    EXPECT_NE(std::string(err).find("Address already in use"), std::string::npos) << err;
    close(s);
    EXPECT_FALSE(hostCanOpen("sim", "/nonexistent/dir/log", err, sizeof err));
    EXPECT_EQ(std::string(err), "/nonexistent/dir/log: No such file or directory");
    EXPECT_EQ(hostCanSimBus(), nullptr);
    EXPECT_TRUE(hostCanOpen("sim", nullptr, err, sizeof err));
    EXPECT_NE(hostCanSimBus(), nullptr);
    hostCanClose();
}

TEST(CanProgramTest, ATransportThatCannotOpenEndsTheProgramWithStatusTwo) {
    ProgramResult r = runProgram(ProgramRun({"--can", "socketcan:nosuchcan7"}));
    EXPECT_EQ(r.exitStatus, 2);
    EXPECT_EQ(r.err.find("flashloader: CAN transport socketcan:nosuchcan7: "), 0u) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1);
}

TEST(CanLogTest, CandumpLines) {
    char line[96];
    formatCandumpLine(extFrame(0x18EF80FA, {0x00, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}),
                      1436509053850870000ull, "vcan0", line, sizeof line);
    EXPECT_STREQ(line, "(1436509053.850870) vcan0 18EF80FA#0001FFFFFFFFFFFF");
    formatCandumpLine(stdFrame(0x7DF, {}), 1000, "sim", line, sizeof line);
    EXPECT_STREQ(line, "(0.000001) sim 7DF#");
    CanWireFrame r = stdFrame(0x123, {});
    r.rtr = true;
    r.dlc = 3;
    formatCandumpLine(r, 0, "sim", line, sizeof line);
    EXPECT_STREQ(line, "(0.000000) sim 123#R3");
    formatCandumpLine(r, 0, "sim", line, 12); // cut short, still terminated
    EXPECT_EQ(strlen(line), 11u);
}

TEST(CanLogTest, EveryFrameSentAndReceivedIsLoggedAtItsBusTime) {
    std::string path = makeTempDir() + "/frames.log";
    {
        CanTestBus can("sim", path.c_str(), 2000);
        RecordingNode node;
        can.bus->attach(&node);
        basicCANdriverInit(0, 0xFFFFFFFF);
        CANpkt p(0x18EF25FA, 1, 2, 3, 4, 5, 6, 7, 8);
        basicCANdriverTxMsg(&p, 0);
        can.runUntil([&] { return node.received.size() == 1; }, 10);
        node.send(extFrame(0x18EFFA25, {0xAA}));
        can.runUntil([&] { return node.queued() == 0; }, 10);
        can.bus->detach(&node);
    }
    std::ifstream in(path);
    std::stringstream all;
    all << in.rdbuf();
    SimCanBus bus;
    uint64_t t1 = 2000000000ull + bus.frameTimeNs(extFrame(0x18EF25FA, {1, 2, 3, 4, 5, 6, 7, 8}));
    uint64_t t2 = t1 + bus.frameTimeNs(extFrame(0x18EFFA25, {0xAA}));
    char l1[96], l2[96];
    formatCandumpLine(extFrame(0x18EF25FA, {1, 2, 3, 4, 5, 6, 7, 8}), t1, "sim", l1, sizeof l1);
    formatCandumpLine(extFrame(0x18EFFA25, {0xAA}), t2, "sim", l2, sizeof l2);
    EXPECT_EQ(all.str(), std::string(l1) + "\n" + l2 + "\n");
}

TEST(HostLoopTest, WakeUpsBelowAMillisecondOnTheVirtualClock) {
    startVirtualClock(1000);
    DelayedCallbackListNode timer(0, [](DelayedCallbackListNode*) {});
    scheduleDelayedCallback(&timer, 5);
    uint64_t t0 = hostClockNowNs();
    hostWakeWithinNs(552000);
    hostIdleWait();
    EXPECT_EQ(hostClockNowNs() - t0, 552000u); // exactly, not rounded to a millisecond
    // The timer is still due on its whole millisecond.
    hostIdleWait();
    EXPECT_EQ(hostClockNowNs() - t0, 5000000u);
    EXPECT_EQ(checkForDelayedCallbacks(), 1);
}
} // namespace
