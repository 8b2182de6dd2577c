// The module simulator as its own process on real UDP, against the display's stack in
// another (the J1939 node): claims, a version request and its answer, the change of mode, an
// erase and program-data records, and the flash image modsim writes. And the simulated
// modules inside a program on its built-in bus.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/can_test_bus.h"
#include "tests/support/program_runner.h"

namespace {
bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// A program-data command for a record of 16 bytes (i * 7 + k) at 0x1000 + 16 * i.
std::string dataCommand(int i) {
    std::vector<int> rec = {16, 0x10, 16 * i, 0};
    for (int k = 0; k < 16; ++k)
        rec.push_back((i * 7 + k) & 0xFF);
    int sum = 0;
    for (int b : rec)
        sum += b;
    rec.push_back((0x100 - (sum & 0xFF)) & 0xFF);
    char buf[8];
    std::string hex = "0315";
    for (int b : rec) {
        snprintf(buf, sizeof buf, "%02X", b);
        hex += buf;
    }
    return hex;
}

TEST(ModsimProcessTest, ProgramsOverCannelloniAgainstTheDisplaysStack) {
    std::string dir = makeTempDir();
    std::string a = std::to_string(freeUdpPort()), b = std::to_string(freeUdpPort());
    ProgramRun sim({"--can", "cannelloni:" + a + ":127.0.0.1:" + b, "--can-log", dir + "/sim.log",
                    "--module",
                    "sa=0x80 label=engine id=77 app=3.1.7 flash=64K sector=4K erase-ms=20 "
                    "image=" +
                        dir + "/engine.bin"});
    sim.program = MODSIM_BIN;
    sim.argv0 = "modsim";
    sim.interruptWhen = "change to run mode -> done";
    sim.timeoutMs = 15000;
    std::string script = "j1939-recv 0xEF00\nwait 500\nj1939-request 0xEE00 255\nwait 200\n"
                         "j1939-sendhex 0xEF00 0x80 12FF\nwait 200\n"
                         "j1939-sendhex 0xEF00 0x80 0001\nwait 200\n"
                         "j1939-sendhex 0xEF00 0x80 0201\nwait 300\n";
    for (int i = 0; i < 3; ++i)
        script += "j1939-sendhex 0xEF00 0x80 " + dataCommand(i) + "\nwait 200\n";
    script += "j1939-sendhex 0xEF00 0x80 0000\nwait 300\nquit\n";
    ProgramRun node({"--can", "cannelloni:" + b + ":127.0.0.1:" + a, "--keys", "-"}, script);
    node.program = J1939NODE_BIN;
    node.argv0 = "j1939node";
    node.timeoutMs = 15000;

    ProgramResult simResult;
    std::thread t([&] { simResult = runProgram(sim); });
    ProgramResult nodeResult = runProgram(node);
    t.join();
    ASSERT_EQ(nodeResult.exitStatus, 0) << nodeResult.err;
    ASSERT_EQ(simResult.exitStatus, 0) << simResult.err << simResult.out;
    const std::string& n = nodeResult.out;
    EXPECT_TRUE(has(n, "claim-unknown name=00000000FE00004D sa=0x80")) << n;
    for (const char* answer : {"13FF2D01000007FF", "01000100FFFFFFFF", "01020100FFFFFFFF",
                               "0103010000100000", "0103010010100000", "0103010020100000"})
        EXPECT_TRUE(has(n, std::string("sa=0x80 da=0xFA len=8 data=") + answer)) << answer << n;
    EXPECT_TRUE(has(n, "tx pgn=0x0EF00 da=0x80 len=23 acked")) << n;
    const std::string& s = simResult.out;
    for (const char* line :
         {"0x80 engine: claims address 0x80", "request for address claimed -> done",
          "version request 255: 3.1.7 (type 255) -> done", "change to programming mode -> done",
          "erase 1 sector 1 -> done", "data 0x00001020 16 bytes -> done", "image written to",
          "modsim: stopped"})
        EXPECT_TRUE(has(s, line)) << line << "\n" << s;
    EXPECT_FALSE(has(s, "lost")) << s;

    std::ifstream f(dir + "/engine.bin", std::ios::binary);
    std::vector<uint8_t> image((std::istreambuf_iterator<char>(f)), {});
    ASSERT_EQ(image.size(), 65536u);
    for (size_t i = 0; i < image.size(); ++i) {
        int expected = i < 0x1000 || i >= 0x2000 ? 0x00
                       : i < 0x1030
                           ? static_cast<int>(((i - 0x1000) / 16 * 7 + (i - 0x1000) % 16) & 0xFF)
                           : 0xFF;
        ASSERT_EQ(image[i], expected) << "byte " << i;
    }
    std::ifstream log(dir + "/sim.log");
    std::string logText((std::istreambuf_iterator<char>(log)), {});
    EXPECT_TRUE(has(logText, " cannelloni 18EFFA80#01000100FFFFFFFF")) << logText;
}

TEST(ModsimProcessTest, ModulesInsideProgramsOnTheBuiltInBus) {
    std::string image = makeTempDir() + "/m44.bin";
    ProgramRun node({"--virtual-time", "--can", "sim", "--modules", DEMO_DIR "/modules.txt",
                     "--module", "sa=0x44 app=9.9.9 flash=8K sector=1K image=" + image, "--keys",
                     "-"},
                    "j1939-recv 0xEF00\nj1939-request 0xEE00 255\nwait 100\n"
                    "j1939-sendhex 0xEF00 0x03 12FF\nj1939-sendhex 0xEF00 0x44 126E\n"
                    "wait 100\nquit\n");
    node.program = J1939NODE_BIN;
    node.argv0 = "j1939node";
    ProgramResult r = runProgram(node);
    ASSERT_EQ(r.exitStatus, 0) << r.err;
    for (const char* claim : {"name=00000000FE01A2B3 sa=0x00", "name=00000200FE00C0DE sa=0x03",
                              "name=00003300FE002001 sa=0x31", "name=00000000FE000044 sa=0x44"})
        EXPECT_TRUE(has(r.out, std::string("claim-unknown ") + claim)) << claim << r.out;
    EXPECT_TRUE(has(r.out, "sa=0x03 da=0xFA len=8 data=13FF6800020000FF")) << r.out;
    EXPECT_TRUE(has(r.out, "sa=0x44 da=0xFA len=8 data=136E8D03000009FF")) << r.out;
    std::ifstream written(image, std::ios::binary | std::ios::ate);
    EXPECT_EQ(written.tellg(), 8192); // the image, written as the program ended
}

TEST(ModsimProcessTest, MistakesEndTheProgramsWithAReason) {
    const struct {
        const char* program;
        std::vector<std::string> args;
        const char* says;
    } cases[] = {
        {FLASHLOADER_BIN,
         {"--can", "cannelloni:1:127.0.0.1:2", "--module", "sa=1"},
         "--module and --modules need the built-in bus (--can sim)"},
        {FLASHLOADER_BIN, {"--module", "sa=1 bogus"}, "simulated modules: --module 'bogus'"},
        {FLASHLOADER_BIN, {"--modules", "/nonexistent"}, "simulated modules: /nonexistent"},
        {MODSIM_BIN, {"--module", "sa=1"}, "--can TRANSPORT is needed"},
        {MODSIM_BIN, {"--can", "cannelloni:0:127.0.0.1:9"}, "no modules"},
        {MODSIM_BIN, {"--frobnicate"}, "unknown or incomplete option '--frobnicate'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.says);
        ProgramRun r(c.args);
        r.program = c.program;
        ProgramResult res = runProgram(r);
        EXPECT_EQ(res.exitStatus, 2);
        EXPECT_TRUE(has(res.err, c.says)) << res.err;
    }
}
} // namespace
