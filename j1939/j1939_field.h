// Fields: a bit range of a message mapped onto a data object with scale and offset, the
// J1939 range check on reception, staleness, and the texts a field gives its faults.
#pragma once

#include <cstdint>

#include "j1939/j1939_fmi.h"
#include "text/template_expander.h"

class GenericData;
class J1939msgBuffer;

// SPNs above this are the display's own numbers, shown as "SPN [n]" of spn - LocalSPNbase.
constexpr uint32_t LastStandardSPN = 0x7EFFF;
constexpr uint32_t LocalSPNbase = 0x7F000;

class J1939fieldDefn {
public:
    uint32_t spn;
    uint8_t sizeBits; // below 8 a bit field in one byte, otherwise whole bytes (at most 4)
    GenericData* data;
    double scale;  // engineering units per bit
    double offset; // engineering value of raw 0
    J1939FMIset fmiSet;
    void* user = nullptr;

    J1939fieldDefn(uint32_t spn, uint8_t sizeBits, GenericData* data, double scale, double offset,
                   const J1939FMIset& fmiSet)
        : spn(spn), sizeBits(sizeBits), data(data), scale(scale), offset(offset), fmiSet(fmiSet),
          sharedFMIs(fmiSet.head) {}
    J1939fieldDefn(const J1939fieldDefn&) = delete;
    J1939fieldDefn& operator=(const J1939fieldDefn&) = delete;
    // Frees the FMI definitions added to this field, not those of the set it was given.
    ~J1939fieldDefn();

    double decode(uint32_t raw) const { return raw * scale + offset; }
    // Truncated toward zero, limited to the signed 32-bit range.
    int32_t encode(double value) const;
    int32_t getDataObjValue() const;

private:
    J1939FMIdefn* sharedFMIs;
};

// Field flags.
constexpr uint8_t FieldStaleInvalidates = 0x01;   // data invalid when the source goes silent
constexpr uint8_t FieldRangeChecked = 0x02;       // the top raw values mean "not available"
constexpr uint8_t FieldOnlyAllOnesInvalid = 0x04; // ... only the all-ones value

class J1939field : public TemplateExpander {
public:
    J1939fieldDefn* defn;
    uint32_t startByte; // 1-based
    uint8_t bitOffset;  // least significant bit inside the byte, below 8 bits only
    J1939field* next;
    uint8_t flags;

    J1939field(J1939fieldDefn* defn, uint32_t startByte, uint8_t bitOffset, J1939field* next);

    // Placeholders: 0 "<default>", 1 the data's name (or "SPN n"), 2 value with units,
    // 3 "<srcModule>", 4 "<msg>".
    int expand(Language* lang, unsigned char placeholder, unsigned char*& out,
               unsigned long context, double value) override;
    GenericData* associatedData() override { return defn->data; }
    // For a fault key (SPN << 13 | FMI << 8 | sa): the field's text for that FMI or the
    // default one; form receives the priority.
    StringArgs getMsgTemplate(unsigned char& form, unsigned char which,
                              unsigned long context) override;

    uint32_t getField(const J1939msgBuffer* buffer) const;
    bool setField(J1939msgBuffer* buffer, uint32_t raw) const;
    // Writes the data object's value, if there is a data object.
    void setField(J1939msgBuffer* buffer) const;
    void updateAssocDataObj(const J1939msgBuffer* buffer);
    void setDataObjValue(uint32_t raw);
    void setStale();
    J1939FMIdefn* addFMI(uint8_t fmi, uint32_t priorityWord, const char* templateText, void* user);
    J1939FMIdefn* diagnosticMatch(uint8_t fmi) const { return defn->fmiSet.find(fmi); }
};
