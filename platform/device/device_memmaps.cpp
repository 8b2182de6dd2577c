// The display's hardware through /dev/mem: the I/O register window, the LCD frame buffer
// and the CAN controller with its bank-select register, and the register accessors the
// CAN driver uses.
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include "platform/arm9.h"
#include "platform/can_regs.h"
#include "platform/device/device_memmaps.h"
#include "platform/display.h"
#include "platform/io_regs.h"

volatile uint8_t* ioBase = nullptr;
uint8_t* frameBuffer = nullptr;
volatile uint8_t* canBase = nullptr;
volatile uint8_t* canBank = nullptr;

namespace {
constexpr off_t IoPhysical = 0x80000000;
constexpr off_t CanPhysical = 0x20000000;
constexpr off_t CanBankPhysical = 0x30000000;
constexpr size_t CanWindowBytes = 128;

int memFd = -1;

struct Mapping {
    void* base = MAP_FAILED; // page-aligned start of the mapping
    size_t length = 0;
};
Mapping ioMap, fbMap, canMap, bankMap;

// Maps size bytes at a physical address that need not be page-aligned; null on failure.
uint8_t* mapPhysical(Mapping* m, off_t physical, size_t size) {
    off_t page = sysconf(_SC_PAGESIZE);
    off_t start = physical & ~(page - 1);
    size_t skip = static_cast<size_t>(physical - start);
    m->length = size + skip;
    m->base = mmap(nullptr, m->length, PROT_READ | PROT_WRITE, MAP_SHARED, memFd, start);
    if (m->base == MAP_FAILED) return nullptr;
    return static_cast<uint8_t*>(m->base) + skip;
}

void unmap(Mapping* m) {
    if (m->base != MAP_FAILED) munmap(m->base, m->length);
    m->base = MAP_FAILED;
}

[[noreturn]] void fail(const char* message) {
    perror(message);
    exit(-1);
}
} // namespace

void openLinuxMemmaps() {
    memFd = open("/dev/mem", O_RDWR | O_SYNC);
    if (memFd < 0) fail("Couldn't open /dev/mem");
    ioBase = mapPhysical(&ioMap, IoPhysical, IoWindowBytes);
    if (ioBase == nullptr) fail("Couldn't mmap I/O space");
    LCDcontrollerInit();
    frameBuffer = mapPhysical(&fbMap, getLCDframeBufferBaseAddr(), FrameBufferBytes);
    if (frameBuffer == nullptr) fail("Couldn't mmap framebuffer");
    canBase = mapPhysical(&canMap, CanPhysical, CanWindowBytes);
    if (canBase == nullptr) fail("Couldn't mmap CAN space");
    canBank = mapPhysical(&bankMap, CanBankPhysical, CanWindowBytes);
    if (canBank == nullptr) fail("Couldn't mmap CAN space");
}

void closeLinuxMemmaps() {
    unmap(&bankMap);
    unmap(&canMap);
    unmap(&fbMap);
    unmap(&ioMap);
    ioBase = nullptr;
    frameBuffer = nullptr;
    canBase = nullptr;
    canBank = nullptr;
    if (memFd >= 0) close(memFd);
    memFd = -1;
}

unsigned char _readCANreg(unsigned reg) {
    return canBase[reg & (CanWindowBytes - 1)];
}

void _writeCANreg(unsigned reg, unsigned char value) {
    canBase[reg & (CanWindowBytes - 1)] = value;
}

void _writeCANbankReg(unsigned char bank) {
    *canBank = bank;
}

unsigned char _readCANbankReg() {
    return *canBank;
}
