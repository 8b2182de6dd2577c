// Child-process runner for end-to-end tests of the program.
#include "tests/support/program_runner.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

namespace {
long long elapsedMs(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
}
} // namespace

std::string makeTempDir() {
    char tmpl[] = "/tmp/fltest.XXXXXX";
    char* d = mkdtemp(tmpl);
    return d != nullptr ? std::string(d) : std::string("/tmp");
}

void writeFile(const std::string& path, const std::string& content) {
    std::ofstream f(path, std::ios::binary);
    f << content;
}

ProgramResult runProgram(const ProgramRun& run) {
    ProgramResult result;
    std::string dir = run.workDir.empty() ? makeTempDir() : run.workDir;
    int inPipe[2], outPipe[2], errPipe[2];
    if (pipe(inPipe) != 0 || pipe(outPipe) != 0 || pipe(errPipe) != 0) return result;
    pid_t pid = fork();
    if (pid == 0) {
        dup2(inPipe[0], 0);
        dup2(outPipe[1], 1);
        dup2(errPipe[1], 2);
        for (int fd : {inPipe[0], inPipe[1], outPipe[0], outPipe[1], errPipe[0], errPipe[1]})
            close(fd);
        if (chdir(dir.c_str()) != 0) _exit(127);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(run.argv0.c_str()));
        for (const std::string& a : run.args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(run.program.c_str(), argv.data());
        _exit(127);
    }
    close(inPipe[0]);
    close(outPipe[1]);
    close(errPipe[1]);
    signal(SIGPIPE, SIG_IGN);
    if (!run.stdinText.empty()) {
        ssize_t w = write(inPipe[1], run.stdinText.data(), run.stdinText.size());
        (void)w;
    }
    close(inPipe[1]);

    auto start = std::chrono::steady_clock::now();
    bool interrupted = false;
    bool outOpen = true, errOpen = true;
    while (outOpen || errOpen) {
        long long t = elapsedMs(start);
        if (!interrupted && !run.interruptWhen.empty() &&
            result.out.find(run.interruptWhen) != std::string::npos) {
            kill(pid, SIGINT);
            interrupted = true;
        }
        if (t >= run.timeoutMs) {
            kill(pid, SIGKILL);
            break;
        }
        pollfd p[2] = {{outOpen ? outPipe[0] : -1, POLLIN, 0},
                       {errOpen ? errPipe[0] : -1, POLLIN, 0}};
        poll(p, 2, 50);
        auto drain = [](const pollfd& pf, bool& open, std::string& into) {
            char buf[4096];
            if (!open || pf.revents == 0) return;
            ssize_t n = read(pf.fd, buf, sizeof buf);
            if (n > 0)
                into.append(buf, static_cast<size_t>(n));
            else
                open = false;
        };
        drain(p[0], outOpen, result.out);
        drain(p[1], errOpen, result.err);
    }
    close(outPipe[0]);
    close(errPipe[0]);
    int status = 0;
    rusage ru{};
    wait4(pid, &status, 0, &ru);
    result.wallMs = static_cast<double>(elapsedMs(start));
    result.cpuMs = (ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) * 1000.0 +
                   (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1000.0;
    if (WIFEXITED(status)) result.exitStatus = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
    return result;
}
