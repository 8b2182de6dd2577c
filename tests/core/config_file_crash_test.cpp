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
    std::string dir = makeTempDir();
    TestSettings s(dir + "/crash.cfg");
    std::string versions[2];
    for (int v : {1, 0}) {
        useVersion(s, v);
        s.cfg.writeCfg(false);
        versions[v] = readFile(s.path);
    }
    std::mt19937 rng(20240514);
    int seen[2] = {}, temporariesLeft = 0;
    const int kills = 300;
    for (int i = 0; i < kills; ++i) {
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            for (int n = 1;; ++n) {
                useVersion(s, n & 1);
                s.cfg.writeCfg(false);
            }
        }
        // A random moment within the first few write cycles.
        timespec t = {0, static_cast<long>(rng() % 3000) * 1000};
        nanosleep(&t, nullptr);
        kill(pid, SIGKILL);
        int status;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        std::string now = readFile(s.path);
        ASSERT_TRUE(now == versions[0] || now == versions[1]) << "after kill " << i << ":\n" << now;
        ++seen[now == versions[1]];
        if (access((s.path + ".tmp").c_str(), F_OK) == 0) {
            ++temporariesLeft;
            unlink((s.path + ".tmp").c_str());
        }
    }
    // The kills fell inside writes (a temporary was left behind) and writes completed.
    EXPECT_GT(temporariesLeft, 0);
    EXPECT_GT(seen[0], 0);
    EXPECT_GT(seen[1], 0);
    EXPECT_TRUE(s.cfg.readCfg());
}
} // namespace
