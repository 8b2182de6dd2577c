// Diagnostic texts of a parameter by failure mode (FMI): what a field's fault is called.
#pragma once

#include <cstdint>

struct J1939FMIdefn {
    uint8_t fmi;
    uint32_t priorityWord; // priority in bits 12..15
    const char* templateText;
    J1939FMIdefn* next;

    // A priority word of 0xFFFF or a null template takes the default for the FMI.
    J1939FMIdefn(uint8_t fmi, uint32_t priorityWord, const char* templateText, J1939FMIdefn* next);
};

struct J1939FMIdefault {
    uint32_t priorityWord;
    const char* templateText;
};
constexpr int FMIcount = 32;
extern const J1939FMIdefault FMIdefaultsTable[FMIcount];

// The head of a list of definitions; copies share the definitions added before the copy.
struct J1939FMIset {
    J1939FMIdefn* head = nullptr;

    // Pushes a new definition at the front (set up time only: it allocates).
    J1939FMIdefn* add(uint8_t fmi, uint32_t priorityWord, const char* templateText);
    J1939FMIdefn* find(uint8_t fmi) const;
};
