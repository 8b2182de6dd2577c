// candump log lines.
#include "platform/host/can/can_log.h"

#include <cerrno>
#include <cstring>
#include <ctime>

#include "platform/host/host_clock.h"

void formatCandumpLine(const CanWireFrame& f, uint64_t timeNs, const char* iface, char* out,
                       size_t cap) {
    int n = snprintf(out, cap, "(%llu.%06llu) %s ",
                     static_cast<unsigned long long>(timeNs / 1000000000u),
                     static_cast<unsigned long long>(timeNs % 1000000000u / 1000u), iface);
    if (n < 0 || static_cast<size_t>(n) >= cap) return;
    size_t at = static_cast<size_t>(n);
    at += static_cast<size_t>(
        snprintf(out + at, cap - at, f.extended ? "%08X#" : "%03X#", static_cast<unsigned>(f.id)));
    if (at >= cap) return;
    if (f.rtr) {
        // A remote frame: "R", with the length when it is not zero.
        snprintf(out + at, cap - at, f.dlc > 0 ? "R%u" : "R", static_cast<unsigned>(f.dlc));
        return;
    }
    for (unsigned i = 0; i < f.dataBytes() && at + 2 < cap; ++i)
        at += static_cast<size_t>(snprintf(out + at, cap - at, "%02X", f.data[i]));
    // A length code above 8 (still 8 bytes) is written after an underscore.
    if (f.dlc > 8 && at < cap) snprintf(out + at, cap - at, "_%X", static_cast<unsigned>(f.dlc));
}

bool CanLogWriter::open(const char* path, const char* ifaceName, char* err, size_t errLen) {
    close();
    file = fopen(path, "w");
    if (file == nullptr) {
        snprintf(err, errLen, "%s", strerror(errno));
        return false;
    }
    // Whole lines, so that a reader following the file never sees half a frame.
    setvbuf(file, nullptr, _IOLBF, 0);
    snprintf(iface, sizeof iface, "%s", ifaceName);
    toWallNs = 0;
    if (!hostClockIsVirtual()) {
        timespec wall;
        clock_gettime(CLOCK_REALTIME, &wall);
        int64_t wallNs = static_cast<int64_t>(wall.tv_sec) * 1000000000 + wall.tv_nsec;
        toWallNs = wallNs - static_cast<int64_t>(hostClockNowNs());
    }
    return true;
}

void CanLogWriter::close() {
    if (file == nullptr) return;
    fclose(file);
    file = nullptr;
}

void CanLogWriter::frameSeen(const CanWireFrame& f, bool, uint64_t atNs) {
    if (file == nullptr) return;
    char line[96];
    formatCandumpLine(f, static_cast<uint64_t>(static_cast<int64_t>(atNs) + toWallNs), iface, line,
                      sizeof line);
    fprintf(file, "%s\n", line);
}
