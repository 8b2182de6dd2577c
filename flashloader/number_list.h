// The number lists of a software file's header ("J1939Address=0x80, 129,0201"): numbers
// read with C's base detection, cut to the list's element width, kept in file order.
#pragma once

#include <cstdint>

#include "flashloader/check_states.h"

constexpr int NumberListTextSize = 256;

// Reads a number as strtoul(text, &end, 0) does where unsigned long has 32 bits: leading
// white space, an optional sign, 0x/0X for hexadecimal, a leading 0 for octal; it stops at
// the first character that does not fit and saturates at 0xFFFFFFFF. Without digits it
// returns 0 and *end is text.
uint32_t parseBase0Number(const char* text, const char** end = nullptr);

template <typename T> class NumberList {
public:
    unsigned char count = 0;
    T* list = nullptr;                  // count entries, owned; none when count is 0
    char text[NumberListTextSize] = {}; // the value text as it stood (at most 255 characters)

    NumberList() = default;
    NumberList(const NumberList&) = delete;
    NumberList& operator=(const NumberList&) = delete;
    ~NumberList() { delete[] list; }

    // Comma-separated numbers; empty tokens are skipped, a token without digits counts as 0.
    void createFromList(const char* value);
    // One number whose set bits i (0..31) list sectors i; text becomes the generated list
    // ("0,1,4"). A mask of 0 leaves the list as it was. (unsigned long lists only)
    void createFromBitmask(const char* value);
    // CheckNoRestriction for an empty list, CheckPass when listed, else CheckFail.
    CheckStates isInList(T value) const;
};
