// The host's debug communications channel with the emulated I/O co-processor behind it,
// and what the host adds around it: the state directory, the sound log of a headless run
// and the key script's "press KEY" / "release KEY". A window sets keys and plays sounds
// through hostCoprocessor().
#pragma once

#include <string>

#include "platform/host/coproc_emu.h"

EmulatedCoprocessor& hostCoprocessor();
// $XDG_STATE_HOME/flashloader, else ~/.local/state/flashloader; empty when neither is known.
std::string hostDefaultStateDir();
// Opens the state directory (null: the default) and, when logSounds, logs the buzzer's
// sounds on standard output.
void hostCoprocessorStart(const char* stateDir, bool logSounds);
// Adds "press KEY" and "release KEY" to the key script (once).
void hostRegisterKeypadCommands();
