// The host's I/O register window and file-system sync.
#include "platform/host/host_io.h"

#include <cstdint>

#include "platform/io_regs.h"
#include "platform/platform.h"

HostIoState hostIo;

namespace {
constexpr unsigned char DefaultBoardRevision = 3;

// The port holds the revision inverted in bits 4-6.
constexpr uint8_t revisionPort(unsigned char revision) {
    return static_cast<uint8_t>((7 - (revision & 7)) << 4);
}

struct IoWindow {
    alignas(4) uint8_t bytes[IoWindowBytes] = {};
    IoWindow() { bytes[IO_PortHwRev] = revisionPort(DefaultBoardRevision); }
};
IoWindow window;
} // namespace

volatile uint8_t* ioBase = window.bytes;

void hostSetBoardRevision(unsigned char revision) {
    ioWrite8(IO_PortHwRev, revisionPort(revision));
}

void local_sync() {
    ++hostIo.syncs;
}
