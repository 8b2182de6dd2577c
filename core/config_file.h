// A settings file of the framework's own text format: a header line with a signature and a
// format version, then named sections of "<name> = value" lines. Reading sets every
// parameter to its default first, then takes what the file provides; writing replaces the
// whole file through a temporary copy, so that a power loss never leaves it half written.
#pragma once

#include <cstdio>

#include "core/config_file_section.h"

struct ConfigFile {
    const char* path;
    const char* signature;
    int lowestVersion;
    int highestVersion;
    int version;                  // written to the file; set from the file when read
    ConfigFileSection** sections; // null-terminated
    char line[ConfigFileLineSize] = {};
    FILE* file = nullptr; // open only inside readCfg and writeCfg
    bool changed = false;

    // False (with every parameter at its default) when the file is missing or foreign, or
    // its version lies outside the accepted range.
    bool readCfg();
    // Does nothing when onlyIfChanged is set and nothing was touched since the last read or
    // write. A write that fails leaves the old file and the changed flag as they were.
    void writeCfg(bool onlyIfChanged);
    // The next line, without the rest of a line longer than the buffer; null at the end.
    char* readLine();
    void touch() { changed = true; }
};
