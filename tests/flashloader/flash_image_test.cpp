// A software file sent with the display's protocol messages (change of mode, erase, one
// program-data command per record, run mode) into a simulated module leaves in its flash
// what srecord's srec_cat makes of the same Intel-HEX file, filled with the erased value over
// the erased sectors; the sectors not erased keep their old content. The demo stick's files
// go into the demo's modules. (Transport faults during a run: discovery_run_test.cpp.)
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "flashloader/osf.h"
#include "flashloader/protocol_entry_points.h"
#include "flashloader/protocol_msgs.h"
#include "modsim/module_bus.h"
#include "tests/support/j1939_test_bus.h"
#include "tests/support/program_runner.h"

namespace {
std::vector<uint8_t> readBinary(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), {});
}

// The module's description in the demo's module file by its label.
ModuleDescription demoModule(const char* label) {
    ModuleDescription descs[ModuleBus::MaxModules];
    char err[300];
    int n = parseModuleFile(DEMO_DIR "/modules.txt", descs, ModuleBus::MaxModules, err, sizeof err);
    EXPECT_GT(n, 0) << err;
    for (int i = 0; i < n; ++i)
        if (strcmp(descs[i].label, label) == 0) return descs[i];
    ADD_FAILURE() << "no demo module " << label;
    return ModuleDescription();
}

class ImageTest : public ::testing::Test {
protected:
    J1939TestBus bus;
    ModuleBus modules;
    SimModule* module = nullptr;

    void start(std::initializer_list<ModuleDescription> descs) {
        char err[200];
        for (const ModuleDescription& d : descs)
            ASSERT_NE(modules.add(d, err, sizeof err), nullptr) << err;
        ASSERT_TRUE(modules.join(bus.bus));
        J1939_applicationInit(3);
        module = &modules.module(0);
    }

    // Sends a command and waits for its response; false when none comes or it is negative.
    bool command(J1939msg& m) {
        unsigned long before = protocolCalls.count;
        m.transmit(module->address());
        if (!bus.runUntil([&] { return protocolCalls.count > before; }, 20000)) return false;
        const ProtocolCall& c = protocolCalls.last();
        EXPECT_EQ(c.response, FL_Done)
            << "error code " << int(c.errorCode) << " at 0x" << std::hex << c.value;
        return c.response == FL_Done;
    }

    void program(Osf& f) {
        ASSERT_TRUE(command(ChangeToProgramModeCmdMsg));
        ASSERT_TRUE(EraseSectorsCmd.updateMsgData(f.sectors.count, f.sectors.list));
        ASSERT_TRUE(command(EraseSectorsCmd));
        unsigned long records = 0;
        while (f.readNextRecord() && f.record.type != HexEndOfFile) {
            ASSERT_TRUE(PgmDataCmd.setDataFromHexRecord(f.record)) << "record " << records;
            ASSERT_TRUE(command(PgmDataCmd)) << "record " << records;
            ++records;
        }
        EXPECT_NE(f.readState(), OsfReadState::Malformed);
        ASSERT_TRUE(command(ChangeToRunModeCmdMsg));
        EXPECT_EQ(module->received(ModCmd::Data), records);
    }

    // Programs the file and compares the flash with srec_cat's image of it.
    void programAndCompare(const std::string& path) {
        Osf f;
        f.init(path.c_str());
        OsfValidation v;
        ASSERT_TRUE(f.validate(&v)) << osfFaultText(v.fault) << " on line " << v.line;
        ASSERT_GT(f.sectors.count, 0);
        ASSERT_NO_FATAL_FAILURE(program(f));
        // The erased sectors in one range, as the demo's files have them.
        FlashImage& flash = module->flash();
        int first = static_cast<int>(f.sectors.list[0]);
        int last = static_cast<int>(f.sectors.list[f.sectors.count - 1]);
        ASSERT_EQ(last - first + 1, f.sectors.count);
        uint64_t from = flash.base() + uint64_t{flash.sectorOffset(first)};
        uint64_t to = flash.base() + uint64_t{flash.sectorOffset(last)} + flash.sectorSize(last);
        std::string out = makeTempDir() + "/srec.bin";
        ProgramRun r({path, "-Intel", "-crop", std::to_string(from), std::to_string(to), "-fill",
                      "0xFF", std::to_string(from), std::to_string(to), "-offset",
                      "-" + std::to_string(from), "-o", out, "-Binary"});
        r.program = SREC_CAT;
        r.argv0 = "srec_cat";
        ProgramResult res = runProgram(r);
        ASSERT_EQ(res.exitStatus, 0)
            << "srec_cat (tools/install-deps --tests installs srecord): " << res.err;
        std::vector<uint8_t> expected = readBinary(out);
        ASSERT_EQ(expected.size(), to - from);
        const uint8_t* image = flash.bytes();
        size_t offset = static_cast<size_t>(from - flash.base());
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), image + offset));
        for (size_t i = 0; i < flash.size(); ++i) {
            if (i < offset || i >= offset + expected.size()) {
                ASSERT_EQ(image[i], module->description().fill) << "untouched byte " << i;
            }
        }
    }
};

TEST_F(ImageTest, EachDemoFileIntoItsDemoModule) {
    const char* const pairs[][2] = {{"engine", "engine-3.2.0.hex"},
                                    {"transmission", "transmission-1.5.0.hex"},
                                    {"cab", "cab-2.0.1.hex"}};
    start({demoModule(pairs[0][0]), demoModule(pairs[1][0]), demoModule(pairs[2][0])});
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(pairs[i][1]);
        module = &modules.module(i);
        programAndCompare(std::string(DEMO_DIR "/stick/") + pairs[i][1]);
    }
}
} // namespace
