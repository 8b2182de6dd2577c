// A configuration file with a parameter of every kind, in two sections, for the tests of
// reading, writing, crash safety and garbage input.
#pragma once

#include <fstream>
#include <sstream>
#include <string>

#include "core/config_file.h"
#include "core/config_file_parms.h"
#include "data/data.h"

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// A file with a value of every parameter, as writing gives it.
inline const char* const Written = "CFG 3\n"
                                   "\n[DISPLAY]\n<inverted> = 0\n<gain> = 2.250\n<mode> = 'q'\n"
                                   "<title> = \"Hello\"\n"
                                   "\n[SOUND]\n<volume> = 3\n<letter> = 'z'\n";

inline const unsigned char* xtd(const char* s) {
    return reinterpret_cast<const unsigned char*>(s);
}

struct TestSettings {
    static constexpr size_t TitleSize = 16;

    explicit TestSettings(const std::string& p) : path(p) {}
    TestSettings(const TestSettings&) = delete;
    TestSettings& operator=(const TestSettings&) = delete;
    ~TestSettings() { delete[] title; }

    std::string title_() const { return reinterpret_cast<const char*>(title); }

    std::string path;
    bool inverted = false;
    double gain = 0;
    char mode = 0;
    // On the heap at its exact size, so that an overrun meets the address sanitizer.
    unsigned char* title = new unsigned char[TitleSize];
    Data volume;
    Data letter;
    ConfigFileParm_bool pInverted{"inverted", &inverted, true};
    ConfigFileParm_double pGain{"gain", &gain, "%.3f", 1.5};
    ConfigFileParm_char pMode{"mode", &mode, 'A'};
    // The default is longer than the target holds.
    ConfigFileParm_string pTitle{"title", title, xtd("Flash programmer"), TitleSize};
    ConfigFileParm_Data pVolume{"volume", &volume, "%g", 8};
    ConfigFileParm_charData pLetter{"letter", &letter, 'x'};
    ConfigFileParm* displayParms[5] = {&pInverted, &pGain, &pMode, &pTitle, nullptr};
    ConfigFileParm* soundParms[3] = {&pVolume, &pLetter, nullptr};
    ConfigFileParmSection display{"DISPLAY", displayParms};
    ConfigFileParmSection sound{"SOUND", soundParms};
    ConfigFileSection* sections[3] = {&display, &sound, nullptr};
    ConfigFile cfg{path.c_str(), "CFG", 2, 3, 3, sections};
};
