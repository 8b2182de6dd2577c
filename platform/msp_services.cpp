// Real-time clock, NVRAM, data flash and serial number through the co-processor link.
#include "platform/msp_services.h"

#include <cstdio>
#include <cstring>

#include "platform/msp_link.h"
#include "platform/timer.h"

namespace {
constexpr uint32_t NVRAMwriteLong = 0xBF400000u;
constexpr uint32_t NVRAMwriteWord = 0xBF800000u;
constexpr uint32_t NVRAMsave = 0xBF005AFEu;
constexpr uint32_t DataFlashSeek = 0xAF000000u;
constexpr uint32_t DataFlashWrite = 0xAF800000u;
constexpr uint32_t DataFlashErase = 0xAF00EA5Eu;
constexpr uint32_t SerialWrite = 0xCF800000u;
constexpr unsigned char NVRAMwriteAddressMask = 31;
constexpr unsigned char DataFlashAddressMask = 127;

void clearEntryFields(unsigned char entry) {
    PollCmdTable[entry].word &= 0xFF000000u;
}

bool printable(unsigned char c) {
    return c >= 0x20 && c < 0x7F;
}
} // namespace

// The clock is read in two halves, repeated until the low half answers. A co-processor
// that never answers would keep this loop going for ever, so it gives up after as long as
// the queue wait and returns the halves last received.
uint32_t getRTCtime() {
    constexpr uint32_t AnswerHalfMs = 10;
    constexpr uint32_t LimitHalfMs = 4000;
    waitForMSPqueueEmpty();
    MSP_delay(2);
    uint32_t start = getHighResTime();
    do {
        PollCmdTable[MSP_RTClowEntry].flag = 0;
        queueMSPread(MSP_RTChighEntry);
        queueMSPread(MSP_RTClowEntry);
        waitForMSPqueueEmpty();
        if (waitForMSPflag(MSP_RTClowEntry, AnswerHalfMs)) break;
    } while (getHighResTime() - start < LimitHalfMs);
    return getMSPcmdField(MFT_RTCsecondsHigh) << 16 | getMSPcmdField(MFT_RTCsecondsLow);
}

// Only mode 0 (a plain set) is used; what another mode would wait for is the
// co-processor's business, so every mode is sent the same way.
void setRTCtime(uint32_t seconds, unsigned char mode) {
    setMSPcmdField(0, MFT_RTCmodeHigh, mode);
    setMSPcmdField(0, MFT_RTCmodeLow, mode);
    setMSPcmdField(2, MFT_RTCsecondsHigh, seconds >> 16);
    setMSPcmdField(2, MFT_RTCsecondsLow, seconds & 0xFFFF);
}

uint16_t getNVRAM_uword(unsigned char address) {
    unsigned char b[2];
    clearEntryFields(MSP_NVRAMentry);
    setMSPcmdField(0, MFT_NVRAMaddress, address);
    multiWordRxFromMSP(&NVRAM_FSMstate, MSP_NVRAMentry, b, 1);
    return static_cast<uint16_t>(b[0] << 8 | b[1]);
}

void setNVRAM_uword(unsigned char address, uint16_t value) {
    sendMSPcmd(NVRAMwriteWord | static_cast<uint32_t>(address & NVRAMwriteAddressMask) << 16 |
               value);
}

uint32_t getNVRAM_ulong(unsigned char address) {
    unsigned char b[4];
    clearEntryFields(MSP_NVRAMentry);
    setMSPcmdField(0, MFT_NVRAMaddress, address);
    multiWordRxFromMSP(&NVRAM_FSMstate, MSP_NVRAMentry, b, 2);
    return static_cast<uint32_t>(b[0]) << 24 | static_cast<uint32_t>(b[1]) << 16 |
           static_cast<uint32_t>(b[2]) << 8 | b[3];
}

void setNVRAM_ulong(unsigned char address, uint32_t value) {
    sendMSPcmd(NVRAMwriteLong | static_cast<uint32_t>(address & NVRAMwriteAddressMask) << 16 |
               value >> 16);
    sendMSPcmd(NVRAMwriteWord | static_cast<uint32_t>((address + 1) & NVRAMwriteAddressMask) << 16 |
               (value & 0xFFFF));
}

void saveNVRAM() {
    sendMSPcmd(NVRAMsave);
}

void eraseDataFlashSector(unsigned char sector) {
    if (sector != 4 && sector != 6) return;
    sendMSPcmd(DataFlashErase | static_cast<uint32_t>(sector & 2) << 21);
}

void writeDataFlash(unsigned char address, uint16_t value) {
    sendMSPcmd(DataFlashWrite | static_cast<uint32_t>(address & DataFlashAddressMask) << 16 |
               value);
}

void seekDataFlash(unsigned char address) {
    sendMSPcmd(DataFlashSeek | static_cast<uint32_t>(address & DataFlashAddressMask) << 16);
}

void issueDataFlashPoll() {
    PollCmdTable[MSP_DataFlashEntry].flag = 0;
    queueMSPread(MSP_DataFlashEntry);
}

bool isDataFlashPollResponseReady() {
    return waitForMSPflag(MSP_DataFlashEntry, 200);
}

uint16_t getDataFlashResponse(unsigned char* address) {
    uint32_t w = PollCmdTable[MSP_DataFlashEntry].word;
    if (address != nullptr) *address = static_cast<unsigned char>((w >> 16) & 127);
    return static_cast<uint16_t>(w);
}

uint16_t readNextDataFlash(unsigned char* address) {
    waitForMSPqueueEmpty();
    issueDataFlashPoll();
    if (!waitForMSPflag(MSP_DataFlashEntry, 1000)) return 0xFFFF;
    return getDataFlashResponse(address);
}

uint16_t readDataFlash(unsigned char address) {
    seekDataFlash(address);
    return readNextDataFlash(nullptr);
}

void getRawSerialNumber(int bank, unsigned char* dest) {
    clearEntryFields(MSP_SerialEntry);
    if (bank >= 0)
        PollCmdTable[MSP_SerialEntry].word |= static_cast<uint32_t>((bank & 3) | 8) << 19;
    multiWordRxFromMSP(&SerialNumberFSMstate, MSP_SerialEntry, dest, RawSerialNumberBytes / 2);
}

void setRawSerialNumber(const unsigned char* src) {
    for (uint32_t i = 0; i < RawSerialNumberBytes / 2; ++i)
        sendMSPcmd((SerialWrite + i * 0x10000u) | static_cast<uint32_t>(src[2 * i]) << 8 |
                   src[2 * i + 1]);
}

void fixBinarySerialNumber(unsigned char* raw) {
    if (raw[0] == 0xFF) {
        memcpy(raw, "n/a", 4);
        return;
    }
    int digits = 0;
    while (digits < RawSerialNumberBytes && raw[digits] <= 9)
        ++digits;
    for (int i = digits; i < RawSerialNumberBytes; ++i)
        if (raw[i] != 0xFF) return;
    for (int i = 0; i < digits; ++i)
        raw[i] = static_cast<unsigned char>('0' + raw[i]);
    if (digits < RawSerialNumberBytes) raw[digits] = 0;
}

char* getSerialNumber(const char* prefix) {
    // Room for a 64-character prefix and 16 bytes written as hex in braces.
    static char text[64 + 4 * RawSerialNumberBytes + 1];
    static bool built = false;
    if (built) return text;
    built = true;
    unsigned char raw[RawSerialNumberBytes];
    getRawSerialNumber(-1, raw);
    fixBinarySerialNumber(raw);
    int n = RawSerialNumberBytes;
    while (n > 0 && (raw[n - 1] == 0x00 || raw[n - 1] == 0xFF))
        --n;
    snprintf(text, 65, "%s", prefix != nullptr ? prefix : "");
    size_t len = strlen(text);
    for (int i = 0; i < n; ++i) {
        if (printable(raw[i])) {
            text[len++] = static_cast<char>(raw[i]);
            continue;
        }
        text[len++] = '{';
        for (; i < n && !printable(raw[i]); ++i)
            len += static_cast<size_t>(snprintf(text + len, 3, "%02X", raw[i]));
        text[len++] = '}';
        --i;
    }
    while (len > 0 && text[len - 1] == ' ')
        --len;
    text[len] = '\0';
    return text;
}
