// Host stand-ins for the co-processor services: they keep the values that a real unit
// would hold, so that the layers above behave as on the display.
#include "platform/host/host_io.h"

#include <ctime>

#include "platform/io_services.h"
#include "platform/platform.h"

HostIoState hostIo;

unsigned char getHWrev() {
    return hostIo.hwRevision;
}

uint32_t getBacklight() {
    return hostIo.backlight;
}
void setBacklight(uint32_t level) {
    if (level != 65535) hostIo.backlight = level;
}
void backlightEnable(bool, bool) {
    setBacklight(65535);
}
uint32_t getContrast() {
    return hostIo.contrast;
}
void setContrast(uint32_t level) {
    hostIo.contrast = level;
}
void tempAdjContrast(long offset) {
    hostIo.contrastOffset = offset;
}

unsigned char getBuzzerVolume() {
    return hostIo.volume;
}
void setBuzzerVolume(unsigned char volume) {
    hostIo.volume = volume & 15;
}
bool getAutoKeyClick() {
    return hostIo.autoKeyClick;
}
void setAutoKeyClick(bool on) {
    hostIo.autoKeyClick = on;
}

void playSound(unsigned char n, bool repeat) {
    if (repeat && hostIo.activeRepeatingSound == n) return;
    ++hostIo.soundsStarted;
    if (repeat) hostIo.activeRepeatingSound = n;
}

void killSound() {
    if (hostIo.activeRepeatingSound == 255) return;
    ++hostIo.soundsKilled;
    hostIo.activeRepeatingSound = 255;
}

void keyClick() {
    ++hostIo.keyClicks;
}

uint32_t getBulkDin() {
    return hostIo.bulkDin;
}
void setBulkDin(uint32_t bits) {
    hostIo.bulkDin = bits & 0xF;
}

void waitForMSPqueueEmpty() {}
void MSP_resetStoredKeypadPkt() {}
void MSP_setKeypadAutoRepeat(uint32_t mask) {
    hostIo.autoRepeatMask = mask;
}

// Nothing of the host's own file systems needs flushing for the program's sake; counted so
// that tests see when the framework asks for it.
void local_sync() {
    ++hostIo.syncs;
}

uint32_t getRTCtime() {
    return static_cast<uint32_t>(time(nullptr));
}
