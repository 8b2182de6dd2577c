// Data values, their views and text values.
#include "data/data.h"

#include <cstring>

#include "data/data_ref.h"
#include "data/units.h"
#include "text/language.h"
#include "text/xtd_string.h"

DataAttributes::DataAttributes(const char* name, Bitmap* i, const char* tpl, long nameStringId,
                               SignalRange* range, TemplateExpander* expander)
    : MultiString(name, nameStringId), icon(i), valueTextTemplate(tpl), signalRange(range) {
    if (tpl != nullptr)
        templateExpander = expander;
    else
        this->expander = expander;
}

Data::Data(Units* u, DataAttributes* a, double initial, bool v)
    : value(initial), valid(v), units(u != nullptr ? u : &NoUnits), attributes(a) {}

void Data::setValue(double v, bool notify, bool force) {
    if (valid && v == value && !force) return;
    valid = true;
    value = v;
    if (notify) notifyEventOccurred(DataChangedEvent);
}

void Data::_setValue_(double v, bool notify) {
    valid = true;
    value = v;
    if (notify) notifyEventOccurred(DataChangedEvent);
}

double Data::getValue(unsigned char* text) {
    if (text != nullptr) text[0] = 0;
    return value;
}

void Data::setInvalid(bool notify) {
    if (!valid) return;
    valid = false;
    value = 0.0;
    if (notify) notifyEventOccurred(DataChangedEvent);
}

StringAndLang Data::getDataName(Language* lang, unsigned char form, unsigned char* buffer) {
    if (attributes != nullptr) return attributes->getExpandedString(buffer, form, lang);
    StringAndLang s;
    s.text = reinterpret_cast<const unsigned char*>("");
    s.language = &English;
    return s;
}

StringAndLang Data::getUnitsName(unsigned char variant) {
    return units->getString(variant);
}

void Data::notifyEventOccurred(NotificationEvent event) {
    // The next node is taken first, so a party may deregister itself while told.
    for (NotifiableListNode* n = interestedParties.head; n != nullptr;) {
        NotifiableListNode* next = n->next;
        n->party->notify(event, this);
        n = next;
    }
}

void Data::registerInterest(Notifiable* party) {
    if (party != nullptr && interestedParties.findNode(party) == nullptr)
        interestedParties.addNotifiable(party);
}

void Data::deregisterInterest(Notifiable* party) {
    interestedParties.removeNotifiable(party);
}

UnitizedData::UnitizedData(Data* d, Units* metric, Units* imperial)
    : data(d), metricUnits(metric != nullptr ? metric : &NoUnits),
      imperialUnits(metric == nullptr     ? &NoUnits
                    : imperial != nullptr ? imperial
                                          : metric) {}

Units* UnitizedData::getUnits() {
    return CurrentUnitSystem != MetricSystem ? imperialUnits : metricUnits;
}

double UnitizedData::getValue(unsigned char* text) {
    return getUnits()->convertFrom(data->getValue(text), data->getUnits());
}

void UnitizedData::setValue(double v, bool notify, bool force) {
    data->setValue(data->getUnits()->convertFrom(v, getUnits()), notify, force);
}

StringAndLang UnitizedData::getUnitsName(unsigned char variant) {
    return getUnits()->getString(variant);
}

void UnitizedData::reassign(Data* newData) {
    if (newData == nullptr || newData == data) return;
    NotifiableList& from = data->interestedParties;
    for (NotifiableListNode* n = from.head; n != nullptr;) {
        NotifiableListNode* next = n->next;
        NotifiableWithDataRef* w = dynamic_cast<NotifiableWithDataRef*>(n->party);
        if (w != nullptr && w->dataRef != nullptr && w->dataRef->data == this) {
            from.removeNode(n);
            newData->registerInterest(w);
        }
        n = next;
    }
    data = newData;
    newData->notifyEventOccurred(DataChangedEvent);
}

TextData::TextData(uint32_t cap, DataAttributes* a)
    : Data(&NoUnits, a, 0, true), capacity(cap < 1 ? 1 : cap) {
    text = new unsigned char[capacity];
    text[0] = 0;
}

TextData::~TextData() {
    delete[] text;
}

double TextData::getValue(unsigned char* t) {
    if (t != nullptr) t[0] = 0;
    return 0.0;
}

void TextData::setTextValue(const unsigned char* t, bool notify, bool force) {
    if (t == nullptr) t = reinterpret_cast<const unsigned char*>("");
    int n = xtdStrlen(t);
    bool same = static_cast<uint32_t>(n) < capacity && memcmp(text, t, n + 1) == 0;
    if (valid && same && !force) return;
    xtdStrncpy(text, t, static_cast<int>(capacity));
    valid = true;
    if (notify) notifyEventOccurred(DataChangedEvent);
}
