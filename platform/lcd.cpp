// The LCD controller's registers: frame base, power-down sequence, supply and LED.
#include "platform/arm9.h"
#include "platform/io_regs.h"
#include "platform/msp_link.h"
#include "platform/timer.h"

namespace {
constexpr uint32_t PowerStepHalfMs = 40;
// A controller that never reports the end of its frame must not hold the shutdown: a frame
// takes well under this.
constexpr uint32_t FrameDoneLimitHalfMs = 200;
} // namespace

uint32_t getLCDframeBufferBaseAddr() {
    return ioRead32(IO_LcdFrameBase);
}

// The boot loader has set the controller up already.
void LCDcontrollerInit() {}

void powerDownLCDsubsystem() {
    ioWrite32(IO_LcdPower1, 0);
    MSP_delay(PowerStepHalfMs);
    lcdvcc(false);
    ioWrite32(IO_LcdControl, ioRead32(IO_LcdControl) & ~LcdControlPower);
    MSP_delay(PowerStepHalfMs);
    if (!(ioRead32(IO_LcdControl) & LcdControlEnable)) return;
    ioWrite32(IO_LcdStatus, ioRead32(IO_LcdStatus) & ~LcdStatusDone);
    uint32_t start = getHighResTime();
    while (!(ioRead32(IO_LcdStatus) & LcdStatusDone) &&
           getHighResTime() - start < FrameDoneLimitHalfMs)
        MSP_delay(1);
    ioWrite32(IO_LcdControl, 0);
    ioWrite32(IO_LcdPower2, 0);
}

void lcdvcc(bool on) {
    uint8_t v = ioRead8(IO_PortLcdVcc);
    ioWrite8(IO_PortLcdVcc, on ? v & ~PortLcdVccBit : v | PortLcdVccBit);
}

void led(bool on) {
    uint8_t v = ioRead8(IO_PortLed);
    ioWrite8(IO_PortLed, on ? v & ~PortLedBit : v | PortLedBit);
}
