// Power loss during a settings write, as near as a process can come to it: a child rewrites
// the file in a loop and is killed with SIGKILL at random moments. After every kill the
// file must read back as either the old or the new settings, whole.
#include <gtest/gtest.h>

#include <csignal>
#include <random>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include "tests/core/config_file_support.h"
#include "tests/support/program_runner.h"

namespace {
// Two sets of values whose files differ in length and in every line.
void useVersion(TestSettings& s, int v) {
    s.inverted = v != 0;
    s.gain = v != 0 ? 12345.678 : 1;
    s.mode = v != 0 ? 'n' : 'o';
    strcpy(reinterpret_cast<char*>(s.title), v != 0 ? "new settings.." : "old");
    s.volume.setValue(v != 0 ? 100 : 1);
    s.letter.setValue(v != 0 ? 'N' : 'O');
}

TEST(ConfigFileCrashTest, AKilledWriterLeavesTheOldOrTheNewFileWhole) {
    // In memory where there is a memory file system: a process kill does not reach below the
    // page cache, and the disk's flushes would only make the test slow.
    char shm[] = "/dev/shm/flcrash.XXXXXX";
    std::string dir = mkdtemp(shm) != nullptr ? shm : makeTempDir();
    TestSettings s(dir + "/crash.cfg");
    std::string versions[2];
    timespec before, after;
    clock_gettime(CLOCK_MONOTONIC, &before);
    for (int v : {1, 0}) {
        useVersion(s, v);
        s.cfg.writeCfg(false);
        versions[v] = readFile(s.path);
    }
    clock_gettime(CLOCK_MONOTONIC, &after);
    // Kills fall anywhere in the first two write cycles, however fast the disk is.
    long cycleNs =
        ((after.tv_sec - before.tv_sec) * 1000000000L + after.tv_nsec - before.tv_nsec) / 2 + 1;
    std::mt19937 rng(20240514);
    int onFile = 0, changed = 0, temporariesLeft = 0;
    const int kills = 500;
    for (int i = 0; i < kills; ++i) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            for (int v = onFile ^ 1;; v ^= 1) {
                useVersion(s, v);
                s.cfg.writeCfg(false);
            }
        }
        long ns = static_cast<long>(rng() % static_cast<unsigned long>(2 * cycleNs));
        timespec t = {ns / 1000000000L, ns % 1000000000L};
        nanosleep(&t, nullptr);
        kill(pid, SIGKILL);
        int status;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        std::string now = readFile(s.path);
        ASSERT_TRUE(now == versions[0] || now == versions[1]) << "after kill " << i << ":\n" << now;
        changed += now != versions[onFile];
        onFile = now == versions[1];
        if (access((s.path + ".tmp").c_str(), F_OK) == 0) {
            ++temporariesLeft;
            unlink((s.path + ".tmp").c_str());
        }
    }
    // Some kills fell inside a write (its temporary was left behind), some after one.
    EXPECT_GT(temporariesLeft, 0);
    EXPECT_GT(changed, 0);
    EXPECT_LT(changed, kills);
    EXPECT_TRUE(s.cfg.readCfg());
    unlink(s.path.c_str());
    rmdir(dir.c_str());
}
} // namespace
