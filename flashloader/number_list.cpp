// Header number lists.
#include "flashloader/number_list.h"

#include <cstdio>
#include <cstring>

namespace {
bool isSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

int digitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return 99;
}
} // namespace

uint32_t parseBase0Number(const char* text, const char** end) {
    const char* p = text;
    while (isSpace(*p))
        ++p;
    bool negative = *p == '-';
    if (*p == '+' || *p == '-') ++p;
    int base = 10;
    if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && digitValue(p[2]) < 16) {
        base = 16;
        p += 2;
    } else if (p[0] == '0') {
        base = 8;
    }
    const char* digits = p;
    uint64_t v = 0;
    bool overflow = false;
    for (int d; (d = digitValue(*p)) < base; ++p) {
        v = v * static_cast<unsigned>(base) + static_cast<unsigned>(d);
        if (v > 0xFFFFFFFFu) {
            overflow = true;
            v = 0xFFFFFFFFu;
        }
    }
    if (p == digits) {
        if (end != nullptr) *end = text;
        return 0;
    }
    if (end != nullptr) *end = p;
    if (overflow) return 0xFFFFFFFFu;
    uint32_t r = static_cast<uint32_t>(v);
    return negative ? 0u - r : r;
}

template <typename T> void NumberList<T>::createFromList(const char* value) {
    snprintf(text, sizeof text, "%s", value);
    int n = 0;
    for (const char* p = text; *p != '\0';) {
        size_t len = strcspn(p, ",");
        if (len > 0) ++n;
        p += len;
        if (*p == ',') ++p;
    }
    delete[] list;
    list = n > 0 ? new T[n] : nullptr;
    count = static_cast<unsigned char>(n);
    int i = 0;
    for (const char* p = text; *p != '\0';) {
        size_t len = strcspn(p, ",");
        // The number stops at the comma: it is not a character a number can hold.
        if (len > 0) list[i++] = static_cast<T>(parseBase0Number(p));
        p += len;
        if (*p == ',') ++p;
    }
}

template <> void NumberList<unsigned long>::createFromBitmask(const char* value) {
    uint32_t mask = parseBase0Number(value);
    char work[NumberListTextSize] = {};
    size_t used = 0;
    for (int bit = 0; bit < 32; ++bit)
        if (mask & (1u << bit))
            used += static_cast<size_t>(snprintf(work + used, sizeof work - used, "%d,", bit));
    if (used == 0) return;
    work[used - 1] = '\0';
    createFromList(work);
}

template <typename T> CheckStates NumberList<T>::isInList(T value) const {
    if (count == 0) return CheckNoRestriction;
    for (int i = 0; i < count; ++i)
        if (list[i] == value) return CheckPass;
    return CheckFail;
}

template class NumberList<unsigned long>;
template class NumberList<unsigned char>;
