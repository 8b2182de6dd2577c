// Reading and writing the typed parameters. Numbers are scanned with strtod/strtol rather
// than sscanf, whose behaviour on out-of-range numbers is undefined.
#include "core/config_file_parms.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "data/data.h"

namespace {
bool scanDouble(const char* text, double* v) {
    char* end;
    *v = strtod(text, &end);
    return end != text;
}

// An integer in decimal, octal (leading 0) or hexadecimal (leading 0x).
bool scanInteger(const char* text, long* v) {
    char* end;
    *v = strtol(text, &end, 0);
    return end != text;
}

const char* skipBlanks(const char* text) {
    while (isspace(static_cast<unsigned char>(*text)))
        ++text;
    return text;
}

// Blanks, a single quote, then the character (any, blanks included).
bool scanQuotedChar(const char* text, char* c) {
    text = skipBlanks(text);
    if (*text != '\'' || text[1] == 0) return false;
    *c = text[1];
    return true;
}

// The byte of a data value that stands for a character; values outside 0 to 255 wrap.
unsigned char valueAsByte(double v) {
    if (!std::isfinite(v)) return 0;
    double whole = std::fmod(std::trunc(v), 256.0);
    return static_cast<unsigned char>(whole < 0 ? whole + 256 : whole);
}
} // namespace

void ConfigFileParm_Data::readValue(char* text) {
    double v;
    if (scanDouble(text, &v)) data->setValue(v, true, false);
}

void ConfigFileParm_Data::writeValue(FILE* f) {
    fprintf(f, format, data->getValue());
}

void ConfigFileParm_Data::setParmToDefaultValue() {
    data->setValue(defaultValue, true, false);
}

void ConfigFileParm_double::readValue(char* text) {
    double v;
    if (scanDouble(text, &v)) *target = v;
}

void ConfigFileParm_double::writeValue(FILE* f) {
    fprintf(f, format, *target);
}

void ConfigFileParm_bool::readValue(char* text) {
    long v;
    if (scanInteger(text, &v)) *target = v != 0;
}

void ConfigFileParm_bool::writeValue(FILE* f) {
    fprintf(f, "%d", *target ? 1 : 0);
}

ConfigFileParm_string::ConfigFileParm_string(const char* name, unsigned char* target,
                                             const unsigned char* defaultValue, size_t size)
    : ConfigFileParm(name), target(target), defaultValue(defaultValue), size(size) {}

// A value read from a line is never longer than the line.
ConfigFileParm_string::ConfigFileParm_string(const char* name, unsigned char* target,
                                             const unsigned char* defaultValue)
    : ConfigFileParm_string(name, target, defaultValue, ConfigFileLineSize) {}

// The text after the opening quote up to the closing one; without a closing quote, up to
// the end of the line (its line feed included). "" is the empty text.
void ConfigFileParm_string::readValue(char* text) {
    const char* p = skipBlanks(text);
    if (*p != '"' || p[1] == 0 || size == 0) return;
    ++p;
    size_t n = strcspn(p, "\"");
    if (n > size - 1) n = size - 1;
    memcpy(target, p, n);
    target[n] = 0;
}

void ConfigFileParm_string::writeValue(FILE* f) {
    fprintf(f, "\"%s\"", reinterpret_cast<const char*>(target));
}

void ConfigFileParm_string::setParmToDefaultValue() {
    if (size == 0) return;
    const char* d = defaultValue != nullptr ? reinterpret_cast<const char*>(defaultValue) : "";
    size_t n = strnlen(d, size - 1);
    memcpy(target, d, n);
    target[n] = 0;
}

void ConfigFileParm_char::readValue(char* text) {
    char c;
    if (scanQuotedChar(text, &c)) *target = c;
}

void ConfigFileParm_char::writeValue(FILE* f) {
    fprintf(f, "'%c'", *target);
}

void ConfigFileParm_charData::readValue(char* text) {
    char c;
    if (scanQuotedChar(text, &c)) data->setValue(static_cast<unsigned char>(c), true, false);
}

void ConfigFileParm_charData::writeValue(FILE* f) {
    fprintf(f, "'%c'", valueAsByte(data->getValue()));
}

void ConfigFileParm_charData::setParmToDefaultValue() {
    data->setValue(static_cast<unsigned char>(defaultValue), true, false);
}
