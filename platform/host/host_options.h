// Options of the host build (--can, --display, --keys, --usb, ...), taken out of argv before
// the framework parses its own.
#pragma once

struct HostOptions {
    static constexpr int MaxModuleOptions = 16;
    static constexpr int MaxScale = 8;

    const char* can = "sim";
    const char* canLog = nullptr;
    const char* display = "none";
    const char* scale = "3"; // the window's size in screen sizes
    const char* keys = nullptr;
    const char* usb = nullptr;
    const char* usbDevice = nullptr; // a real stick mounted on the usb directory
    const char* language = nullptr;
    const char* state = nullptr;                // null: the per-user default
    const char* modules[MaxModuleOptions] = {}; // --module, in order
    int moduleCount = 0;
    const char* modulesFile = nullptr;
    bool virtualTime = false;
    bool realtime = false;
};
extern HostOptions hostOptions;

// Removes the host options from argv (shortening *argc). Returns -1 when the program is to
// go on, otherwise the exit status to end with (after --help, or 2 after an error, which
// has then been printed as one line).
int hostTakeOptions(int* argc, char** argv);
void hostPrintHelp(const char* program);
// The --scale option as a number; 0 when it is not one from 1 to MaxScale.
int hostWindowScale();
