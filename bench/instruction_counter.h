// Counts the instructions this process executes in user space, where the machine exposes a
// hardware counter (virtual machines often do not).
#pragma once

#include <cstdint>

class InstructionCounter {
public:
    InstructionCounter();
    ~InstructionCounter();
    bool available() const { return fd >= 0; }
    void start();
    // Instructions since start(), or -1 when no counter is available.
    int64_t stop();

private:
    int fd = -1;
};
