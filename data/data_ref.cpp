// Data references: registration of the widget with the data, number formatting, units
// names, and digit entry.
#include "data/data_ref.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "data/number_format.h"
#include "data/units.h"
#include "text/language.h"
#include "text/vocabulary.h"
#include "text/xtd_string.h"

DataRef::DataRef(GenericData* d, Notifiable* p)
    : data(d), party(p), pendingRegistration(p != nullptr) {}

DataRef::~DataRef() {
    if (party != nullptr && !pendingRegistration && dataPtr() != nullptr)
        dataPtr()->deregisterInterest(party);
}

double DataRef::_getValue_(unsigned char* text) {
    if (data == nullptr) {
        if (text != nullptr) text[0] = 0;
        return 0;
    }
    return data->getValue(text);
}

StringAndLang DataRef::getText(unsigned char, unsigned char* buffer) {
    StringAndLang s;
    buffer[0] = 0;
    s.text = buffer;
    s.language = V.currentLanguage;
    return s;
}

void DataRef::reassign(GenericData* d, signed char, signed char) {
    if (d == nullptr || d == data) return;
    Notifiable* p = party;
    if (p != nullptr) deregisterInterest();
    data = d;
    if (p != nullptr) {
        registerInterest(p, false);
        p->notify(WakeUpEvent, nullptr);
    }
}

void DataRef::registerInterest(Notifiable*, bool) {}
void DataRef::deregisterInterest() {}
void DataRef::_setValue_(double, bool, bool) {}

void DataRef::setValue(double value, bool notify, bool force) {
    if (pendingRegistration) registerInterest(party, false);
    _setValue_(value, notify, force);
}

bool DataRef::isValid() {
    Data* d = dataPtr();
    return d != nullptr && d->isValid();
}

void DataRef::setInvalid() {
    if (data != nullptr) data->setInvalid(true);
}

void DataRef::actuallyRegisterInterest(Notifiable* p, bool deferred) {
    party = p;
    if (p != nullptr && !deferred && dataPtr() != nullptr) dataPtr()->registerInterest(p);
    pendingRegistration = p != nullptr && deferred;
}

void DataRef::actuallyDeregisterInterest() {
    if (party != nullptr && dataPtr() != nullptr) dataPtr()->deregisterInterest(party);
    party = nullptr;
    pendingRegistration = false;
}

const char* NumericDataRef::displayTextWhenInvalid = "n/a";

NumericDataRef::NumericDataRef(GenericData* d, Notifiable* p, signed char metric,
                               signed char imperial, unsigned char zeroPad,
                               unsigned char unitsVariant, unsigned char digits)
    : DataRef(d, p), metricDecimals(metric), imperialDecimals(imperial), zeroPadWidth(zeroPad),
      maxDigits(digits), unitsNameVariant(unitsVariant) {}

void NumericDataRef::_setValue_(double value, bool notify, bool force) {
    if (data != nullptr) data->setValue(value, notify, force);
}

void NumericDataRef::reassign(GenericData* d, signed char metric, signed char imperial) {
    if (metric != -128) metricDecimals = metric;
    if (imperial != -128) imperialDecimals = imperial;
    DataRef::reassign(d, metric, imperial);
}

signed char& NumericDataRef::decimals() {
    Units* u = data != nullptr ? data->getUnits() : nullptr;
    return u != nullptr && u->getUnitSystem() == MetricSystem ? metricDecimals : imperialDecimals;
}

StringAndLang NumericDataRef::formatValue(double value, unsigned char* buffer) {
    StringAndLang s;
    s.text = buffer;
    s.language = V.currentLanguage;
    int n =
        formatNumber(reinterpret_cast<char*>(buffer), value, decimals(), zeroPadWidth, maxDigits);
    if (unitsNameVariant != 0 && data != nullptr) {
        StringAndLang units = data->getUnitsName(unitsNameVariant);
        buffer[n++] = ' ';
        xtdStrncpy(buffer + n, units.text, DataTextBufferSize - n);
    }
    return s;
}

namespace {
bool sameAsTemplate(const unsigned char* text, const char* tpl) {
    return strcmp(reinterpret_cast<const char*>(text), tpl) == 0;
}
} // namespace

StringAndLang NumericDataRef::templateText(double value, unsigned char variant,
                                           unsigned char* buffer) {
    const DataAttributes* a = data->attrPtr();
    const char* tpl = a->valueTextTemplate;
    unsigned long k = !(value > 0)            ? 0
                      : value >= 4294967295.0 ? 4294967295ul
                                              : static_cast<unsigned long>(value);
    unsigned char form = variant != 0 ? variant : 9;
    MultiString ms(tpl, static_cast<long>(k), form);
    StringAndLang s = ms.getString(form);
    if (!sameAsTemplate(s.text, tpl)) {
        xtdStrncpy(buffer, s.text, DataTextBufferSize);
        s.text = buffer;
        return s;
    }
    if (a->templateExpander != nullptr && a->templateExpander->canExpandSubKey(k)) {
        unsigned char expanded[MultiStringBufferSize];
        ms.setString(tpl, 32767, 9);
        ms.expander = a->templateExpander;
        ms.expansionContext = static_cast<uint32_t>(k);
        s = ms.getExpandedString(expanded, 9);
        if (!sameAsTemplate(s.text, tpl)) {
            xtdStrncpy(buffer, s.text, DataTextBufferSize);
            s.text = buffer;
            return s;
        }
    }
    snprintf(reinterpret_cast<char*>(buffer), DataTextBufferSize, "%s::%lu", tpl, k);
    s.text = buffer;
    s.language = &English;
    s.rightToLeft = false;
    return s;
}

StringAndLang NumericDataRef::getText(unsigned char variant, unsigned char* buffer) {
    StringAndLang s;
    s.text = buffer;
    s.language = V.currentLanguage;
    buffer[0] = 0;
    if (data == nullptr) return s;
    double value = _getValue_(buffer);
    if (!data->isValid() || std::isnan(value)) {
        xtdStrLoad(buffer, displayTextWhenInvalid);
        return s;
    }
    const DataAttributes* a = data->attrPtr();
    if (a != nullptr && a->valueTextTemplate != nullptr)
        return templateText(value, variant, buffer);
    if (buffer[0] != 0) return s; // the data gave its own text
    return formatValue(value, buffer);
}

StringAndLang UnitNameDataRef::getText(unsigned char variant, unsigned char* buffer) {
    if (data == nullptr) return DataRef::getText(variant, buffer);
    return data->getUnitsName(variant);
}

namespace {
double powerOfTen(int e) {
    return std::pow(10.0, e);
}
} // namespace

void addDigit(double& v, signed char position, unsigned char digit) {
    if (position <= 0) v *= 10;
    double inc = position < 0 ? digit * powerOfTen(-position) : digit / powerOfTen(position);
    v = v < 0 ? v - inc : v + inc;
}

void dropDigit(double& v, signed char position) {
    double unit = position < 0 ? powerOfTen(-position) : 1 / powerOfTen(position);
    // Rounded to whole units half away from zero: a negative value must not lose a unit.
    double n = std::round(v / unit);
    n = std::trunc(n / 10);
    v = n * unit;
    if (position > 0) v *= 10;
}
