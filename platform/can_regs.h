// The CAN controller's byte registers (an SJA1000 in PeliCAN mode) and the bank-select
// register of the board's CAN window, as the driver reaches them. The device maps them from
// physical memory; the host emulates the controller behind the same calls.
#pragma once

#include <cstdint>

unsigned char _readCANreg(unsigned reg);
void _writeCANreg(unsigned reg, unsigned char value);
// Which register set the CAN window shows (0 the controller, 1 the CPLD, 2 and 3 others).
void _writeCANbankReg(unsigned char bank);
unsigned char _readCANbankReg();

// Register numbers (PeliCAN).
enum : unsigned {
    SJA_MOD = 0,
    SJA_CMR = 1,
    SJA_SR = 2,
    SJA_IR = 3,
    SJA_IER = 4,
    SJA_BTR0 = 6,
    SJA_BTR1 = 7,
    SJA_OCR = 8,
    SJA_ALC = 11,
    SJA_ECC = 12,
    SJA_EWLR = 13,
    SJA_RXERR = 14,
    SJA_TXERR = 15,
    SJA_FRAME = 16, // frame information in operating mode, ACR0 in reset mode
    SJA_ACR0 = 16,
    SJA_AMR0 = 20,
    SJA_RMC = 29,
    SJA_RBSA = 30,
    SJA_CDR = 31,
    SJA_RXFIFO = 32, // 64 bytes of receive FIFO memory
    SJA_TXBUF = 96,  // 13 bytes: the transmit buffer read back
    SJA_WINDOW = 128,
};

// MOD bits.
constexpr unsigned char SJA_MOD_RM = 0x01;  // reset mode
constexpr unsigned char SJA_MOD_LOM = 0x02; // listen only
constexpr unsigned char SJA_MOD_STM = 0x04; // self test
constexpr unsigned char SJA_MOD_AFM = 0x08; // single acceptance filter
// CMR bits.
constexpr unsigned char SJA_CMR_TR = 0x01;  // transmission request
constexpr unsigned char SJA_CMR_AT = 0x02;  // abort transmission
constexpr unsigned char SJA_CMR_RRB = 0x04; // release receive buffer
constexpr unsigned char SJA_CMR_CDO = 0x08; // clear data overrun
constexpr unsigned char SJA_CMR_SRR = 0x10; // self reception request
// SR bits.
constexpr unsigned char SJA_SR_RBS = 0x01; // receive buffer holds a frame
constexpr unsigned char SJA_SR_DOS = 0x02; // data overrun
constexpr unsigned char SJA_SR_TBS = 0x04; // transmit buffer free
constexpr unsigned char SJA_SR_TCS = 0x08; // last transmission complete
constexpr unsigned char SJA_SR_RS = 0x10;  // receiving
constexpr unsigned char SJA_SR_TS = 0x20;  // transmitting
constexpr unsigned char SJA_SR_ES = 0x40;  // an error counter reached the warning limit
constexpr unsigned char SJA_SR_BS = 0x80;  // bus-off
// IR / IER bits.
constexpr unsigned char SJA_IR_RI = 0x01;
constexpr unsigned char SJA_IR_TI = 0x02;
constexpr unsigned char SJA_IR_EI = 0x04;
constexpr unsigned char SJA_IR_DOI = 0x08;
constexpr unsigned char SJA_IR_EPI = 0x20;
// CDR bits.
constexpr unsigned char SJA_CDR_PELICAN = 0x80;
constexpr unsigned char SJA_CDR_CBP = 0x40;
// Frame information bits.
constexpr unsigned char SJA_FI_FF = 0x80;  // extended frame
constexpr unsigned char SJA_FI_RTR = 0x40; // remote frame
