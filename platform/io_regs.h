// The processor's I/O register window as the platform code reaches it: offsets of the
// registers in use and volatile accessors. The device maps the window from physical memory;
// the host keeps it as plain memory, so the register sequences run (and are tested) there.
#pragma once

#include <cstdint>

// Size of the window mapped at physical 0x80000000.
constexpr uint32_t IoWindowBytes = 16384;
extern volatile uint8_t* ioBase;

enum : uint32_t {
    IO_IntEnable = 0x508,      // read to save, written to restore
    IO_IntEnableClear = 0x50C, // all ones disables every interrupt
    IO_LcdPower1 = 0x900,      // cleared when the LCD subsystem powers down
    IO_TimerLoad = 0xC20,
    IO_TimerValue = 0xC24, // free-running, counting down, 16 bits used
    IO_TimerControl = 0xC28,
    IO_PortHwRev = 0xE00,   // bits 4-6: hardware revision, inverted
    IO_PortVariant = 0xE10, // masked with 0x8C at start
    IO_PortLcdVcc = 0xE30,  // bit 7: LCD supply, active low
    IO_PortLed = 0xE38,     // bit 0: LED, active low
    IO_AppPortData = 0xE40, // an output of the application's own
    IO_AppPortDir = 0xE44,
    IO_LcdPower2 = 0x1004, // cleared when the LCD subsystem powers down
    IO_LcdFrameBase = 0x3010,
    IO_LcdControl = 0x301C,
    IO_LcdStatus = 0x3020,
    IO_Palette = 0x3200, // eight 32-bit words, two 16-bit entries each
};

constexpr uint8_t TimerControlEnableFreeRun = 0x80;
constexpr uint8_t PortVariantMask = 0x8C;
constexpr uint8_t PortLcdVccBit = 0x80;
constexpr uint8_t PortLedBit = 0x01;
constexpr uint32_t LcdControlEnable = 1u << 0;
constexpr uint32_t LcdControlPower = 1u << 11;
constexpr uint32_t LcdStatusDone = 1u << 3;

inline uint32_t ioRead32(uint32_t offset) {
    return *reinterpret_cast<volatile uint32_t*>(ioBase + offset);
}
inline void ioWrite32(uint32_t offset, uint32_t value) {
    *reinterpret_cast<volatile uint32_t*>(ioBase + offset) = value;
}
inline uint8_t ioRead8(uint32_t offset) {
    return ioBase[offset];
}
inline void ioWrite8(uint32_t offset, uint8_t value) {
    ioBase[offset] = value;
}
