// Services of the I/O co-processor built on the link's words: real-time clock, NVRAM,
// data flash and serial number.
#pragma once

#include <cstdint>

uint32_t getRTCtime();
void setRTCtime(uint32_t seconds, unsigned char mode);

// NVRAM holds 16-bit words; writes reach addresses 0-31.
uint16_t getNVRAM_uword(unsigned char address);
void setNVRAM_uword(unsigned char address, uint16_t value);
uint32_t getNVRAM_ulong(unsigned char address);
void setNVRAM_ulong(unsigned char address, uint32_t value);
void saveNVRAM();

// Data flash: 128 16-bit words in two sectors, 4 (addresses 0-63) and 6 (64-127).
void eraseDataFlashSector(unsigned char sector);
void writeDataFlash(unsigned char address, uint16_t value);
void seekDataFlash(unsigned char address);
void issueDataFlashPoll();
bool isDataFlashPollResponseReady();
uint16_t getDataFlashResponse(unsigned char* address);
uint16_t readNextDataFlash(unsigned char* address);
uint16_t readDataFlash(unsigned char address);

constexpr int RawSerialNumberBytes = 16;
// bank -1 reads the current serial number, 0-3 the co-processor's banks.
void getRawSerialNumber(int bank, unsigned char* dest);
void setRawSerialNumber(const unsigned char* src);
// Digits followed by 0xFF bytes become a text; a first byte 0xFF becomes "n/a".
void fixBinarySerialNumber(unsigned char* raw);
// The prefix, then the serial number as text (built once).
char* getSerialNumber(const char* prefix);
