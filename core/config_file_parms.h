// The typed parameters of a configuration file section: numbers, flags, strings and
// characters, held in program variables or in data objects. Each reads the text after its
// "=" and writes its value in the same form.
#pragma once

#include <cstddef>

#include "core/config_file_section.h"

class GenericData;

// A number kept in a data object, written with a printf format such as "%g".
class ConfigFileParm_Data : public ConfigFileParm {
public:
    ConfigFileParm_Data(const char* name, GenericData* data, const char* printFormat,
                        double defaultValue)
        : ConfigFileParm(name), data(data), format(printFormat), defaultValue(defaultValue) {}
    void readValue(char* text) override;
    void writeValue(FILE* f) override;
    void setParmToDefaultValue() override;

    GenericData* data;
    const char* format;
    double defaultValue;
};

class ConfigFileParm_double : public ConfigFileParm {
public:
    ConfigFileParm_double(const char* name, double* target, const char* printFormat,
                          double defaultValue)
        : ConfigFileParm(name), target(target), format(printFormat), defaultValue(defaultValue) {}
    void readValue(char* text) override;
    void writeValue(FILE* f) override;
    void setParmToDefaultValue() override { *target = defaultValue; }

    double* target;
    const char* format;
    double defaultValue;
};

// Written as 1 or 0; any non-zero integer reads as true.
class ConfigFileParm_bool : public ConfigFileParm {
public:
    ConfigFileParm_bool(const char* name, bool* target, bool defaultValue)
        : ConfigFileParm(name), target(target), defaultValue(defaultValue) {}
    void readValue(char* text) override;
    void writeValue(FILE* f) override;
    void setParmToDefaultValue() override { *target = defaultValue; }

    bool* target;
    bool defaultValue;
};

// Text between double quotes. The value never holds more than size - 1 bytes and is always
// terminated; without a size the target must hold a whole line (ConfigFileLineSize bytes).
class ConfigFileParm_string : public ConfigFileParm {
public:
    ConfigFileParm_string(const char* name, unsigned char* target,
                          const unsigned char* defaultValue, size_t size);
    ConfigFileParm_string(const char* name, unsigned char* target,
                          const unsigned char* defaultValue);
    void readValue(char* text) override;
    void writeValue(FILE* f) override;
    void setParmToDefaultValue() override;

    unsigned char* target;
    const unsigned char* defaultValue;
    size_t size;
};

// One character between single quotes.
class ConfigFileParm_char : public ConfigFileParm {
public:
    ConfigFileParm_char(const char* name, char* target, char defaultValue)
        : ConfigFileParm(name), target(target), defaultValue(defaultValue) {}
    void readValue(char* text) override;
    void writeValue(FILE* f) override;
    void setParmToDefaultValue() override { *target = defaultValue; }

    char* target;
    char defaultValue;
};

// One character between single quotes, kept as its code (0 to 255) in a data object.
class ConfigFileParm_charData : public ConfigFileParm {
public:
    ConfigFileParm_charData(const char* name, GenericData* data, char defaultValue)
        : ConfigFileParm(name), data(data), defaultValue(defaultValue) {}
    void readValue(char* text) override;
    void writeValue(FILE* f) override;
    void setParmToDefaultValue() override;

    GenericData* data;
    char defaultValue;
};
