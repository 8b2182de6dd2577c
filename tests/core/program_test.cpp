// The framework: command-line parsing, start-up order, the main loop's once-a-second work
// and the exit statuses of every kind of termination, in one process and as a user runs the
// program (version line, host options, key scripts).
#include <gtest/gtest.h>

#include "core/framework.h"
#include "platform/host/host_clock.h"
#include "platform/host/host_coproc.h"
#include "platform/io_services.h"
#include "tests/support/program_runner.h"
#include "tests/support/test_application.h"
#include "tests/support/virtual_time.h"

namespace {
const std::string VersionTail = " 1.1 (build 5.7.1) 11:18:46 Dec  5 2018\n";

// An application that refuses to run, so the framework prints the version line.
struct RefusingApp : TestApplication {
    std::vector<std::string> argv;
    bool checkArgs(int c, char** v) override {
        for (int i = 0; i < c; ++i)
            argv.push_back(v[i]);
        return false;
    }
};

int runMain(std::vector<std::string> args) {
    static std::vector<std::string> keep;
    keep = std::move(args);
    static std::vector<char*> argv;
    argv.clear();
    for (std::string& a : keep)
        argv.push_back(&a[0]);
    argv.push_back(nullptr);
    return frameworkMain(static_cast<int>(keep.size()), argv.data());
}

class CommandLineTest : public ::testing::Test {
protected:
    RefusingApp app;
    void SetUp() override { theApplication = &app; }
    int status = -1;
    // Runs the framework's main, which stops after parsing; returns what it printed.
    std::string run(std::vector<std::string> args) {
        testing::internal::CaptureStdout();
        status = runMain(std::move(args));
        return testing::internal::GetCapturedStdout();
    }
};

TEST_F(CommandLineTest, FlagsAreAppliedAndEchoed) {
    // The program's name is what follows the last separator of any kind.
    EXPECT_EQ(run({"C:/tools:dev\\prog", "a", "-Flags:sHxe"}), "prog -Flags:sHe" + VersionTail);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(GlobalCmdLineFlags[FlagS]);
    EXPECT_FALSE(GlobalCmdLineFlags[FlagH]);
    EXPECT_TRUE(GlobalCmdLineFlags[FlagE]);
    EXPECT_EQ(app.argv[1], "a");
    EXPECT_EQ(app.argv.size(), 2u); // without the flags
}

TEST_F(CommandLineTest, StartupOptionOnlyAtTheEnd) {
    run({"prog", "x", "-startup", "boot.bin"});
    EXPECT_STREQ(StartupScriptFileName, "boot.bin");
    EXPECT_EQ(app.argv, (std::vector<std::string>{"prog", "x"}));
    StartupScriptFileName = "startupScript";
}

// Runs the whole framework on the virtual clock with a test application; the application's
// actions decide when it ends.
class LoopTest : public ::testing::Test {
protected:
    TestApplication* app;
    std::string dir = makeTempDir();
    std::string script = dir + "/script";
    void SetUp() override {
        startVirtualClock(5000);
        app = &installTestApplication();
        StartupScriptFileName = script.c_str(); // no such file until a test writes it
        GlobalCmdLineFlags[FlagH] = false;
    }
    int run() {
        testing::internal::CaptureStdout();
        int status = runMain({"prog"});
        testing::internal::GetCapturedStdout();
        return status;
    }
};

TEST_F(LoopTest, CodeThreeStopsARepeatingSoundAndReturnsTwo) {
    app->onStartupAction = [] {
        playSound(2, true);
        FW.terminate(3, true);
    };
    GlobalCmdLineFlags[FlagS] = true;
    unsigned killed = hostCoprocessor().soundsKilled;
    EXPECT_EQ(run(), 2); // power-down requested: bit 64 cleared
    EXPECT_EQ(hostCoprocessor().soundsKilled, killed + 1);
    EXPECT_EQ(app->shutdowns, 1);
}

TEST_F(LoopTest, ErrorTerminationKeepsTheUnitPowered) {
    app->onStartupAction = [] { FW.errorTermination(5, true); };
    EXPECT_EQ(run(), 68);
}

TEST_F(LoopTest, ThePendingSyncIsCountedDownEveryFiveSeconds) {
    static std::vector<uint32_t> syncedAt;
    static uint32_t writtenAt;
    FW.registerSyncCallback([] { syncedAt.push_back(getMsTime() - writtenAt); });
    app->onStartupAction = [] {
        writtenAt = getMsTime();
        FileSystemSyncTimer = 2; // as a configuration write sets it
    };
    app->backgroundAction = [] {
        if (FileSystemSyncTimer == 0) FileSystemSyncTimer = 1;
        if (syncedAt.size() == 3) FW.terminate(1, false);
    };
    EXPECT_EQ(run(), 0);
    // 5 to 10 s after the write, then one 5 s period each.
    ASSERT_EQ(syncedAt.size(), 3u);
    EXPECT_TRUE(syncedAt[0] >= 5000u && syncedAt[0] <= 10000u) << syncedAt[0];
    EXPECT_EQ(syncedAt[1] - syncedAt[0], 5000u);
    EXPECT_EQ(syncedAt[2] - syncedAt[1], 5000u);
}

TEST_F(LoopTest, StartupScriptPacesTheStart) {
    // Record 2: default delay 0, pause 700; then record 0.
    writeFile(script, std::string("\x02\x00\x04\x00\x00\x00\x00\x00\xbc\x02", 10) +
                          std::string("\x00\x00\x00\x00\x00\x00", 6));
    static uint32_t startedAt, t0;
    struct App : TestApplication {
        // Called once the platform has started (which takes time of its own).
        bool checkArgs(int, char**) override {
            t0 = getMsTime();
            return true;
        }
    } paced;
    paced.onStartupAction = [] {
        startedAt = getMsTime();
        FW.terminate(1, false);
    };
    theApplication = &paced;
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(startedAt - t0, 700u);
}

// The power key ending the program (status 0) and virtual time skipping idle waits are
// pinned by the screen runs of tests/flashloader/main_screen_test.cpp; -v opening nothing
// by tests/platform/host_can_test.cpp.
TEST(ProgramTest, FlagSKeepsTheUnitPoweredExceptOnAnInterrupt) {
    EXPECT_EQ(runProgram(ProgramRun({"--keys", "-", "-Flags:s"}, "quit\n")).exitStatus, 64);
    ProgramRun run({"-Flags:s"});
    run.interruptWhen = "started";
    ProgramResult r = runProgram(run);
    EXPECT_EQ(r.signal, 0);
    EXPECT_EQ(r.exitStatus, 1);
    EXPECT_NE(r.out.find("stopped"), std::string::npos); // the shutdown chain ran
}

// Options of the transports and the window are refused in their own tests.
TEST(ProgramTest, BadOptionsAndKeyScriptsAreOneLineAndStatusTwo) {
    ProgramResult r = runProgram(ProgramRun({"--frobnicate", "-v"}));
    EXPECT_EQ(r.exitStatus, 2);
    EXPECT_EQ(r.err + r.out, "flashloader: unknown option '--frobnicate'\n");
    std::string dir = makeTempDir();
    writeFile(dir + "/keys", "ENTER\n# comment\n\nwait 10\nPAGEUP\n");
    r = runProgram(ProgramRun({"--keys", dir + "/keys"}));
    EXPECT_EQ(r.exitStatus, 2);
    EXPECT_EQ(r.err, dir + "/keys:5: PAGEUP: no key on the keypad gives this event\n");
}

TEST(ProgramTest, IdleProgramDoesNotSpin) {
    ProgramResult r = runProgram(ProgramRun({"--keys", "-"}, "wait 1500\nquit\n"));
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_GE(r.wallMs, 1400);
    // A spinning loop would use the whole 1.5 s; an idle one little beyond its start-up (the
    // search of the stick's directory takes a step every millisecond for its first 2 s).
    EXPECT_LT(r.cpuMs, r.wallMs / 4) << "cpu " << r.cpuMs << " ms over " << r.wallMs << " ms";
}
} // namespace
