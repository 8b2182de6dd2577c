// The module simulator's service tool and DM1 senders as a process of their own against the
// display's stack in the J1939 node over cannelloni: the file the node writes equals the file
// sent, the node ends 2 s after it with exit status 2; DM1 faults appear once, clear when
// they leave the DM1 and all clear 5 s after the sender falls silent.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>

#include "tests/support/can_test_bus.h"
#include "tests/support/program_runner.h"

namespace {
size_t count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}
std::string read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}
} // namespace

TEST(DiagProcessTest, FileByProprietaryCommandAndDm1FaultsAgainstTheDisplaysStack) {
    std::string dir = makeTempDir();
    std::string sent(3001, '\0');
    std::mt19937 rng(5);
    for (char& c : sent)
        c = static_cast<char>(rng());
    writeFile(dir + "/file.bin", sent);
    std::string a = std::to_string(freeUdpPort()), b = std::to_string(freeUdpPort());
    ProgramRun sim({"--can", "cannelloni:" + a + ":127.0.0.1:" + b, "--module",
                    "sa=0x30 label=engine dm1=100.3+520000.2+190.0 dm1-lamps=0x44 dm1-flash=0xF3 "
                    "dm1-then=2500:100.3 dm1-stop=4000",
                    "--module",
                    "sa=0x2B label=tool send-file=" + dir + "/file.bin send-to=0xFA send-at=9500"});
    sim.program = MODSIM_BIN;
    sim.argv0 = "modsim";
    sim.interruptWhen = "tool: download";
    sim.timeoutMs = 30000;
    ProgramRun node({"--self-download", "--download-file", dir + "/update.dat", "--can",
                     "cannelloni:" + b + ":127.0.0.1:" + a, "--keys", "-"},
                    "j1939-dm1 0x30\nwait 30000\nquit\n");
    node.program = J1939NODE_BIN;
    node.argv0 = "j1939node";
    node.timeoutMs = 30000;
    ProgramResult simResult;
    std::thread t([&] { simResult = runProgram(sim); });
    ProgramResult n = runProgram(node);
    t.join();
    EXPECT_EQ(n.exitStatus, 2) << n.err << n.out; // termination code 3
    EXPECT_EQ(count(n.out, "download complete: " + dir + "/update.dat"), 1u) << n.out;
    EXPECT_EQ(read(dir + "/update.dat"), sent);
    const std::string& s = simResult.out;
    EXPECT_EQ(count(s, "tool: display identified, item 0: 6E 00"), 1u) << s;
    EXPECT_EQ(count(s, "tool: download sent, 3001 bytes"), 1u) << s;

    for (const char* fault :
         {"sa=0x30 spn=100 fmi=3", "sa=0x30 spn=520000 fmi=2", "sa=0x30 spn=190 fmi=0"}) {
        EXPECT_EQ(count(n.out, std::string("dm1 fault ") + fault), 1u) << fault << n.out;
        EXPECT_EQ(count(n.out, std::string("dm1 clear ") + fault), 1u) << fault << n.out;
    }
    EXPECT_EQ(count(n.out, "text=520000/02"), 1u) << n.out;
    // Those that left the DM1 clear first, the last one when the node fell silent.
    size_t last = n.out.find("dm1 clear sa=0x30 spn=100");
    EXPECT_LT(n.out.find("dm1 clear sa=0x30 spn=190"), last);
    EXPECT_LT(n.out.find("dm1 clear sa=0x30 spn=520000"), last);
    EXPECT_LT(n.out.find("dm1 lamps state=0x48"), n.out.find("dm1 lamps state=0x00"));
    EXPECT_LT(last, n.out.find("download complete"));
}
