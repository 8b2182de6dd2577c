// The host's share of the main loop: descriptors to watch, services run every pass, and the
// idle wait that keeps the loop from spinning a core.
#pragma once

#include <cstdint>

typedef void (*HostCallback)(void* context);

// Watches a descriptor for input; the callback runs from the loop when it is readable.
bool hostWatchFd(int fd, HostCallback onReadable, void* context);
void hostUnwatchFd(int fd);
// Runs the callback at the start of every main-loop pass.
bool hostAddService(HostCallback service, void* context);
void hostRemoveService(HostCallback service, void* context);
// Asks the next idle wait to end no later than ms from now (valid for one wait).
void hostWakeWithin(uint32_t ms);
// The same in nanoseconds, for events below a millisecond (the CAN bus model's frames).
void hostWakeWithinNs(uint64_t ns);
// One wait as the loop does it when a pass did nothing; exposed for tests and benchmarks.
void hostIdleWait();
// Passes that waited, for tests and the idle benchmark.
unsigned long hostIdleWaitCount();
