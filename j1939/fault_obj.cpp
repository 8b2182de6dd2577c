// Fault objects and their log records.
#include "j1939/fault_obj.h"

#include <cstdio>

#include "j1939/j1939_active_faults.h"

FreeListPool FaultObj::pool(sizeof(FaultObj));

namespace {
constexpr uint32_t FMIMask = 31;
constexpr unsigned SpnFmiPlaceholder = 9;
} // namespace

FaultRecord::FaultRecord(uint32_t code, unsigned char priority, unsigned char faultType) {
    put32(0, code);
    bytes[14] = priority;
    bytes[15] = faultType;
}

uint32_t FaultRecord::get32(unsigned at) const {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
           static_cast<uint32_t>(bytes[at + 3]) << 24;
}

void FaultRecord::put32(unsigned at, uint32_t v) {
    for (unsigned i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

void FaultRecord::setRecordNumber(uint32_t n) {
    put32(8, (get32(8) & ~MaxRecordNumber) | (n & MaxRecordNumber));
}

uint32_t FaultRecord::getHourstamp() const {
    return (get32(8) >> 28) << 16 | bytes[12] << 8 | bytes[13];
}

void FaultRecord::setHourstamp(uint32_t hours) {
    put32(8, (get32(8) & MaxRecordNumber) | ((hours >> 16) & 15) << 28);
    bytes[12] = static_cast<uint8_t>(hours >> 8);
    bytes[13] = static_cast<uint8_t>(hours);
}

void FaultObj::setTimestamp(uint32_t timestamp, uint32_t hours) {
    record.setTimestamp(timestamp);
    record.setHourstamp(hours);
}

int FaultObj::expand(Language* lang, unsigned char placeholder, unsigned char*& out,
                     unsigned long context, double value) {
    if (source != nullptr) return source->expand(lang, placeholder, out, record.getCode(), value);
    if (out == nullptr) return ExpandedPlain;
    char* o = reinterpret_cast<char*>(out);
    uint32_t code = record.getCode();
    int n;
    if (placeholder == SpnFmiPlaceholder)
        n = snprintf(o, ExpansionWorkSize, "%05ld/%02d",
                     static_cast<long>(code >> FaultKeySPNShift),
                     static_cast<int>((code >> FaultKeyFMIShift) & FMIMask));
    else
        n = snprintf(o, ExpansionWorkSize, "???");
    (void)context;
    out += n;
    return ExpandedPlain;
}

GenericData* FaultObj::associatedData() {
    return source != nullptr ? source->associatedData() : nullptr;
}

StringArgs FaultObj::getMsgTemplate(unsigned char& form, unsigned char which, unsigned long) {
    if (source != nullptr) return source->getMsgTemplate(form, which, record.getCode());
    form = record.getPriority();
    StringArgs args;
    args.key = "&9";
    args.literal = true;
    return args;
}
