// The parts of a configuration file: a named section, and the section kind that holds a
// null-terminated list of typed parameters, each bound to a program variable or data.
#pragma once

#include <cstddef>
#include <cstdio>

struct ConfigFile;

// The longest line read is one byte shorter (the terminating zero).
constexpr size_t ConfigFileLineSize = 256;

class ConfigFileSection {
public:
    explicit ConfigFileSection(const char* sectionName) : name(sectionName) {}
    ConfigFileSection(const ConfigFileSection&) = delete;
    ConfigFileSection& operator=(const ConfigFileSection&) = delete;

    // Consumes the section's lines; returns the first line it did not consume (the next
    // section header), or null at the end of the file.
    virtual char* readSection(ConfigFile* cfg) = 0;
    virtual void writeSection(ConfigFile* cfg) = 0;
    virtual void initSection(ConfigFile*) {}

    const char* name;

protected:
    ~ConfigFileSection() = default;
};

class ConfigFileParm {
public:
    explicit ConfigFileParm(const char* parmName) : name(parmName) {}
    ConfigFileParm(const ConfigFileParm&) = delete;
    ConfigFileParm& operator=(const ConfigFileParm&) = delete;

    // text: what follows the "=" of the parameter's line. A value that does not scan leaves
    // the parameter as it was.
    virtual void readValue(char* text) = 0;
    virtual void writeValue(FILE* f) = 0;
    virtual void setParmToDefaultValue() {}

    const char* name;

protected:
    ~ConfigFileParm() = default;
};

class ConfigFileParmSection : public ConfigFileSection {
public:
    ConfigFileParmSection(const char* sectionName, ConfigFileParm** parameters)
        : ConfigFileSection(sectionName), parms(parameters) {}

    char* readSection(ConfigFile* cfg) override;
    void writeSection(ConfigFile* cfg) override;
    void initSection(ConfigFile* cfg) override;

    ConfigFileParm** parms; // null-terminated
};
