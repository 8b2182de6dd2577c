// perf_event_open on the instructions counter of this thread.
#include "bench/instruction_counter.h"

#include <cstring>
#include <linux/perf_event.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <unistd.h>

InstructionCounter::InstructionCounter() {
    perf_event_attr a;
    memset(&a, 0, sizeof a);
    a.type = PERF_TYPE_HARDWARE;
    a.size = sizeof a;
    a.config = PERF_COUNT_HW_INSTRUCTIONS;
    a.disabled = 1;
    a.exclude_kernel = 1;
    a.exclude_hv = 1;
    fd = static_cast<int>(syscall(SYS_perf_event_open, &a, 0, -1, -1, 0));
}

InstructionCounter::~InstructionCounter() {
    if (fd >= 0) close(fd);
}

void InstructionCounter::start() {
    if (fd < 0) return;
    ioctl(fd, PERF_EVENT_IOC_RESET, 0);
    ioctl(fd, PERF_EVENT_IOC_ENABLE, 0);
}

int64_t InstructionCounter::stop() {
    if (fd < 0) return -1;
    ioctl(fd, PERF_EVENT_IOC_DISABLE, 0);
    int64_t n = 0;
    if (read(fd, &n, sizeof n) != static_cast<ssize_t>(sizeof n)) return -1;
    return n;
}
