// The download state machine: one gap-free run of records from address 0 (relative to the
// latest extended base) written into the download file, which is deleted unless complete.
#include <cstdio>

#include "j1939/j1939_msg_buffer.h"
#include "j1939/ostrel_cmd.h"
#include "platform/io_services.h"

const char* CANdownloadFileName = "/tmp/update.dat";
void (*CANdownloadMsgBoxHook)(bool show) = nullptr;

namespace {
FILE* f = nullptr;
uint32_t baseAddr = 0;
uint32_t addrExpected = 0;

constexpr uint8_t RecordData = 0;
constexpr uint8_t RecordEndOfFile = 1;
constexpr uint8_t RecordExtendedAddress = 4;
constexpr uint32_t RecordHeaderBytes = 6; // command, argument, count, address, type
constexpr uint32_t ExtendedAddressBytes = 8;
constexpr uint8_t ArgumentStart = 1;
constexpr uint8_t ArgumentStop = 0;

uint8_t byteAt(const J1939msgBuffer* b, uint32_t i) {
    return static_cast<uint8_t>(b->getBytes(i, 1));
}

CANdownloadResult record(const J1939msgBuffer* b) {
    if (b->length < RecordHeaderBytes) return DownloadFailed;
    uint32_t n = byteAt(b, 2);
    uint32_t address = static_cast<uint32_t>(byteAt(b, 3)) << 8 | byteAt(b, 4);
    switch (byteAt(b, 5)) {
    case RecordEndOfFile:
        return DownloadComplete;
    case RecordExtendedAddress:
        if (b->length < ExtendedAddressBytes) return DownloadFailed;
        baseAddr = static_cast<uint32_t>(byteAt(b, 6)) << 24 |
                   static_cast<uint32_t>(byteAt(b, 7)) << 16 | address;
        return DownloadInProgress;
    case RecordData: {
        if (b->length < RecordHeaderBytes + n || address + baseAddr != addrExpected)
            return DownloadFailed;
        uint8_t data[255];
        if (n == 0) return DownloadInProgress;
        if (b->copyOutBytes(data, RecordHeaderBytes, n) != n || fwrite(data, 1, n, f) != n)
            return DownloadFailed;
        addrExpected += n;
        return DownloadInProgress;
    }
    default:
        return DownloadFailed;
    }
}
} // namespace

void CANdownloadMsgBox(bool show) {
    if (CANdownloadMsgBoxHook != nullptr) CANdownloadMsgBoxHook(show);
}

CANdownloadResult CANdownloadFSM(uint8_t command, uint8_t argument, const J1939msgBuffer* buffer) {
    CANdownloadResult r = DownloadInProgress;
    if (command == OstrelDownloadControl) {
        if (f == nullptr && argument == ArgumentStart) {
            killSound();
            f = fopen(CANdownloadFileName, "w");
            baseAddr = addrExpected = 0;
            if (f == nullptr) {
                printf("CANdownloadFSM: cannot open %s\n", CANdownloadFileName);
                r = DownloadFailed;
            } else {
                CANdownloadMsgBox(true);
            }
        } else if (f != nullptr && argument == ArgumentStop) {
            r = DownloadStopped;
        }
    } else if (f == nullptr) {
        r = DownloadFailed;
    } else if (command == OstrelDownloadRecord) {
        r = buffer != nullptr ? record(buffer) : DownloadFailed;
    }
    if (r != DownloadInProgress && f != nullptr) {
        // A complete file is kept only if it reached the disk whole.
        if (fclose(f) != 0 && r == DownloadComplete) r = DownloadFailed;
        if (r != DownloadComplete) remove(CANdownloadFileName);
        f = nullptr;
    }
    return r;
}
