// FMI texts: the defaults and the per-parameter lists.
#include "j1939/j1939_fmi.h"

const J1939FMIdefault FMIdefaultsTable[FMIcount] = {
    {0x1000, "&name& out of range high"},
    {0x1000, "&name& out of range low"},
    {0x1000, ""},
    {0x1000, "&name& short to battery"},
    {0x1000, ""},
    {0x1000, "&name& open circuit"},
    {0x1000, ""},
    {0x1000, ""},
    {0x1000, "&name& abnormal"},
    {0x1000, ""},
    {0x1000, ""},
    {0x1000, ""},
    {0x1000, ""},
    {0x1000, "&name& calibration error"},
    {0x1000, ""},
    {0x1000, "&name& value high"},
    {0x1000, "&name& value extremely high"},
    {0x1000, "&name& value low"},
    {0x1000, "&name& value extremely low"},
    {0x1000, ""},
    {0x1000, ""},
    {0x1000, ""},
    {0x1000, ""},
    {0x1000, ""},
    {0x1000, ""},
    {0x1000, ""},
    {0x1000, ""},
    {0x1000, ""},
    {0x1000, ""},
    {0x1000, ""},
    {0x1000, ""},
    {0x1000, "&1 dummy fmi"},
};

J1939FMIdefn::J1939FMIdefn(uint8_t f, uint32_t pw, const char* t, J1939FMIdefn* n)
    : fmi(f), priorityWord(pw), templateText(t), next(n) {
    const J1939FMIdefault& d = FMIdefaultsTable[f % FMIcount];
    if (priorityWord == 0xFFFF) priorityWord = d.priorityWord;
    if (templateText == nullptr) templateText = d.templateText;
}

J1939FMIdefn* J1939FMIset::add(uint8_t fmi, uint32_t priorityWord, const char* templateText) {
    head = new J1939FMIdefn(fmi, priorityWord, templateText, head);
    return head;
}

J1939FMIdefn* J1939FMIset::find(uint8_t fmi) const {
    for (J1939FMIdefn* d = head; d != nullptr; d = d->next)
        if (d->fmi == fmi) return d;
    return nullptr;
}
