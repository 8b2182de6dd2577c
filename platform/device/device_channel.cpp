// The debug communications channel of the ARM9 (coprocessor 14), which carries the I/O
// co-processor link one 32-bit word at a time in each direction.
#include "platform/msp_link.h"

uint32_t getDbgCommStatus() {
    uint32_t v;
    asm volatile("mrc p14, 0, %0, c0, c0, 0" : "=r"(v));
    DbgCommBuffer = v;
    return v;
}

uint32_t getDbgCommData() {
    uint32_t v;
    asm volatile("mrc p14, 0, %0, c1, c0, 0" : "=r"(v));
    DbgCommBuffer = v;
    return v;
}

void putDbgCommData(uint32_t word) {
    asm volatile("mcr p14, 0, %0, c1, c0, 0" : : "r"(word));
}

// The waits poll the channel; on the display nothing else needs the processor meanwhile.
void platformWaitForLink(uint32_t) {}
