// State of the host's stand-in for the I/O co-processor services, visible to tests.
#pragma once

#include <cstdint>

struct HostIoState {
    unsigned char hwRevision = 3;
    uint32_t backlight = 4095;
    uint32_t contrast = 2509;
    long contrastOffset = 0;
    unsigned char volume = 8;
    bool autoKeyClick = true;
    uint32_t bulkDin = 0;
    uint32_t autoRepeatMask = 0;
    unsigned char activeRepeatingSound = 255;
    unsigned soundsStarted = 0;
    unsigned soundsKilled = 0;
    unsigned keyClicks = 0;
    unsigned syncs = 0;
};
extern HostIoState hostIo;
