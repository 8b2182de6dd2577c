// The board under the platform entry points: start-up and shutdown of the hardware, the
// board's identity, interrupt masking, the real-time hook's state and the LCD controller.
// Device and host share all of it; only the mappings and the channel differ.
#pragma once

#include <cstdint>

// The platform's start and end on the board, after the mappings are in place.
void ARM9_platformInit();
void ARM9_backgroundProcess();
void ARM9_platformUnInit();
void HW_variantInit();

void disableAllInterrupts(uint32_t* saved);
void restoreInterrupts(uint32_t saved);

extern uint32_t LastRealTimeDriverHookTime;

// True when the development board's marker file exists.
bool checkForQuilsDevelopmentBoard();
// Round-robin real-time scheduling for the process; false (after a message) when refused.
bool setRoundRobinScheduling(int priority);
// A place for a debugger breakpoint.
void breakpoint(int);

// LCD controller and the board's LCD supply and LED (both active low).
uint32_t getLCDframeBufferBaseAddr();
void LCDcontrollerInit();
void powerDownLCDsubsystem();
void lcdvcc(bool on);
void led(bool on);

// The device's time base: the 16-bit down-counting timer register extended in software
// to a 32-bit count and corrected to half-milliseconds.
struct TimerExtension {
    uint32_t count = 0;
};
uint32_t extendTimerCount(TimerExtension* ext, uint32_t timerRegister);
