// A fault as the fault manager keeps it: the expander that gives its text (the field that
// carries the SPN, or none) and the 16-byte record stored in the fault log.
#pragma once

#include <cstdint>

#include "core/free_list_pool.h"
#include "text/template_expander.h"

// What a fault log stores: a fixed-size block of bytes.
class GenericFaultRecord {
public:
    virtual unsigned recordSize() const = 0;
    virtual uint8_t* getRecordDataArea() = 0;
    virtual ~GenericFaultRecord() = default;
};

// Bytes 0..3 code, 4..7 timestamp, 8..11 record number (bits 0..27) with hour-stamp bits
// 16..19 on top, 12 and 13 hour-stamp bits 8..15 and 0..7, 14 priority, 15 fault type.
class FaultRecord : public GenericFaultRecord {
public:
    static constexpr unsigned Size = 16;
    static constexpr uint32_t MaxRecordNumber = 0x0FFFFFFF;
    static constexpr uint32_t MaxHourstamp = 0xFFFFF;

    FaultRecord(uint32_t code, unsigned char priority, unsigned char faultType);
    unsigned recordSize() const override { return Size; }
    uint8_t* getRecordDataArea() override { return bytes; }

    uint32_t getCode() const { return get32(0); }
    uint32_t getTimestamp() const { return get32(4); }
    void setTimestamp(uint32_t t) { put32(4, t); }
    uint32_t getRecordNumber() const { return get32(8) & MaxRecordNumber; }
    void setRecordNumber(uint32_t n);
    uint32_t getHourstamp() const;
    void setHourstamp(uint32_t hours);
    unsigned char getPriority() const { return bytes[14]; }
    unsigned char getFaultType() const { return bytes[15]; }

private:
    uint8_t bytes[Size] = {};
    uint32_t get32(unsigned at) const;
    void put32(unsigned at, uint32_t v);
};

class FaultObj : public TemplateExpander {
public:
    TemplateExpander* source; // the field of the fault, or none
    FaultRecord record;

    FaultObj(unsigned char priority, uint32_t code, TemplateExpander* source,
             unsigned char faultType)
        : source(source), record(code, priority, faultType) {}

    void setTimestamp(uint32_t timestamp, uint32_t hours);
    // Without a source: placeholder 9 is "SPN/FMI" of the code, anything else "???".
    int expand(Language* lang, unsigned char placeholder, unsigned char*& out,
               unsigned long context, double value) override;
    GenericData* associatedData() override;
    // The source's text for the code, or "&9" with the stored priority.
    StringArgs getMsgTemplate(unsigned char& form, unsigned char which,
                              unsigned long context) override;

    static void* operator new(size_t n) { return pool.take(n); }
    static void operator delete(void* p, size_t n) { pool.give(p, n); }
    static FreeListPool pool;
};
