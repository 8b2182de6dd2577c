// References through which widgets and J1939 fields read, format and write data objects,
// and the digit entry helpers used by number editing.
#pragma once

#include <cstdint>

#include "data/data.h"

// Text buffers handed to getText and getValue hold this many bytes.
constexpr int DataTextBufferSize = 256;

class DataRef {
public:
    GenericData* data;
    Notifiable* party;
    bool pendingRegistration;

    DataRef(GenericData* data, Notifiable* party = nullptr);
    DataRef(const DataRef&) = delete;
    DataRef& operator=(const DataRef&) = delete;

    virtual double _getValue_(unsigned char* text);
    virtual StringAndLang getText(unsigned char variant, unsigned char* buffer);
    virtual void reassign(GenericData* d, signed char metricDecimals = -128,
                          signed char imperialDecimals = -128);
    virtual void registerInterest(Notifiable* party, bool deferred = false);
    virtual void deregisterInterest();
    virtual void _setValue_(double value, bool notify, bool force);
    virtual ~DataRef();

    void setValue(double value, bool notify = true, bool force = false);
    double getValue(unsigned char* text = nullptr) { return _getValue_(text); }
    bool isValid();
    void setInvalid();
    Data* dataPtr() { return data != nullptr ? data->dataPtr() : nullptr; }

    void actuallyRegisterInterest(Notifiable* party, bool deferred);
    void actuallyDeregisterInterest();
};

class NumericDataRef : public DataRef {
public:
    signed char metricDecimals;
    signed char imperialDecimals;
    unsigned char zeroPadWidth;
    unsigned char maxDigits;
    unsigned char unitsNameVariant;

    // Shown for invalid data.
    static const char* displayTextWhenInvalid;

    NumericDataRef(GenericData* data, Notifiable* party = nullptr, signed char metricDecimals = 0,
                   signed char imperialDecimals = 0, unsigned char zeroPadWidth = 0,
                   unsigned char unitsNameVariant = 0, unsigned char maxDigits = 0);

    StringAndLang getText(unsigned char variant, unsigned char* buffer) override;
    void reassign(GenericData* d, signed char metricDecimals = -128,
                  signed char imperialDecimals = -128) override;
    void registerInterest(Notifiable* p, bool deferred = false) override {
        actuallyRegisterInterest(p, deferred);
    }
    void deregisterInterest() override { actuallyDeregisterInterest(); }
    void _setValue_(double value, bool notify, bool force) override;

    // The decimal places for the data's units (metric, or imperial otherwise).
    signed char& decimals();
    // Formats a number by this reference's rules (decimals, padding, limit, units name).
    StringAndLang formatValue(double value, unsigned char* buffer);

private:
    StringAndLang templateText(double value, unsigned char variant, unsigned char* buffer);
};

// Shows the units name of its data.
class UnitNameDataRef : public DataRef {
public:
    using DataRef::DataRef;
    StringAndLang getText(unsigned char variant, unsigned char* buffer) override;
};

// Digit entry: position >= 1 is that fractional digit, 0 the units, negative 10^-position.
void addDigit(double& v, signed char position, unsigned char digit);
// Undoes the last addDigit at that position.
void dropDigit(double& v, signed char position);
