// The stand-alone J1939 node: two of them share a bus over cannelloni on loopback; bad
// options and commands.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "tests/support/can_test_bus.h"
#include "tests/support/program_runner.h"

namespace {
ProgramRun node(std::vector<std::string> args, std::string script) {
    args.push_back("--keys");
    args.push_back("-");
    ProgramRun r(args, script);
    r.program = J1939NODE_BIN;
    r.argv0 = "j1939node";
    r.timeoutMs = 15000;
    return r;
}

} // namespace

// Transfers both ways, DM1 and claims against another stack are run in kernel_peer/; here
// two of our own nodes exercise what that run does not: a single frame, a Request and the
// claim it brings back, tracked by NAME.
TEST(J1939NodeTest, TwoNodesExchangeARequestAndAClaim) {
    std::string a = std::to_string(freeUdpPort()), b = std::to_string(freeUdpPort());
    ProgramRun receiver = node({"--sa", "0x90", "--name", "A000000000000090", "--can",
                                "cannelloni:" + b + ":127.0.0.1:" + a},
                               "j1939-recv 0xEF00\nwait 2500\nquit\n");
    ProgramRun sender = node({"--sa", "0x80", "--can", "cannelloni:" + a + ":127.0.0.1:" + b},
                             "j1939-track A000000000000090\nwait 1000\n"
                             "j1939-sendhex 0xEF00 0x90 0102\n"
                             "j1939-request 0xEE00 0x90\nwait 500\nquit\n");
    ProgramResult rr;
    std::thread t([&] { rr = runProgram(receiver); });
    ProgramResult sr = runProgram(sender);
    t.join();
    ASSERT_EQ(sr.exitStatus, 0) << sr.err;
    ASSERT_EQ(rr.exitStatus, 0) << rr.err;
    EXPECT_NE(sr.out.find("ready sa=0x80"), std::string::npos) << sr.out;
    EXPECT_NE(sr.out.find("tx pgn=0x0EF00 da=0x90 len=2 sent"), std::string::npos) << sr.out;
    EXPECT_NE(sr.out.find("claim name=A000000000000090 sa=0x90"), std::string::npos) << sr.out;
    EXPECT_NE(rr.out.find("rx pgn=0x0EF00 sa=0x80 da=0x90 len=2 data=0102 "), std::string::npos)
        << rr.out;
}

TEST(J1939NodeTest, BadOptionsAndCommandsEndWithAMessage) {
    ProgramResult r = runProgram(node({"--sa", "300"}, ""));
    EXPECT_EQ(r.exitStatus, 2);
    EXPECT_NE(r.err.find("--sa"), std::string::npos);
    r = runProgram(node({"--name", "12"}, ""));
    EXPECT_EQ(r.exitStatus, 2);
    std::string script = makeTempDir() + "/bad.keys";
    writeFile(script, "j1939-send 0xEF00 0x90\nquit\n");
    ProgramRun bad = node({"--virtual-time"}, "");
    bad.args.back() = script; // --keys FILE
    r = runProgram(bad);
    EXPECT_EQ(r.exitStatus, 2);
    EXPECT_NE(r.err.find("needs PGN DA LEN"), std::string::npos) << r.err;
}
