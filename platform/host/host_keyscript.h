// Scripted input for the host: one command a line (key names as EventNameString prints
// them, "wait MS", "quit", and commands added by other host modules), from a file or from
// standard input. Keys go in as injected key presses once the application takes keys.
#pragma once

#include <cstdint>

// A command of the script besides keys, "wait" and "quit". check returns null when the
// argument is acceptable, else a short reason; run executes it.
struct KeyScriptCommand {
    const char* name;
    const char* (*check)(const char* arg);
    void (*run)(const char* arg);
};
bool hostKeyScriptAddCommand(const KeyScriptCommand& cmd);

// Loads a script file ("-" for standard input). On an error prints one line naming the
// file and line and returns false.
bool hostKeyScriptOpen(const char* path);
void hostKeyScriptClose();
// True once every command of a file script has run (never for standard input).
bool hostKeyScriptFinished();
