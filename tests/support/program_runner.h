// Runs the flashloader program as a child process, as a user or a start script would.
#pragma once

#include <string>
#include <vector>

struct ProgramResult {
    int exitStatus = -1; // -1 when it did not exit normally
    int signal = 0;
    std::string out;
    std::string err;
    double cpuMs = 0; // user + system time of the child
    double wallMs = 0;
};

struct ProgramRun {
    std::vector<std::string> args; // without the program name
    std::string stdinText;
    std::string argv0 = FLASHLOADER_BIN;
    std::string program = FLASHLOADER_BIN; // the executable run (the tools are run too)
    std::string workDir;       // empty: a fresh temporary directory
    std::string interruptWhen; // send SIGINT once standard output contains this text
    int timeoutMs = 20000;     // killed (and reported as signal 9) after this

    explicit ProgramRun(std::vector<std::string> a = {}, std::string in = {})
        : args(std::move(a)), stdinText(std::move(in)) {}
};

ProgramResult runProgram(const ProgramRun& run);
// A fresh empty directory for a test's files.
std::string makeTempDir();
void writeFile(const std::string& path, const std::string& content);
