// Entry points of the platform layer that the framework calls, common to device and host.
#pragma once

#include <cstdint>

void platformInit();
// First step of every main-loop pass. On the host it also waits, without spinning, when
// the previous pass did nothing.
void platformBackgroundProcess();
void platformUnInit();

// Something happened that the next pass must handle at once (the host then skips its idle
// wait); does nothing on the device.
void platformNoteActivity();

// Round-robin real-time scheduling at the given priority; false when refused.
bool platformSetRealTimePriority(int priority);

// Flushes the file systems.
void local_sync();

uint32_t getRTCtime();

// Services the CAN receive queue at most once per timer tick; drawing calls it every
// RT_pixelCountDown pixels so long drawings do not starve reception.
void realTimeDriverHook();
extern int RT_pixelCountDown;
// What realTimeDriverHook services; the CAN driver installs its receive-queue service here.
extern void (*RTdriverHookService)();
