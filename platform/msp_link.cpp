// The I/O co-processor link: queue, entry table, fields, background process, polls and
// waits.
#include "platform/msp_link.h"

#include "core/keypad.h"
#include "platform/timer.h"

uint32_t DbgCommBuffer = 0;
uint8_t MSPq[MSPqSize];
uint8_t MSPqFront = 0, MSPqRear = 0;
MSPmultiWordTransferBlock SerialNumberFSMstate = {nullptr, false, 0};
MSPmultiWordTransferBlock NVRAM_FSMstate = {nullptr, false, 0};
EdgeCatcherCallbackFn EdgeCatcherCallback = nullptr;
bool MSP_buzzerFrequencyExpected = false;

namespace {
constexpr uint8_t StartupPoll = 1;

constexpr PollCmdEntry entry(uint8_t code, uint8_t startup, uint8_t handler) {
    return {static_cast<uint32_t>(code) << 24, nullptr, code, startup, handler, 0};
}
constexpr PollCmdEntry entryWord(uint32_t word, uint8_t startup, uint8_t handler) {
    return {word, nullptr, static_cast<uint8_t>(word >> 24), startup, handler, 0};
}
} // namespace

PollCmdEntry PollCmdTable[PollCmdTableSize] = {
    entry(0x00, 0, 0),
    entry(0x10, 0, 0),
    entry(0x20, 0, 0),
    entry(0x30, 0, 0),
    entry(0x40, StartupPoll, MSP_KeypadHandler), // 4
    entry(0x50, 0, 0),
    entry(0x60, 0, 0),
    entry(0x70, StartupPoll, 0), // 7: backlight and contrast
    entry(0xA0, 0, 0),
    entry(0xA1, StartupPoll, 0),
    entry(0xA2, 0, 0),
    entry(0xA3, 0, 0),
    entry(0xA4, StartupPoll, 0),
    entry(0xA5, StartupPoll, 0),
    entry(0xA6, StartupPoll, 0),
    entry(0xA7, StartupPoll, 0),
    entry(0xA8, StartupPoll, 0),
    entry(0xA9, StartupPoll, 0),
    entry(0xAA, StartupPoll, 0),
    entry(0xAB, StartupPoll, 0), // 12-19
    entry(0xAC, 0, 0),
    entry(0xAD, 0, 2),                      // 20, 21: clock
    entryWord(0xAEFF010Fu, StartupPoll, 0), // 22: sound
    entry(0xAF, 0, 3),                      // 23: data flash
    entry(0xB0, 0, 0),
    entry(0xB1, StartupPoll, 0),
    entry(0xB2, StartupPoll, 0),
    entry(0xB3, StartupPoll, 0),
    entry(0xB4, StartupPoll, 0), // 24-28
    entry(0xB5, 0, 0),
    entry(0xB6, 0, 0),
    entry(0xC0, StartupPoll, 0),       // 31: battery, temperature
    entry(0xCF, 0, MSP_SerialHandler), // 32
    entry(0xD0, StartupPoll, 0),       // 33: ignition
    entryWord(0xAEFE0000u, 0, 6),      // 34: buzzer frequency
    entry(0xBB, 0, 0),
    entry(0xBC, 0, 0),
    entry(0xBD, 0, 0),
    entry(0xBE, StartupPoll, 0),
    entry(0xBF, 0, MSP_NVRAMhandler), // 39
};

const MSPfield MSPfieldTable[MSPfieldCount] = {
    {0x8000000u, 7, 27}, {0x4000000u, 7, 26}, {0x2000000u, 7, 25}, {0xFFF000u, 7, 12},
    {0xFFFu, 7, 0},      {0xFF0000u, 20, 16}, {0xFFFFu, 20, 0},    {0xFF0000u, 21, 16},
    {0xFFFFu, 21, 0},    {0x800000u, 10, 23}, {0x7F0000u, 10, 16}, {0xFFFFu, 10, 0},
    {0xFFFFFFu, 28, 0},  {0xFF0000u, 27, 16}, {0xFF00u, 27, 8},    {0xFFu, 27, 0},
    {0xFFF000u, 31, 12}, {0xFFFu, 31, 0},     {0xFFF000u, 33, 12}, {0xFFFu, 33, 0},
    {0x100u, 22, 8},     {0xFu, 22, 0},       {0xC00000u, 32, 22}, {0x380000u, 32, 19},
    {0x70000u, 32, 16},  {0xFFFFu, 32, 0},    {0xC00000u, 39, 22}, {0x3F0000u, 39, 16},
    {0xFFFFu, 39, 0},    {0xFF0000u, 9, 16},  {0xFF00u, 9, 8},     {0xFFu, 9, 0},
    {0xFC0000u, 25, 18}, {0x3F000u, 25, 12},  {0xFC0u, 25, 6},     {0x3Fu, 25, 0},
};

namespace {
uint8_t queueFree() {
    return static_cast<uint8_t>(MSPqFront - MSPqRear - 1);
}

void queueByte(uint8_t b) {
    MSPq[MSPqRear++] = b;
}

uint8_t takeByte() {
    return MSPq[MSPqFront++];
}

// The entry a response code belongs to, or -1 when the word is dropped.
int entryForCode(uint8_t c) {
    int e = -1;
    if (c <= 0x7F) return c >> 4;
    if (c >= 0xA0 && c <= 0xAF) {
        if (c == 0xAE && MSP_buzzerFrequencyExpected) return MSP_BuzzerFreqEntry;
        return (c & 15) + 8;
    }
    if (c == 0xB4 || c == 0xB5)
        e = MSP_AutoRepeatEntry;
    else if (c >= 0xB0 && c <= 0xBF)
        e = (c & 15) + 24;
    else if (c >= 0xC0 && c <= 0xCF)
        e = (c & 1) + 31;
    else if (c == 0xD0)
        return MSP_IgnitionEntry;
    // In the 0xB and 0xC groups the entry must carry this very code.
    if (e >= 0 && PollCmdTable[e].code != c) return -1;
    return e;
}

void transmitStep() {
    if (MSPqFront == MSPqRear || (getDbgCommStatus() & DbgCommTxFull)) return;
    uint8_t b = takeByte();
    uint32_t word;
    if (b & 0x80) {
        word = static_cast<uint32_t>(b) << 24;
        for (int shift = 16; shift >= 0; shift -= 8)
            word |= static_cast<uint32_t>(takeByte()) << shift;
    } else if (b & MSPqWriteBit) {
        word = PollCmdTable[b & 63].word;
    } else if (b < PollCmdTableSize) {
        word = MSPreadRequest | PollCmdTable[b].code;
    } else {
        word = MSPreadRequest | static_cast<uint32_t>((b & 15) << 4);
    }
    putDbgCommData(word);
}

void receiveStep() {
    if (!(getDbgCommStatus() & DbgCommRxFull)) return;
    uint32_t w = getDbgCommData();
    uint8_t c = static_cast<uint8_t>(w >> 24);
    if ((c & 0xF8) == 0x88) {
        if (EdgeCatcherCallback != nullptr) EdgeCatcherCallback((c >> 1) & 3, c & 1, w & 0xFFFFFFu);
        return;
    }
    int e = entryForCode(c);
    if (e < 0) return;
    PollCmdEntry& ent = PollCmdTable[e];
    if (ent.pollNode != nullptr) ent.pollNode->data &= ~0xFFu;
    ent.flag = 1;
    switch (ent.handler) {
    case MSP_KeypadHandler:
        if (w == ent.word) return;
        ent.word = w;
        _setKeypadState_(_decodeKeypadPkt_(w));
        return;
    case MSP_SerialHandler:
        processWordRxFromMSP(&SerialNumberFSMstate, w);
        break;
    case MSP_NVRAMhandler:
        processWordRxFromMSP(&NVRAM_FSMstate, w);
        break;
    default:
        if ((ent.handler & MSP_IOeventHandlerBit) && _IOcallback_ != nullptr) {
            ent.word = w;
            _IOcallback_(ent.handler & 127);
            return;
        }
        break;
    }
    ent.word = w;
}

// Keeps the link running until done() holds or halfMs have passed; true when done.
template <class Done> bool runLinkUntil(Done done, uint32_t halfMs) {
    uint32_t start = getHighResTime();
    for (;;) {
        MSP_bkgndProcess();
        if (done()) return true;
        uint32_t elapsed = getHighResTime() - start;
        if (elapsed >= halfMs) return false;
        if (!MSP_linkBusy()) platformWaitForLink(halfMs - elapsed);
    }
}

// Poll node data: byte 0 the waiting counter, byte 1 its limit, byte 2 the entry.
constexpr uint32_t pollData(uint32_t counter, uint32_t limit, uint32_t entry) {
    return (counter & 0xFF) | (limit & 0xFF) << 8 | (entry & 0xFF) << 16;
}
} // namespace

void MSP_bkgndProcess() {
    transmitStep();
    receiveStep();
}

bool MSP_linkBusy() {
    uint32_t s = getDbgCommStatus();
    return (s & DbgCommRxFull) || (MSPqFront != MSPqRear && !(s & DbgCommTxFull));
}

void setMSPcmdField(unsigned char mode, MFTindex field, uint32_t value) {
    if (field >= MSPfieldCount) return;
    const MSPfield& f = MSPfieldTable[field];
    PollCmdEntry& ent = PollCmdTable[f.entry];
    uint32_t bits = f.shift >= 32 ? 0 : (value << f.shift) & f.mask;
    uint32_t old = ent.word;
    ent.word = (old & ~f.mask) | bits;
    if (mode == 2 || (mode == 1 && ent.word != old)) queueMSPwrite(f.entry);
}

uint32_t getMSPcmdField(MFTindex field) {
    if (field >= MSPfieldCount) return 0;
    const MSPfield& f = MSPfieldTable[field];
    return (PollCmdTable[f.entry].word & f.mask) >> f.shift;
}

// A full ring would read as empty, so a word that does not fit is dropped whole.
void sendMSPcmd(uint32_t word) {
    if (queueFree() < 4) return;
    for (int shift = 24; shift >= 0; shift -= 8)
        queueByte(static_cast<uint8_t>(word >> shift));
}

void queueMSPread(unsigned char entry) {
    if (queueFree() >= 1) queueByte(entry & 0x3F);
}

void queueMSPwrite(unsigned char entry) {
    if (queueFree() >= 1) queueByte(MSPqWriteBit | (entry & 63));
}

void configPeriodicMSP_Poll(DelayedCallbackListNode* node, unsigned char entry,
                            uint32_t firstDelayMs, uint32_t periodMs, uint32_t timeoutMs) {
    if (entry >= PollCmdTableSize) return;
    PollCmdEntry& ent = PollCmdTable[entry];
    if (ent.pollNode != nullptr) cancelDelayedCallback(ent.pollNode);
    ent.pollNode = node;
    if (node == nullptr || periodMs == 0) return;
    cancelDelayedCallback(node);
    node->period = periodMs;
    node->callback = PeriodicMSP_PollDelayedCallback;
    node->data = pollData(0, timeoutMs / periodMs, entry);
    scheduleDelayedCallback(node, firstDelayMs);
}

void PeriodicMSP_PollDelayedCallback(DelayedCallbackListNode* node) {
    uint32_t counter = node->data & 0xFF;
    uint32_t limit = (node->data >> 8) & 0xFF;
    unsigned char entry = static_cast<unsigned char>(node->data >> 16);
    if (counter != 0) {
        ++counter;
        node->data = (node->data & ~0xFFu) | (counter & 0xFF);
        if (counter <= limit) return;
    }
    queueMSPread(entry);
    node->data = (node->data & ~0xFFu) | 1;
}

unsigned char _setMSP_IOcallbackEvent_(unsigned char entry, unsigned char type) {
    if (entry >= PollCmdTableSize) return 255;
    unsigned char old = PollCmdTable[entry].handler;
    PollCmdTable[entry].handler = type;
    return old;
}

void PollCmdTableStartupPolls() {
    for (int e = 0; e < PollCmdTableSize; ++e)
        if (PollCmdTable[e].flag == StartupPoll) queueMSPread(static_cast<unsigned char>(e));
}

void waitForMSPqueueEmpty() {
    runLinkUntil([] { return MSPqFront == MSPqRear && !(getDbgCommStatus() & DbgCommTxFull); },
                 4000);
}

bool waitForMSPresponse(unsigned char entry, uint32_t halfMs) {
    if (entry >= PollCmdTableSize) return false;
    PollCmdTable[entry].flag = 0;
    return waitForMSPflag(entry, halfMs);
}

bool waitForMSPflag(unsigned char entry, uint32_t halfMs) {
    if (entry >= PollCmdTableSize) return false;
    return runLinkUntil([entry] { return PollCmdTable[entry].flag != 0; }, halfMs);
}

void MSP_delay(uint32_t halfMs) {
    runLinkUntil([] { return false; }, halfMs);
}

// A co-processor that never falls quiet would hold the start for ever, so the flush also
// ends after as long as the longest other wait.
void MSP_flush() {
    constexpr uint32_t QuietHalfMs = 10;
    constexpr uint32_t LimitHalfMs = 4000;
    uint32_t start = getHighResTime();
    uint32_t quietSince = start;
    while (getHighResTime() - start < LimitHalfMs) {
        if (getDbgCommStatus() & DbgCommRxFull) {
            if (getDbgCommData() != 0) quietSince = getHighResTime();
            continue;
        }
        uint32_t quiet = getHighResTime() - quietSince;
        if (quiet >= QuietHalfMs) return;
        platformWaitForLink(QuietHalfMs - quiet);
    }
}

void multiWordRxFromMSP(MSPmultiWordTransferBlock* block, unsigned char entry, unsigned char* dest,
                        unsigned char words) {
    constexpr uint32_t WordTimeoutHalfMs = 500;
    block->dest = dest;
    block->wordsLeft = words;
    block->active = words != 0;
    queueMSPwrite(entry);
    waitForMSPqueueEmpty();
    MSP_delay(2);
    while (block->active) {
        unsigned char left = block->wordsLeft;
        queueMSPread(entry);
        if (!runLinkUntil([block, left] { return !block->active || block->wordsLeft != left; },
                          WordTimeoutHalfMs))
            processWordRxFromMSP(block, 0xFFFF);
    }
}

void processWordRxFromMSP(MSPmultiWordTransferBlock* block, uint32_t word) {
    if (!block->active) return;
    block->dest[0] = static_cast<unsigned char>(word >> 8);
    block->dest[1] = static_cast<unsigned char>(word);
    block->dest += 2;
    if (--block->wordsLeft == 0) block->active = false;
}

void MSP_resetStoredKeypadPkt() {
    PollCmdEntry& k = PollCmdTable[MSP_KeypadEntry];
    k.word = _resetKeypadPkt_(k.word);
}

void MSP_setKeypadAutoRepeat(uint32_t mask) {
    setMSPcmdField(2, MFT_AutoRepeatKeys, mask);
}
