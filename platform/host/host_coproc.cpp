// The channel's three operations on the emulated co-processor, the waits' passing of time,
// the state directory, the headless sound log and the key script's key commands.
#include "platform/host/host_coproc.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "core/keypad.h"
#include "platform/host/host_clock.h"
#include "platform/host/host_keyscript.h"
#include "platform/msp_link.h"

namespace {
EmulatedCoprocessor coprocessor;

class SoundLog : public CoprocessorSoundSink {
public:
    void onSound(const CoprocessorSound& s) override {
        switch (s.kind) {
        case CoprocessorSound::Click:
            printf("sound: click (volume %u)\n", s.volume);
            break;
        case CoprocessorSound::Play:
            printf("sound: play %u (volume %u)\n", s.sound, s.volume);
            break;
        case CoprocessorSound::PlayRepeating:
            printf("sound: play %u repeating (volume %u)\n", s.sound, s.volume);
            break;
        case CoprocessorSound::Stop:
            printf("sound: stop\n");
            break;
        case CoprocessorSound::UserSoundDefined:
            printf("sound: user sound defined (%lu ms)\n",
                   static_cast<unsigned long>(s.durationMs));
            break;
        }
    }
} soundLog;

const char* checkKey(const char* arg) {
    UserEvent e;
    if (!eventFromName(arg, &e)) return "needs a key name";
    uint32_t bit = mapToScanCode(e);
    if (bit == 0 || bit > 0xFFFF) return "no key on the keypad gives this event";
    return nullptr;
}

uint32_t keyBit(const char* arg) {
    UserEvent e;
    eventFromName(arg, &e);
    return mapToScanCode(e);
}

void runPress(const char* arg) {
    coprocessor.pressKeys(keyBit(arg));
}

void runRelease(const char* arg) {
    coprocessor.releaseKeys(keyBit(arg));
}
} // namespace

EmulatedCoprocessor& hostCoprocessor() {
    return coprocessor;
}

uint32_t getDbgCommStatus() {
    DbgCommBuffer = coprocessor.status();
    return DbgCommBuffer;
}

uint32_t getDbgCommData() {
    DbgCommBuffer = coprocessor.read();
    return DbgCommBuffer;
}

void putDbgCommData(uint32_t word) {
    coprocessor.write(word);
}

// The emulated co-processor answers at once, so when the link has nothing to do only
// time can change that: the virtual clock jumps, the real one is slept through.
void platformWaitForLink(uint32_t halfMs) {
    uint64_t ns = static_cast<uint64_t>(halfMs) * 500000;
    if (hostClockIsVirtual()) {
        hostClockAdvanceNs(ns);
        return;
    }
    timespec ts{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
    nanosleep(&ts, nullptr);
}

std::string hostDefaultStateDir() {
    const char* xdg = getenv("XDG_STATE_HOME");
    if (xdg != nullptr && xdg[0] == '/') return std::string(xdg) + "/flashloader";
    const char* home = getenv("HOME");
    if (home != nullptr && home[0] != '\0') return std::string(home) + "/.local/state/flashloader";
    return "";
}

void hostCoprocessorStart(const char* stateDir, bool logSounds) {
    coprocessor.openState(stateDir != nullptr ? std::string(stateDir) : hostDefaultStateDir());
    coprocessor.setSoundSink(logSounds ? &soundLog : nullptr);
}

void hostRegisterKeypadCommands() {
    static bool registered = false;
    if (registered) return;
    registered = hostKeyScriptAddCommand({"press", checkKey, runPress}) &&
                 hostKeyScriptAddCommand({"release", checkKey, runRelease});
}
