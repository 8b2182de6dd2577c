// Configuration files: defaults under whatever the file provides, the written format, the
// write-only-when-changed rule, and the crash-proof rewrite (temporary file flushed before
// the rename, directory flushed after it, the old file kept when writing fails).
#include <gtest/gtest.h>

#include <dirent.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "core/crash_proof_file.h"
#include "core/framework.h"
#include "tests/core/config_file_support.h"
#include "tests/support/program_runner.h"

namespace {
std::vector<std::string> filesIn(const std::string& dir) {
    std::vector<std::string> names;
    DIR* d = opendir(dir.c_str());
    while (dirent* e = readdir(d))
        if (e->d_name[0] != '.') names.push_back(e->d_name);
    closedir(d);
    return names;
}

class ConfigFileTest : public ::testing::Test {
protected:
    std::string dir = makeTempDir();
    TestSettings s{dir + "/display.cfg"};
    void SetUp() override { FileSystemSyncTimer = 0; }
};

// Every value read, as "inverted|gain|mode|title|volume|letter code".
std::string valuesOf(const TestSettings& s) {
    return std::to_string(s.inverted) + "|" + std::to_string(s.gain) + "|" + s.mode + "|" +
           s.title_() + "|" + std::to_string(s.volume.value) + "|" +
           std::to_string(static_cast<int>(s.letter.value));
}

TEST_F(ConfigFileTest, ReadingSetsTheDefaultsThenWhatTheFileHolds) {
    // The default title is cut to the 15 bytes its target holds.
    const std::string D = "1|1.500000|A|Flash programme|8.000000|120";
    const struct {
        const char* name;
        std::string file; // empty: no file
        bool ok;
        std::string values;
    } cases[] = {
        {"no file", "", false, D},
        {"all values", Written, true, "0|2.250000|q|Hello|3.000000|122"},
        {"version above the range", "CFG 4\n[DISPLAY]\n<gain> = 7\n", false, D},
        {"version below the range", "CFG 1\n[DISPLAY]\n<gain> = 7\n", false, D},
        {"foreign signature", "XYZ 3\n[DISPLAY]\n<gain> = 7\n", false, D},
        {"lowest version, no sections", "CFG 2\n", true, D},
        {"values that do not scan",
         "CFG 3\n[DISPLAY]\n<gain> = x\n<inverted> = no\n<mode> = q\n<title> = T\n"
         "[SOUND]\n<volume> = \n<letter> = '",
         true, D},
        {"string cut to its target", "CFG 3\n[DISPLAY]\n<title> = \"0123456789abcdefXYZ\"\n", true,
         "1|1.500000|A|0123456789abcde|8.000000|120"},
        // The part of a line beyond the buffer is dropped, not read as a line of its own.
        {"overlong line",
         "CFG 3\n[DISPLAY]\n<title> = \"" + std::string(244, 'a') +
             "[SOUND]\n<volume> = 5\n<gain> = 6\n",
         true, "1|6.000000|A|aaaaaaaaaaaaaaa|8.000000|120"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        unlink(s.path.c_str());
        if (!c.file.empty()) writeFile(s.path, c.file);
        // Values left from the previous case must not survive.
        s.inverted = c.values[0] == '0';
        s.gain = s.volume.value = s.letter.value = -99;
        s.cfg.touch();
        EXPECT_EQ(s.cfg.readCfg(), c.ok);
        EXPECT_EQ(valuesOf(s), c.values);
        EXPECT_FALSE(s.cfg.changed);
    }
    // A value read into data tells the data's parties: a setting takes effect when read.
    struct Party : Notifiable {
        double volume = -1, letter = -1;
        Data* v = nullptr;
        void notify(NotificationEvent, Data* d) override {
            if (d != nullptr) (d == v ? volume : letter) = d->getValue();
        }
    } party;
    party.v = &s.volume;
    s.volume.registerInterest(&party);
    s.letter.registerInterest(&party);
    writeFile(s.path, Written);
    EXPECT_TRUE(s.cfg.readCfg());
    EXPECT_EQ(party.volume, 3);
    EXPECT_EQ(party.letter, 'z');
    s.volume.deregisterInterest(&party);
    s.letter.deregisterInterest(&party);
}

TEST_F(ConfigFileTest, WritingGivesTheFormatAndReadsBack) {
    s.cfg.readCfg();
    s.inverted = false;
    s.gain = 2.25;
    s.mode = 'q';
    memcpy(s.title, "Hello", 6);
    s.volume.setValue(3);
    s.letter.setValue('z');
    s.cfg.writeCfg(false);
    EXPECT_EQ(readFile(s.path), Written);
    EXPECT_EQ(filesIn(dir), std::vector<std::string>{"display.cfg"}); // no temporary left
}

TEST_F(ConfigFileTest, WritingIfChangedWaitsForATouch) {
    s.cfg.writeCfg(true); // neither read nor touched: nothing to write
    EXPECT_NE(access(s.path.c_str(), F_OK), 0);
    writeFile(s.path, Written);
    s.cfg.readCfg();
    s.gain = 5;
    s.cfg.writeCfg(true);
    EXPECT_EQ(readFile(s.path), Written);
    EXPECT_EQ(FileSystemSyncTimer, 0);
    s.cfg.touch();
    s.cfg.writeCfg(true);
    EXPECT_NE(readFile(s.path).find("<gain> = 5.000\n"), std::string::npos);
    EXPECT_EQ(FileSystemSyncTimer, 2);
}

// Every fsync and rename, in order, with what the descriptor names.
std::vector<std::string> calls;
CrashProofFileOps realOps = crashProofFileOps;
int failingCall = -1; // the call that fails, counted from 0; -1 none

bool fails() {
    return static_cast<int>(calls.size()) - 1 == failingCall;
}
int recordFsync(int fd) {
    char target[512] = {};
    readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), target, sizeof target - 1);
    calls.push_back(std::string("fsync ") + target);
    return fails() ? -1 : realOps.fsync(fd);
}
int recordRename(const char* from, const char* to) {
    calls.push_back(std::string("rename ") + from + " " + to);
    return fails() ? -1 : realOps.rename(from, to);
}

class CrashProofTest : public ConfigFileTest {
protected:
    void SetUp() override {
        ConfigFileTest::SetUp();
        calls.clear();
        failingCall = -1;
        crashProofFileOps = {recordFsync, recordRename};
        char real[PATH_MAX];
        ASSERT_NE(realpath(dir.c_str(), real), nullptr);
        dir = real;
    }
    void TearDown() override { crashProofFileOps = realOps; }
};

TEST_F(CrashProofTest, TheFileIsFlushedBeforeTheRenameAndTheDirectoryAfter) {
    s.cfg.readCfg();
    s.cfg.writeCfg(false);
    EXPECT_EQ(calls,
              (std::vector<std::string>{"fsync " + dir + "/display.cfg.tmp",
                                        "rename " + s.path + ".tmp " + s.path, "fsync " + dir}));
}

// When flushing or renaming fails the old file stays whole, no temporary is left behind,
// and the setting stays marked as changed for the next attempt.
TEST_F(CrashProofTest, AFailedWriteKeepsTheOldFileAndTheChange) {
    for (int failing : {0, 1}) {
        writeFile(s.path, Written);
        s.cfg.readCfg();
        s.gain = 7;
        s.cfg.touch();
        calls.clear();
        failingCall = failing;
        s.cfg.writeCfg(true);
        EXPECT_EQ(calls.size(), static_cast<size_t>(failing + 1));
        EXPECT_EQ(readFile(s.path), Written);
        EXPECT_TRUE(s.cfg.changed);
        EXPECT_EQ(FileSystemSyncTimer, 0);
        if (failing == 0) {
            EXPECT_EQ(filesIn(dir), std::vector<std::string>{"display.cfg"});
        }
    }
    failingCall = -1;
    s.cfg.writeCfg(true);
    EXPECT_FALSE(s.cfg.changed);
    EXPECT_NE(readFile(s.path).find("<gain> = 7.000\n"), std::string::npos);
}

TEST_F(CrashProofTest, TheTemporaryLivesBesideTheFile) {
    // A discarded file leaves the old one as it was.
    writeFile(dir + "/keep", "old");
    CrashProofFILE f;
    fputs("new", crashProof_fopen(&f, (dir + "/keep").c_str(), "w", "keep.new"));
    EXPECT_FALSE(crashProof_fclose(&f, true));
    EXPECT_EQ(readFile(dir + "/keep"), "old");
    EXPECT_EQ(filesIn(dir), std::vector<std::string>{"keep"});
    EXPECT_TRUE(calls.empty());
    // A temporary path that does not fit its buffer is refused.
    std::string longName(300, 'n');
    EXPECT_EQ(crashProof_fopen(&f, (dir + "/keep").c_str(), "w", longName.c_str()), nullptr);
    EXPECT_FALSE(crashProof_fclose(&f, false));
}
} // namespace
