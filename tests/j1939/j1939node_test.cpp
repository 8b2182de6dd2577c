// The stand-alone J1939 node's options and commands. (Its exchanges with another stack are
// run in kernel_peer/ and against the module simulator in tests/modsim/.)
#include <gtest/gtest.h>

#include <string>

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

TEST(J1939NodeTest, BadOptionsAndCommandsEndWithAMessage) {
    ProgramResult r = runProgram(node({"--sa", "300"}, ""));
    EXPECT_EQ(r.exitStatus, 2);
    EXPECT_NE(r.err.find("--sa"), std::string::npos);
    r = runProgram(node({"--name", "12"}, ""));
    EXPECT_EQ(r.exitStatus, 2);
}
