// The I/O co-processor link: 32-bit words over the processor's debug communications
// channel, the outgoing byte queue, the table of command entries that mirrors the
// co-processor's state, the named bit fields in those entries, periodic polls, the waits
// and the multi-word transfers (serial number, NVRAM). The same code runs on the device
// and on the host, where an emulated co-processor sits behind the channel.
#pragma once

#include <cstdint>

#include "core/delayed_callback.h"

// The channel. Status bit 0: a word from the co-processor is waiting; bit 1: the last word
// sent has not been taken yet. The last status or data read is kept in DbgCommBuffer.
constexpr uint32_t DbgCommRxFull = 1u << 0;
constexpr uint32_t DbgCommTxFull = 1u << 1;
uint32_t getDbgCommStatus();
uint32_t getDbgCommData();
void putDbgCommData(uint32_t word);
extern uint32_t DbgCommBuffer;

// One turn of a wait in which the link can make no progress: the device polls on, the host
// lets time pass (at most halfMs) until the co-processor could have something to say.
void platformWaitForLink(uint32_t halfMs);

// Outgoing queue: a ring of 256 bytes. A byte with bit 7 set starts a raw four-byte word
// (most significant first); with bit 6 set it sends the word of entry b AND 63 (a write);
// otherwise it sends a read request for entry b.
constexpr int MSPqSize = 256;
extern uint8_t MSPq[MSPqSize];
extern uint8_t MSPqFront, MSPqRear;
constexpr uint8_t MSPqWriteBit = 0x40;
constexpr uint32_t MSPreadRequest = 0xA3000000u;

constexpr int PollCmdTableSize = 40;
struct PollCmdEntry {
    uint32_t word; // command code in the top byte, the entry's fields below it
    DelayedCallbackListNode* pollNode;
    uint8_t code;
    uint8_t flag; // before start-up: poll at start-up; afterwards: a response arrived
    uint8_t handler;
    uint8_t unused;
};
extern PollCmdEntry PollCmdTable[PollCmdTableSize];

// Entries with a use of their own.
enum : unsigned char {
    MSP_KeypadEntry = 4,
    MSP_AnalogEntry = 5, // 5 and 6: analogue input pairs 0/1 and 2/3
    MSP_BacklightEntry = 7,
    MSP_VersionEntry = 9,
    MSP_HWrevEntry = 10,
    MSP_IOconfigEntry = 12, // 12-15 configure I/O channels 0-3
    MSP_RTChighEntry = 20,
    MSP_RTClowEntry = 21,
    MSP_SoundEntry = 22,
    MSP_DataFlashEntry = 23,
    MSP_Version2Entry = 25,
    MSP_AutoRepeatEntry = 28,
    MSP_BatteryEntry = 31,
    MSP_SerialEntry = 32,
    MSP_IgnitionEntry = 33,
    MSP_BuzzerFreqEntry = 34,
    MSP_NVRAMentry = 39,
};

// Handler types of the entries; a type with bit 7 set raises I/O event (type AND 127).
enum : unsigned char {
    MSP_StoreHandler = 0,
    MSP_KeypadHandler = 1,
    MSP_SerialHandler = 4,
    MSP_NVRAMhandler = 5,
    MSP_IOeventHandlerBit = 0x80,
};

// Fields: value = (word of the entry AND mask) >> shift.
enum MFTindex : unsigned char {
    MFT_BacklightEnable = 0,
    MFT_BacklightLevel = 3,
    MFT_Contrast = 4,
    MFT_RTCmodeHigh = 5,
    MFT_RTCsecondsHigh = 6,
    MFT_RTCmodeLow = 7,
    MFT_RTCsecondsLow = 8,
    MFT_HWrevision = 10,
    MFT_AutoRepeatKeys = 12,
    MFT_Battery = 16,
    MFT_Temperature = 17,
    MFT_SupplyHalf = 18, // half the supply voltage, read as millivolts
    MFT_Ignition = 19,
    MFT_KeyClickDisabled = 20,
    MFT_BuzzerVolume = 21,
    MFT_SerialMode = 22,
    MFT_SerialBank = 23,
    MFT_SerialIndex = 24,
    MFT_SerialData = 25,
    MFT_NVRAMmode = 26,
    MFT_NVRAMaddress = 27,
    MFT_NVRAMdata = 28,
    MFT_Version0 = 29, // 29-35: the co-processor's version bytes
    MSPfieldCount = 36,
};
struct MSPfield {
    uint32_t mask;
    uint8_t entry;
    uint8_t shift;
};
extern const MSPfield MSPfieldTable[MSPfieldCount];

// One transmit step and one receive step; run by every main-loop pass and by the waits.
void MSP_bkgndProcess();
// True while the link has work it can do without time passing (a word to send that the
// channel would take, or a word waiting to be read).
bool MSP_linkBusy();

// Mode 0 stores only, 1 queues a write of the entry when its word changed, 2 always does.
void setMSPcmdField(unsigned char mode, MFTindex field, uint32_t value);
uint32_t getMSPcmdField(MFTindex field);
// Queues a raw command word (dropped whole when the queue has no room for it).
void sendMSPcmd(uint32_t word);
// Queue a read request or a write of an entry.
void queueMSPread(unsigned char entry);
void queueMSPwrite(unsigned char entry);

// Polls entry every periodMs (first after firstDelayMs); while a poll is unanswered no new
// one is sent for up to timeoutMs. Replaces the entry's previous node; a null node only
// detaches it.
void configPeriodicMSP_Poll(DelayedCallbackListNode* node, unsigned char entry,
                            uint32_t firstDelayMs, uint32_t periodMs, uint32_t timeoutMs);
void PeriodicMSP_PollDelayedCallback(DelayedCallbackListNode* node);
// Sets an entry's handler type; returns the old one (255 for entries 40 and above).
unsigned char _setMSP_IOcallbackEvent_(unsigned char entry, unsigned char type);
void PollCmdTableStartupPolls();

// Waits; each keeps the link running. Times in half-milliseconds.
void waitForMSPqueueEmpty();
bool waitForMSPresponse(unsigned char entry, uint32_t halfMs);
// Like waitForMSPresponse, for a flag the caller cleared before queueing its request.
bool waitForMSPflag(unsigned char entry, uint32_t halfMs);
void MSP_delay(uint32_t halfMs);
void MSP_flush();

struct MSPmultiWordTransferBlock {
    unsigned char* dest;
    bool active;
    unsigned char wordsLeft;
};
extern MSPmultiWordTransferBlock SerialNumberFSMstate, NVRAM_FSMstate;
void multiWordRxFromMSP(MSPmultiWordTransferBlock* block, unsigned char entry, unsigned char* dest,
                        unsigned char words);
void processWordRxFromMSP(MSPmultiWordTransferBlock* block, uint32_t word);

// Edge-catcher reports: channel 0-3, level 0/1, the co-processor's 24-bit time stamp.
typedef void (*EdgeCatcherCallbackFn)(unsigned char channel, unsigned char level,
                                      uint32_t timeStamp);
extern EdgeCatcherCallbackFn EdgeCatcherCallback;
// While set, 0xAE responses are the buzzer frequency reply (entry 34), not sound settings.
extern bool MSP_buzzerFrequencyExpected;

// Clears the key bits of the last keypad packet, so that the next packet counts as new.
void MSP_resetStoredKeypadPkt();
// The keypad auto-repeat mask (field 12), sent to the co-processor.
void MSP_setKeypadAutoRepeat(uint32_t mask);
