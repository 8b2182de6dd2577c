// The emulated I/O co-processor of the host: it answers the link's words as the display's
// co-processor does. Read requests are answered with the entry's word; writes are stored;
// the keypad, dial, readings and inputs come from the host (key script, window, tests);
// sounds go to a sink (the window plays them, headless they are logged); NVRAM, data
// flash, the clock's offset and the serial number can be kept in a state directory.
#pragma once

#include <cstdint>
#include <string>

struct CoprocessorSound {
    enum Kind { Click, Play, PlayRepeating, Stop, UserSoundDefined } kind;
    unsigned char sound;  // 0-7 for Play and PlayRepeating
    unsigned char volume; // 0-15
    uint32_t durationMs;  // UserSoundDefined
};

class CoprocessorSoundSink {
public:
    virtual void onSound(const CoprocessorSound& s) = 0;
    virtual ~CoprocessorSoundSink() = default;
};

// What the co-processor measures; tests and the window may change it at any time.
struct CoprocessorReadings {
    uint32_t battery_mV = 13800;  // at the terminal, behind the 23.1:1 divider
    uint32_t ignition_mV = 13600; // likewise
    long temperature = 250;       // tenths of a degree Celsius
    uint32_t supply_mV = 3000;    // the co-processor reports half of it
    uint16_t analogCounts[4] = {1024, 2048, 512, 3000};
    unsigned char analogRange[4] = {0, 0, 1, 2}; // range codes 0-3
    uint32_t channelReading[4] = {};             // raw 28-bit readings of I/O channels 0-3
};

class EmulatedCoprocessor {
public:
    static constexpr int NVRAMwords = 64;
    static constexpr int DataFlashWords = 128;
    static constexpr int SerialBytes = 16;
    // Auto-repeat: first repeat after a key was held this long, then at this period.
    static constexpr uint32_t RepeatDelayMs = 500;
    static constexpr uint32_t RepeatPeriodMs = 100;

    EmulatedCoprocessor();

    // The channel, as the display's processor sees it.
    uint32_t status() const;
    uint32_t read();
    void write(uint32_t word);

    // Keys (bits as in the keypad packet), dial and digital inputs. A key pressed and
    // released between two polls is still seen pressed once.
    void pressKeys(uint32_t bits);
    void releaseKeys(uint32_t bits);
    void setKeys(uint32_t mask);
    uint32_t keys() const { return keyState; }
    void turnDial(int steps);
    void setDigitalInputs(uint32_t bits);
    uint32_t digitalInputs() const { return inputs; }
    CoprocessorReadings readings;

    // A co-processor that takes no words, or takes them and never answers.
    bool takingWords = true;
    bool answering = true;

    void setSoundSink(CoprocessorSoundSink* sink) { soundSink = sink; }

    // What the display has set.
    uint32_t backlightWord() const { return backlight; } // enable bits 25-27, level, contrast
    uint32_t backlightLevel() const { return (backlight >> 12) & 0xFFF; }
    uint32_t contrast() const { return backlight & 0xFFF; }
    bool backlightOn() const { return (backlight >> 27) & 1; }
    unsigned char volume() const { return soundSettings & 0xF; }
    bool keyClickEnabled() const { return !(soundSettings & 0x100); }
    uint32_t autoRepeatMask() const { return repeatMask; }
    uint32_t outputs() const { return outputBits; }
    uint32_t channelConfig(int ch) const { return config[ch & 3]; }
    uint32_t storedWord(uint8_t code) const { return generic[code]; }
    // The words taken from the display, the last WordLogSize of them kept.
    static constexpr unsigned WordLogSize = 64;
    unsigned wordsTaken() const { return taken; }
    // Word i (counted from 0 since the start); 0 when it is no longer kept.
    uint32_t takenWord(unsigned i) const;
    unsigned keyClicks = 0;
    unsigned soundsStarted = 0;
    unsigned soundsKilled = 0;
    unsigned nvramSaves = 0;

    // Non-volatile state. Loading ignores missing or malformed files (with a message for a
    // malformed one); saving happens whenever the display changes something.
    void openState(const std::string& dir);
    const std::string& stateDir() const { return dir; }
    uint16_t nvram[NVRAMwords];
    uint16_t dataFlash[DataFlashWords];
    unsigned char serial[SerialBytes];
    int64_t rtcOffset = 0; // seconds added to the host's clock
    uint32_t rtcNow() const;

private:
    static constexpr int OutCapacity = 64;
    uint32_t out[OutCapacity];
    uint32_t wordLog[WordLogSize];
    unsigned taken = 0;
    int outHead = 0, outCount = 0;

    uint32_t keyState = 0, latched = 0, inputs = 0;
    uint8_t dial = 0;
    uint32_t repeatDueMs = 0;
    bool repeatReleased = false;

    uint32_t backlight = 0x08FFF9CDu; // on, full level, contrast 2509
    uint32_t soundSettings = 0x0108;  // clicks off, volume 8
    uint32_t repeatMask = 0, outputBits = 0;
    uint32_t config[4] = {};
    uint32_t generic[256];
    uint32_t rtcLatched = 0, rtcHighStaged = 0;
    unsigned char nvramAddress = 0, flashAddress = 0, serialIndex = 0;
    uint16_t nvramStaged = 0;
    bool nvramStagedValid = false;
    unsigned char nvramStagedAddress = 0;
    uint16_t userSound[5] = {};
    CoprocessorSoundSink* soundSink = nullptr;
    std::string dir;

    void answer(uint32_t word);
    void answerRead(uint8_t code);
    uint32_t keypadPacket();
    void sound(CoprocessorSound::Kind kind, unsigned char n = 0, uint32_t durationMs = 0);
    void soundWord(uint32_t w);
    void nvramWord(uint32_t w);
    void dataFlashWord(uint32_t w);
    void serialWord(uint32_t w);
    void configWord(int ch, uint32_t w);
    void edge(int ch, bool level);
    void saveWords(const char* name, const uint16_t* words, int count);
    void saveSerial();
    void saveRtc();
};

// Counts for a reading in millivolts on the 2500 mV range.
uint32_t coprocessorCounts(uint32_t mV);
