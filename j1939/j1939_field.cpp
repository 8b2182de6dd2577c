// Field access, scaling, range checks and texts.
#include "j1939/j1939_field.h"

#include <cmath>
#include <cstdio>

#include "data/data.h"
#include "data/data_ref.h"
#include "j1939/j1939_msg_buffer.h"
#include "text/multi_string.h"
#include "text/xtd_string.h"

J1939fieldDefn::~J1939fieldDefn() {
    while (fmiSet.head != nullptr && fmiSet.head != sharedFMIs) {
        J1939FMIdefn* d = fmiSet.head;
        fmiSet.head = d->next;
        delete d;
    }
}

int32_t J1939fieldDefn::encode(double value) const {
    double raw = (value - offset) / scale;
    if (std::isnan(raw)) return 0;
    if (raw >= 2147483647.0) return INT32_MAX;
    if (raw <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(raw);
}

int32_t J1939fieldDefn::getDataObjValue() const {
    return data != nullptr ? encode(data->getValue()) : 0;
}

J1939field::J1939field(J1939fieldDefn* d, uint32_t start, uint8_t bit, J1939field* n)
    : defn(d), startByte(start), bitOffset(bit), next(n),
      flags(d->sizeBits > 2 ? FieldStaleInvalidates | FieldRangeChecked : FieldStaleInvalidates) {}

uint32_t J1939field::getField(const J1939msgBuffer* buffer) const {
    return buffer->getBitField(startByte, bitOffset, defn->sizeBits);
}

bool J1939field::setField(J1939msgBuffer* buffer, uint32_t raw) const {
    return buffer->setBitField(raw, startByte, bitOffset, defn->sizeBits);
}

void J1939field::setField(J1939msgBuffer* buffer) const {
    if (defn->data != nullptr) setField(buffer, static_cast<uint32_t>(defn->getDataObjValue()));
}

void J1939field::updateAssocDataObj(const J1939msgBuffer* buffer) {
    if (defn->data != nullptr) setDataObjValue(getField(buffer));
}

void J1939field::setDataObjValue(uint32_t raw) {
    if (defn->data == nullptr) return;
    if (flags & FieldRangeChecked) {
        unsigned bits = defn->sizeBits < 8 ? defn->sizeBits : defn->sizeBits / 8 * 8;
        if (bits > 32) bits = 32;
        uint64_t allOnes = (uint64_t{1} << bits) - 1;
        uint64_t firstInvalid = (flags & FieldOnlyAllOnesInvalid) ? allOnes : allOnes - 1;
        if (raw >= firstInvalid) {
            defn->data->setInvalid();
            return;
        }
    }
    defn->data->setValue(defn->decode(raw), true);
}

void J1939field::setStale() {
    if (defn->data != nullptr && (flags & FieldStaleInvalidates)) defn->data->setInvalid();
}

J1939FMIdefn* J1939field::addFMI(uint8_t fmi, uint32_t priorityWord, const char* templateText,
                                 void* user) {
    if (user != nullptr) defn->user = user;
    return defn->fmiSet.add(fmi, priorityWord, templateText);
}

int J1939field::expand(Language* lang, unsigned char placeholder, unsigned char*& out,
                       unsigned long, double value) {
    if (out == nullptr) return ExpandedPlain;
    char* o = reinterpret_cast<char*>(out);
    switch (placeholder) {
    case 0:
        out += snprintf(o, ExpansionWorkSize, "<default>");
        return ExpandedPlain;
    case 1:
        if (defn->data == nullptr) {
            if (defn->spn > LastStandardSPN)
                out += snprintf(o, ExpansionWorkSize, "SPN [%u]",
                                static_cast<unsigned>(defn->spn - LocalSPNbase));
            else
                out += snprintf(o, ExpansionWorkSize, "SPN %u", static_cast<unsigned>(defn->spn));
            return ExpandedPlain;
        } else {
            unsigned char name[MultiStringBufferSize];
            name[0] = 0;
            StringAndLang s = defn->data->getDataName(lang, 1, name);
            out += xtdStrncpy(out, s.text != nullptr ? s.text : name, ExpansionWorkSize);
            return ExpandedText;
        }
    case 2: {
        if (defn->data == nullptr) {
            *out = 0;
            return ExpandedText;
        }
        unsigned char text[DataTextBufferSize];
        text[0] = 0;
        NumericDataRef ref(defn->data, nullptr, 0, 0, 0, 1);
        StringAndLang s = ref.formatValue(value, text);
        out += xtdStrncpy(out, s.text != nullptr ? s.text : text, ExpansionWorkSize);
        return ExpandedText;
    }
    case 3:
        out += snprintf(o, ExpansionWorkSize, "<srcModule>");
        return ExpandedPlain;
    case 4:
        out += snprintf(o, ExpansionWorkSize, "<msg>");
        return ExpandedPlain;
    default:
        *out = 0;
        return ExpandedText;
    }
}

StringArgs J1939field::getMsgTemplate(unsigned char& form, unsigned char, unsigned long key) {
    uint32_t spn = static_cast<uint32_t>(key >> 13);
    uint8_t fmi = static_cast<uint8_t>((key >> 8) & 31);
    const J1939FMIdefn* d = spn == defn->spn ? diagnosticMatch(fmi) : nullptr;
    StringArgs args;
    if (d != nullptr) {
        form = static_cast<unsigned char>(d->priorityWord >> 12);
        args.key = d->templateText;
    } else {
        form = static_cast<unsigned char>(FMIdefaultsTable[fmi].priorityWord >> 12);
        args.key = FMIdefaultsTable[fmi].templateText;
    }
    return args;
}
