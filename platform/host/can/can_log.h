// The frame log of --can-log: one line per frame sent or received, in candump's log format
// "(seconds.micros) IFACE ID#DATA", which can-utils and Wireshark read.
#pragma once

#include <cstddef>
#include <cstdio>

#include "platform/host/can/sja1000_emu.h"

// One log line without its newline, e.g. "(12.000550) sim 18EF80FA#0001FFFFFFFFFFFF".
void formatCandumpLine(const CanWireFrame& f, uint64_t timeNs, const char* iface, char* out,
                       size_t cap);

class CanLogWriter : public CanFrameTap {
public:
    bool open(const char* path, const char* iface, char* err, size_t errLen);
    void close();
    bool isOpen() const { return file != nullptr; }
    void frameSeen(const CanWireFrame& f, bool sent, uint64_t atNs) override;

private:
    FILE* file = nullptr;
    char iface[32] = {};
    int64_t toWallNs = 0; // added to the monotonic clock on the real clock
};
