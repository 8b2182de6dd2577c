// Data objects: values (doubles) with validity, units, descriptive attributes and the
// parties to tell when they change; a view in the current unit system; text values.
#pragma once

#include <cstdint>

#include "core/notifiable.h"
#include "text/multi_string.h"

class Bitmap;
class DataAttributes;
class SignalRange;
class Units;

class GenericData {
public:
    virtual void setValue(double value, bool notify = true, bool force = false) = 0;
    // With a text buffer (DataTextBufferSize bytes) the data may supply its value as text;
    // otherwise the text is left empty.
    virtual double getValue(unsigned char* text = nullptr) = 0;
    virtual void setInvalid(bool notify = true) = 0;
    virtual bool isValid() = 0;
    virtual StringAndLang getDataName(Language* lang, unsigned char form,
                                      unsigned char* buffer) = 0;
    virtual StringAndLang getUnitsName(unsigned char variant) = 0;
    virtual Data* dataPtr() = 0;
    virtual DataAttributes* attrPtr() = 0;
    virtual Units* getUnits() = 0;
    virtual void notifyEventOccurred(NotificationEvent event) = 0;
    virtual ~GenericData() = default;
};

// The data's name (a string key), with an optional icon and, for values that stand for a
// text, the key of that text (the value is its index).
class DataAttributes : public MultiString {
public:
    Bitmap* icon;
    const char* valueTextTemplate;
    SignalRange* signalRange;
    TemplateExpander* templateExpander = nullptr;

    DataAttributes(const char* name, Bitmap* icon = nullptr,
                   const char* valueTextTemplate = nullptr, long nameStringId = 0,
                   SignalRange* range = nullptr, TemplateExpander* expander = nullptr);
};

class Data : public GenericData {
public:
    double value;
    bool valid;
    Units* units;
    DataAttributes* attributes;
    NotifiableList interestedParties;

    Data(Units* units = nullptr, DataAttributes* attributes = nullptr, double initial = 0,
         bool valid = true);

    void setValue(double value, bool notify = true, bool force = false) override;
    double getValue(unsigned char* text = nullptr) override;
    void setInvalid(bool notify = true) override;
    bool isValid() override { return valid; }
    StringAndLang getDataName(Language* lang, unsigned char form, unsigned char* buffer) override;
    StringAndLang getUnitsName(unsigned char variant) override;
    Data* dataPtr() override { return this; }
    DataAttributes* attrPtr() override { return attributes; }
    Units* getUnits() override { return units; }
    void notifyEventOccurred(NotificationEvent event) override;

    // Stores the value whatever it was.
    void _setValue_(double value, bool notify);
    // A party is kept once however often it registers.
    void registerInterest(Notifiable* party);
    void deregisterInterest(Notifiable* party);
};

// A view of a data object in the units of the current unit system.
class UnitizedData : public GenericData {
public:
    Data* data;
    Units* metricUnits;
    Units* imperialUnits;

    UnitizedData(Data* data, Units* metric, Units* imperial = nullptr);

    void setValue(double value, bool notify = true, bool force = false) override;
    double getValue(unsigned char* text = nullptr) override;
    void setInvalid(bool notify = true) override { data->setInvalid(notify); }
    bool isValid() override { return data->isValid(); }
    StringAndLang getDataName(Language* lang, unsigned char form, unsigned char* buffer) override {
        return data->getDataName(lang, form, buffer);
    }
    StringAndLang getUnitsName(unsigned char variant) override;
    Data* dataPtr() override { return data; }
    DataAttributes* attrPtr() override { return data->attrPtr(); }
    Units* getUnits() override;
    void notifyEventOccurred(NotificationEvent event) override { data->notifyEventOccurred(event); }

    // Points the view at another data object; the widgets showing it through this view
    // move their registration along.
    void reassign(Data* newData);
};

// A text value of fixed capacity (bytes, the final 0 included).
class TextData : public Data {
public:
    uint32_t capacity;
    unsigned char* text;

    explicit TextData(uint32_t capacity, DataAttributes* attributes = nullptr);
    TextData(const TextData&) = delete;
    TextData& operator=(const TextData&) = delete;
    ~TextData() override;

    double getValue(unsigned char* text = nullptr) override;
    // Copies as many whole characters as fit; notifies when the text changed, the data was
    // invalid, or force is set.
    void setTextValue(const unsigned char* text, bool notify = true, bool force = false);
    const unsigned char* getText() const { return text; }
};
