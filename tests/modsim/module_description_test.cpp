// Module descriptions as users write them: the words that set a module up, the faults, and
// what a mistake is told as (with the file's line).
#include <gtest/gtest.h>

#include <string>

#include "modsim/module_bus.h"
#include "modsim/module_description.h"
#include "tests/support/program_runner.h"

namespace {
// Most words show in what the module does (sim_module_test); here the NAME and the layout.
TEST(ModuleDescriptionTest, NameAndLayoutWords) {
    ModuleDescription s;
    char err[200];
    ASSERT_TRUE(
        parseModuleDescription("  sa=0x80,id=0x1A2B3 function=3 industry=2 vsys=5 vsys-instance=1 "
                               "function-instance=4 ecu=2 aac=1 manufacturer=0x123 "
                               "sectors=2*16K+64K app=654.99.255\n",
                               &s, err, sizeof err))
        << err;
    const uint8_t name[8] = {0xB3, 0xA2, 0x61, 0x24, 0x22, 0x03, 0x0A, 0xA1};
    EXPECT_TRUE(std::equal(name, name + 8, s.name));
    EXPECT_EQ(s.app.version, 65499);
    ASSERT_EQ(s.sectorRunCount, 2);
    EXPECT_EQ(s.sectorRuns[0].count * 10000000 + s.sectorRuns[0].size, 20016384u);
    EXPECT_EQ(s.sectorRuns[1].count * 10000000 + s.sectorRuns[1].size, 10065536u);
    ASSERT_TRUE(parseModuleDescription("sa=5 name=A000000000000090 flash=1M sector=128K", &s, err,
                                       sizeof err));
    EXPECT_EQ(s.name[7] << 8 | s.name[0], 0xA090);
    EXPECT_EQ(s.sectorRuns[0].count * 10000000 + s.sectorRuns[0].size, 80131072u);
    // Without NAME fields the identity is the address, so that modules differ.
    ASSERT_TRUE(parseModuleDescription("sa=7", &s, err, sizeof err));
    EXPECT_EQ(s.identity(), 7u);
}

TEST(ModuleDescriptionTest, MistakesAreNamed) {
    const struct {
        const char* text;
        const char* says;
    } cases[] = {
        {"id=5", "sa=ADDR is missing"},
        {"sa=254", "'sa=254': bad value"},
        {"sa=1 flash=100K sector=64K", "multiple of sector="},
        {"sa=1 sectors=4000*1K+100*1K", "more than 4096 sectors"},
        {"sa=1 refuse-version=3", "no such fault for this command"},
        {"sa=1 ignore-mode=4", "takes no value"},
        {"sa=1 refuse-run=256", "needs a number"},
        {"sa=1 bogus=1", "'bogus=1': unknown key"},
        {"sa=1 nonsense", "unknown word"},
        {"sa=1 app=1.2", "bad value"},
        {"sa=1 app=655.0.0", "bad value"},
        {"sa=1 name=12345", "bad value"},
        {"sa=1 name=A000000000000090 id=5", "name= and NAME fields together"},
        {"sa=1 id=1@2", "@N only on faults"},
        {"sa=1 ignore-data@0", "bad @N"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        ModuleDescription s;
        char err[200] = "";
        EXPECT_FALSE(parseModuleDescription(c.text, &s, err, sizeof err));
        EXPECT_NE(std::string(err).find(c.says), std::string::npos) << err;
    }
    std::string many = "sa=1";
    for (int i = 0; i < ModuleDescription::MaxRules + 1; ++i)
        many += " ignore-data@" + std::to_string(i + 1);
    ModuleDescription s;
    char err[200];
    EXPECT_FALSE(parseModuleDescription(many.c_str(), &s, err, sizeof err));
    EXPECT_NE(std::string(err).find("too many faults"), std::string::npos);
}

TEST(ModuleDescriptionTest, DescriptionFiles) {
    std::string dir = makeTempDir();
    writeFile(dir + "/ok", "# two modules\n\nsa=1 label=a   # first\n  sa=2,label=b\n");
    writeFile(dir + "/bad", "sa=1\n\nsa=2 app=x\n");
    ModuleDescription descs[4];
    char err[200];
    ASSERT_EQ(parseModuleFile((dir + "/ok").c_str(), descs, 4, err, sizeof err), 2) << err;
    EXPECT_STREQ(descs[1].label, "b");
    EXPECT_EQ(parseModuleFile((dir + "/ok").c_str(), descs, 1, err, sizeof err), -1);
    EXPECT_NE(std::string(err).find("ok:4: more than 1 modules"), std::string::npos) << err;
    EXPECT_EQ(parseModuleFile((dir + "/bad").c_str(), descs, 4, err, sizeof err), -1);
    EXPECT_NE(std::string(err).find("bad:3: 'app=x': bad value"), std::string::npos) << err;
    EXPECT_EQ(parseModuleFile((dir + "/missing").c_str(), descs, 4, err, sizeof err), -1);
    EXPECT_NE(std::string(err).find("missing: No such file"), std::string::npos) << err;
}

TEST(ModuleDescriptionTest, ALayoutTheFlashCannotHoldMakesNoModule) {
    ModuleDescription s;
    char err[200];
    ASSERT_TRUE(
        parseModuleDescription("sa=1 base=0xFFFF0000 flash=1M sector=64K", &s, err, sizeof err));
    ModuleBus set;
    EXPECT_EQ(set.add(s, err, sizeof err), nullptr);
    EXPECT_STREQ(err, "module 0x01: its flash cannot be built");
    EXPECT_EQ(set.count(), 0);
    EXPECT_FALSE(set.join(nullptr));
}
} // namespace
