// The program as a user runs it: version line, exit statuses, host options and key scripts.
#include <gtest/gtest.h>

#include "tests/support/program_runner.h"

namespace {
const char* VersionTail = " 1.1 (build 5.7.1) 11:18:46 Dec  5 2018\n";

TEST(ProgramTest, VersionLineOnlyAndNothingOpened) {
    // The key script does not exist: opening the platform would fail, -v must not.
    ProgramResult r = runProgram(ProgramRun({"--keys", "/nonexistent/keys", "-v"}));
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(r.out, std::string("flashloader") + VersionTail);
    EXPECT_EQ(r.err, "");
    // The program's name is what follows the last separator of any kind.
    ProgramRun run({"-v"});
    run.argv0 = "C:\\tools\\dev:bin/flash";
    EXPECT_EQ(runProgram(run).out, std::string("flash") + VersionTail);
}

TEST(ProgramTest, QuitAndPowerKeyEndWithStatusZero) {
    ProgramResult q = runProgram(ProgramRun({"--keys", "-"}, "ENTER\nDOWNARROW\nquit\n"));
    EXPECT_EQ(q.exitStatus, 0) << q.err;
    EXPECT_NE(q.out.find("key ENTER\nkey DOWNARROW\n"), std::string::npos) << q.out;

    ProgramResult p = runProgram(ProgramRun({"--keys", "-"}, "PWRKEY\nENTER\n"));
    EXPECT_EQ(p.exitStatus, 0);
    EXPECT_NE(p.out.find("key PWRKEY"), std::string::npos);
    EXPECT_EQ(p.out.find("key ENTER"), std::string::npos); // ended before the next key
}

TEST(ProgramTest, FlagSKeepsTheUnitPoweredBit64) {
    ProgramResult r = runProgram(ProgramRun({"--keys", "-", "-Flags:s"}, "quit\n"));
    EXPECT_EQ(r.exitStatus, 64);
}

TEST(ProgramTest, InterruptSignalEndsWithStatusOneEvenWithFlagS) {
    ProgramRun run({"-Flags:s"});
    run.interruptWhen = "started";
    ProgramResult r = runProgram(run);
    EXPECT_EQ(r.signal, 0);
    EXPECT_EQ(r.exitStatus, 1);
    EXPECT_NE(r.out.find("stopped"), std::string::npos); // the shutdown chain ran
}

TEST(ProgramTest, BadHostOptionsAreOneLineAndStatusTwo) {
    ProgramResult r = runProgram(ProgramRun({"--frobnicate", "-v"}));
    EXPECT_EQ(r.exitStatus, 2);
    EXPECT_EQ(r.err, "flashloader: unknown option '--frobnicate'\n");
    EXPECT_EQ(r.out, "");
    for (std::string bad : {"--keys", "--display=hologram"}) {
        r = runProgram(ProgramRun({bad}));
        EXPECT_EQ(r.exitStatus, 2) << bad;
        EXPECT_NE(r.err.find(bad.substr(bad.find('=') + 1)), std::string::npos) << r.err;
    }
}

TEST(ProgramTest, HelpListsTheHostOptions) {
    ProgramResult r = runProgram(ProgramRun({"--help"}));
    EXPECT_EQ(r.exitStatus, 0);
    for (const char* o : {"--can", "--can-log", "--display", "--keys", "--usb", "--virtual-time"})
        EXPECT_NE(r.out.find(o), std::string::npos) << o;
}

TEST(ProgramTest, BadKeyScriptIsReportedWithItsLine) {
    std::string dir = makeTempDir();
    writeFile(dir + "/keys", "ENTER\n# comment\n\nwait 10\nPAGEUP\n");
    ProgramResult r = runProgram(ProgramRun({"--keys", dir + "/keys"}));
    EXPECT_EQ(r.exitStatus, 2);
    EXPECT_EQ(r.err, dir + "/keys:5: PAGEUP: no key on the keypad gives this event\n");

    writeFile(dir + "/keys", "wait soon\n");
    r = runProgram(ProgramRun({"--keys", dir + "/keys"}));
    EXPECT_EQ(r.exitStatus, 2);
    EXPECT_NE(r.err.find(":1: wait soon"), std::string::npos);

    r = runProgram(ProgramRun({"--keys", dir + "/missing"}));
    EXPECT_EQ(r.exitStatus, 2);
    EXPECT_NE(r.err.find("missing"), std::string::npos);
}

TEST(ProgramTest, BadLinesOnStandardInputAreSkipped) {
    ProgramResult r = runProgram(ProgramRun({"--keys", "-"}, "HELLO\nESC\nquit\n"));
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_NE(r.err.find("keys:1: HELLO"), std::string::npos);
    EXPECT_NE(r.out.find("key ESC"), std::string::npos);
}

TEST(ProgramTest, IdleProgramDoesNotSpin) {
    std::string dir = makeTempDir();
    writeFile(dir + "/keys", "wait 1500\nquit\n");
    ProgramResult r = runProgram(ProgramRun({"--keys", dir + "/keys"}));
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_GE(r.wallMs, 1400);
    // A spinning loop would use the whole 1.5 s; an idle one little beyond its start-up (the
    // search of the stick's directory takes a step every millisecond for its first 2 s).
    EXPECT_LT(r.cpuMs, r.wallMs / 4) << "cpu " << r.cpuMs << " ms over " << r.wallMs << " ms";
}

TEST(ProgramTest, VirtualTimeSkipsIdleTime) {
    std::string dir = makeTempDir();
    writeFile(dir + "/keys", "wait 600000\nENTER\nquit\n");
    ProgramResult r = runProgram(ProgramRun({"--virtual-time", "--keys", dir + "/keys"}));
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_LT(r.wallMs, 5000);
    EXPECT_NE(r.out.find("key ENTER"), std::string::npos);
}
} // namespace
