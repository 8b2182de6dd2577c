// The CAN controller driver: one SJA1000 in PeliCAN mode, polled, with a single 29-bit
// acceptance filter, a software receive queue filled from the real-time hook, a four-slot
// software transmit FIFO and a health machine that also recovers from bus-off. The bus
// uses only the basicCANdriver* operations, simCANrx/simTPrx and the receive hook.
#pragma once

#include <cstdint>

class CANframe;

constexpr int CAN_TxFIFOsize = 4;
constexpr int CAN_RxFramesPerHook = 4;

struct CAN_TxFIFOslot {
    CANframe* frame;
    uint8_t daXor;
};
extern CAN_TxFIFOslot CAN_TxFIFO[CAN_TxFIFOsize];
// Slot indices modulo 4: next free, next to write to the controller, next to report done.
extern uint8_t txFIFOput, txFIFOget, txFIFOgetTxd;
// Frames waiting for the controller; frames handed over and not yet reported.
extern uint8_t txFIFOnumToTx, txFIFOnumTxd;

struct CAN_RxQueue {
    CANframe* head;
    CANframe* tail;
};
extern CAN_RxQueue EmulatedRxFIFO;

extern int CAN_BusState; // 0 OK, 1 error passive, 2 back to normal, 3 bus-off, 4 after bus-off
extern bool CAN_RxOK, CAN_TxOK;
extern int SJA1000_dataOverRunCount;
// Remote frames received and dropped.
extern int SJA1000_remoteFrameCount;
// When false, frames read from the controller are released and dropped.
extern bool basicCANdriverIsHW_RxAllowed;

// Resets the controller, programs bit timing and the filter (a frame is accepted when its
// identifier equals code in every bit that is 0 in mask), starts it; returns IR. Also
// installs the receive service into the platform's real-time hook.
unsigned char basicCANdriverInit(uint32_t code, uint32_t mask);
void basicCANdriverReset();
void basicCANdriverUnreset();
void writeCAN_RxFilter(uint32_t code, uint32_t mask, unsigned rtrBits);
void restoreCAN_RxFilter();

// True when the bus is usable; restarts a controller that has gone to reset.
bool basicCANdriverBusOK();
// True while the transmit FIFO has a free slot.
bool basicCANdriverTxReady();
// Appends to the transmit FIFO and tries to send at once; daXor is XORed into identifier
// bits 8..15 of a 29-bit frame as it is written. The frame stays the caller's. False (and
// the frame not taken) when the FIFO is full.
bool basicCANdriverTxMsg(CANframe* frame, uint8_t daXor);
// Hands the next waiting frame to the controller when its transmit buffer is free.
void basicCANdriverServiceTxFIFO();
// The next frame handed to the controller, in FIFO order, or 0.
CANframe* basicCANdriverGetTxDone();
// The oldest received frame, now the caller's (free it with freeCANframe), or 0.
CANframe* basicCANdriverGetRxMsg();
// Moves up to four frames from the controller into the receive queue.
void serviceCANdriverRxQ_RThook();
// Queues a frame as if it had been received.
void simCANrx(CANframe* frame);
void simTPrx(uint8_t control, uint32_t sizeOrNext, uint32_t count, uint32_t pgn, uint8_t sa,
             uint8_t da);
void dumpCANregs(const char* text);

// Which register set the CAN window shows (0, 1 or 2; 3 = cannot tell), with a letter
// saying how it was recognised.
unsigned char determineCANbank(char* caseLetter);
// Selects bank, retrying up to 10 times; prints when it was not the expected one.
void setCAN_BANK(unsigned char bank, unsigned char expected);
