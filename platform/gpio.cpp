// Analogue, digital and frequency inputs and outputs behind the co-processor, and the
// supply readings.
#include "platform/io_services.h"

const uint32_t fullScale_mV[5] = {2500, 40000, 15000, 8500, 3180};

namespace {
constexpr int Channels = 4;
constexpr uint32_t SetOutputs = 0xA3F000FFu;
constexpr uint32_t ConfigureChannel = 0xA4000000u;
constexpr uint32_t ConfigEdgeCatcher = 0x10000u;
constexpr uint32_t ConfigOption = 0x100000u;

uint32_t DinDataBlock = 0;
uint32_t DoutDataBlock = 0;

DelayedCallbackListNode channelPollNodes[Channels];
DelayedCallbackListNode analogPollNodes[2];
DelayedCallbackListNode ignitionPollNode;

// Stops an entry's periodic poll and I/O event.
void stopPolling(unsigned char entry) {
    configPeriodicMSP_Poll(nullptr, entry, 0, 0, 0);
    _setMSP_IOcallbackEvent_(entry, MSP_StoreHandler);
}

void startPolling(DelayedCallbackListNode* node, unsigned char entry, uint32_t periodMs,
                  unsigned char ioEvent) {
    _setMSP_IOcallbackEvent_(entry, MSP_IOeventHandlerBit | ioEvent);
    configPeriodicMSP_Poll(node, entry, 0, periodMs, 2 * periodMs);
}
} // namespace

bool getDin(unsigned char n) {
    return n < Channels && (DinDataBlock >> n & 1) != 0;
}

uint32_t getBulkDin() {
    return DinDataBlock;
}

void setBulkDin(uint32_t bits) {
    DinDataBlock = bits & 0xF;
}

void setDout(unsigned char n, bool on) {
    if (n >= Channels) return;
    uint32_t bits = on ? DoutDataBlock | 1u << n : DoutDataBlock & ~(1u << n);
    setBulkDout(bits);
}

// The outputs are sent only when they change.
void setBulkDout(uint32_t bits) {
    bits &= 0xF;
    if (bits == DoutDataBlock) return;
    DoutDataBlock = bits;
    sendMSPcmd(SetOutputs | bits << 16);
}

uint32_t getBulkDout() {
    return DoutDataBlock;
}

uint32_t ADC_to_mV(uint32_t counts, unsigned char range) {
    if (range > 4) return 0;
    return (fullScale_mV[range] * counts + 2048) >> 12;
}

uint32_t getAin(unsigned char ch, unsigned char* range) {
    if (ch >= Channels) {
        if (range != nullptr) *range = 0;
        return 0;
    }
    uint32_t w = PollCmdTable[MSP_AnalogEntry + ch / 2].word;
    uint32_t value, code;
    if ((ch & 1) == 0) {
        value = (w >> 12) & 0xFFF;
        code = (w >> 26) & 3;
    } else {
        value = w & 0xFFF;
        code = (w >> 24) & 3;
    }
    if (range != nullptr) *range = static_cast<unsigned char>(code + 1);
    return value;
}

double getAin_V(unsigned char ch) {
    unsigned char r;
    uint32_t counts = getAin(ch, &r);
    return ADC_to_mV(counts, r) / 1000.0;
}

void configADC(unsigned char ch, uint32_t periodMs, unsigned char ioEvent) {
    if (ch >= Channels) return;
    unsigned char entry = static_cast<unsigned char>(MSP_AnalogEntry + ch / 2);
    stopPolling(entry);
    if (periodMs != 0) startPolling(&analogPollNodes[ch / 2], entry, periodMs, ioEvent);
}

uint32_t getBattery() {
    return ADC_to_mV(getMSPcmdField(MFT_Battery), 0) * VbattConversionFactor_x10 / 10;
}

uint32_t getIgnition() {
    return ADC_to_mV(getMSPcmdField(MFT_Ignition), 0) * VbattConversionFactor_x10 / 10;
}

void enableIgnitionSampling() {
    configPeriodicMSP_Poll(&ignitionPollNode, MSP_IgnitionEntry, 100, 500, 1000);
}

void configGPIO(unsigned char ch, GPIO_Type type, bool option, uint32_t parameter,
                unsigned char ioEvent) {
    if (ch >= Channels) return;
    stopPolling(ch);
    uint32_t config = static_cast<uint32_t>(type & 7) << 17;
    if (type == GPIO_EdgeCatcher && (parameter & 0x81) != 0)
        config = (parameter & 0x81) | ConfigEdgeCatcher;
    if (option) config |= ConfigOption;
    if (type == GPIO_Type7) config |= parameter & 0xFFFF;
    sendMSPcmd((ConfigureChannel + (static_cast<uint32_t>(ch) << 24)) | config);
    bool polled = (type >= GPIO_Type1 && type <= GPIO_Type4) || type == GPIO_Type6;
    if (polled && parameter != 0) startPolling(&channelPollNodes[ch], ch, parameter, ioEvent);
}

void configGPIOasEdgeCatcher(unsigned char ch, unsigned char edges, bool option,
                             EdgeCatcherCallbackFn cb) {
    configGPIO(ch, GPIO_EdgeCatcher, option, edges, 0);
    EdgeCatcherCallback = cb;
}

bool getFin(unsigned char ch, FinInfo* info) {
    if (ch >= Channels || info == nullptr) return false;
    uint32_t w = PollCmdTable[ch].word & 0x0FFFFFFFu;
    info->type = static_cast<unsigned char>(w >> 25);
    switch (info->type) {
    case 0:
    case 8:
        return false;
    case 1:
        info->value2 = w & 0xFFFF;
        return true;
    case 2:
        info->value2 = w & 0xFFFFFF;
        return true;
    case 3:
        info->value1 = w & 0x1FFFFFF;
        return true;
    case 4:
    case 5:
    case 6:
    case 7:
        info->type = info->type < 6 ? 4 : 6;
        info->value1 = w & 0xFFFF;
        info->value2 = (w >> 16) & 0x3FF;
        return !(info->type == 6 && (w & 0xFFFF0000u) > 0xFFEFFFFu);
    default:
        return true;
    }
}
