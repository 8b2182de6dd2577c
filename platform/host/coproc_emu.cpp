// The emulated co-processor's answers to the link's words.
#include "platform/host/coproc_emu.h"

#include <cstring>
#include <ctime>

#include "platform/timer.h"

namespace {
constexpr uint32_t ReadRequest = 0xA3;
constexpr uint8_t EdgeReport = 0x88;
constexpr uint8_t VersionBytes[3] = {2, 5, 1};
constexpr uint8_t VersionParts[4] = {1, 4, 2, 9};
constexpr uint16_t BuzzerFrequencyHz = 2700;
constexpr uint16_t NVRAMsaveKey = 0x5AFE;
constexpr uint16_t DataFlashEraseKey = 0xEA5E;
constexpr unsigned char DefaultSerial[16] = {0,    0,    4,    2,    1,    9,    3,    9,
                                             0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

uint32_t nowMs() {
    return getHighResTime() >> 1;
}

// Seconds of the host's clock, counted on the platform clock from when the emulator first
// looked, so that the co-processor's clock runs on the same (possibly virtual) time as
// everything else. 64-bit, as time_t and long are 32 bits on the display.
int64_t hostSeconds() {
    static const int64_t wall = static_cast<int64_t>(time(nullptr));
    static const uint32_t ms = nowMs();
    return wall + (nowMs() - ms) / 1000;
}
} // namespace

uint32_t coprocessorCounts(uint32_t mV) {
    uint32_t c = (mV * 4096 + 1250) / 2500;
    return c > 4095 ? 4095 : c;
}

EmulatedCoprocessor::EmulatedCoprocessor() {
    for (int i = 0; i < 256; ++i)
        generic[i] = static_cast<uint32_t>(i) << 24;
    for (uint16_t& w : nvram)
        w = 0xFFFF;
    for (uint16_t& w : dataFlash)
        w = 0xFFFF;
    memcpy(serial, DefaultSerial, sizeof serial);
}

uint32_t EmulatedCoprocessor::status() const {
    return (outCount > 0 ? 1u : 0u) | (takingWords ? 0u : 2u);
}

uint32_t EmulatedCoprocessor::read() {
    if (outCount == 0) return 0;
    uint32_t w = out[outHead];
    outHead = (outHead + 1) % OutCapacity;
    --outCount;
    return w;
}

void EmulatedCoprocessor::answer(uint32_t word) {
    if (!answering || outCount == OutCapacity) return;
    out[(outHead + outCount++) % OutCapacity] = word;
}

uint32_t EmulatedCoprocessor::rtcNow() const {
    return static_cast<uint32_t>(hostSeconds() + rtcOffset);
}

void EmulatedCoprocessor::pressKeys(uint32_t bits) {
    bits &= 0xFFFF;
    uint32_t fresh = bits & ~keyState;
    if (fresh == 0) return;
    keyState |= fresh;
    latched |= fresh;
    repeatDueMs = nowMs() + RepeatDelayMs;
    repeatReleased = false;
    if (keyClickEnabled()) sound(CoprocessorSound::Click);
}

void EmulatedCoprocessor::releaseKeys(uint32_t bits) {
    keyState &= ~bits;
}

void EmulatedCoprocessor::setKeys(uint32_t mask) {
    releaseKeys(~mask);
    pressKeys(mask);
}

void EmulatedCoprocessor::turnDial(int steps) {
    dial = static_cast<uint8_t>(dial + steps);
}

void EmulatedCoprocessor::setDigitalInputs(uint32_t bits) {
    bits &= 0xF;
    uint32_t changed = bits ^ inputs;
    inputs = bits;
    for (int ch = 0; ch < 4; ++ch)
        if (changed >> ch & 1) edge(ch, bits >> ch & 1);
}

// An edge catcher (configuration bit 16) reports the edges its bits 0 (rising) and 7
// (falling) select, with a millisecond time stamp.
void EmulatedCoprocessor::edge(int ch, bool level) {
    uint32_t c = config[ch];
    if (!(c & 0x10000u) || !(c & (level ? 0x01u : 0x80u))) return;
    uint32_t code = EdgeReport | static_cast<uint32_t>(ch) << 1 | (level ? 1u : 0u);
    answer(code << 24 | (nowMs() & 0xFFFFFF));
}

// Keys held in the auto-repeat mask are reported released in one packet and pressed again
// in the next, every repeat period, so the display sees a new press each time.
uint32_t EmulatedCoprocessor::keypadPacket() {
    uint32_t shown = keyState | latched;
    latched = 0;
    uint32_t repeating = keyState & repeatMask;
    if (repeating != 0) {
        uint32_t now = nowMs();
        if (repeatReleased) {
            repeatReleased = false;
            if (keyClickEnabled()) sound(CoprocessorSound::Click);
        } else if (static_cast<int32_t>(now - repeatDueMs) >= 0) {
            shown &= ~repeating;
            repeatReleased = true;
            repeatDueMs += RepeatPeriodMs;
            if (static_cast<int32_t>(now - repeatDueMs) >= 0) repeatDueMs = now + RepeatPeriodMs;
        }
    }
    return 0x40000000u | inputs << 24 | static_cast<uint32_t>(dial) << 16 | (shown & 0xFFFF);
}

void EmulatedCoprocessor::answerRead(uint8_t code) {
    uint32_t c = static_cast<uint32_t>(code) << 24;
    switch (code) {
    case 0x00:
    case 0x10:
    case 0x20:
    case 0x30:
        answer(c | (readings.channelReading[code >> 4] & 0x0FFFFFFFu));
        return;
    case 0x40:
        answer(keypadPacket());
        return;
    case 0x50:
    case 0x60: {
        int even = (code >> 4) == 5 ? 0 : 2;
        answer(c | (readings.analogRange[even] & 3u) << 26 |
               (readings.analogRange[even + 1] & 3u) << 24 |
               (readings.analogCounts[even] & 0xFFFu) << 12 |
               (readings.analogCounts[even + 1] & 0xFFFu));
        return;
    }
    case 0x70:
        answer(c | (backlight & 0x0FFFFFFFu));
        return;
    case 0xA1:
        answer(c | VersionBytes[0] << 16 | VersionBytes[1] << 8 | VersionBytes[2]);
        return;
    case 0xA4:
    case 0xA5:
    case 0xA6:
    case 0xA7:
        answer(c | (config[code - 0xA4] & 0xFFFFFF));
        return;
    case 0xAC:
        rtcLatched = rtcNow();
        answer(c | rtcLatched >> 16);
        return;
    case 0xAD:
        answer(c | (rtcLatched & 0xFFFF));
        return;
    case 0xAE:
        answer(c | 0xFF0000u | soundSettings);
        return;
    case 0xAF:
        answer(c | static_cast<uint32_t>(flashAddress) << 16 | dataFlash[flashAddress]);
        flashAddress = (flashAddress + 1) % DataFlashWords;
        return;
    case 0xB1:
        answer(c | VersionParts[0] << 18 | VersionParts[1] << 12 | VersionParts[2] << 6 |
               VersionParts[3]);
        return;
    case 0xB4:
        answer(c | repeatMask);
        return;
    case 0xBF:
        answer(c | static_cast<uint32_t>(nvramAddress) << 16 | nvram[nvramAddress]);
        nvramAddress = (nvramAddress + 1) % NVRAMwords;
        return;
    case 0xC0: {
        uint32_t battery = readings.battery_mV * 10 / 231;
        uint32_t temp = readings.temperature + 500 > 0 ? readings.temperature + 500 : 0;
        answer(c | coprocessorCounts(battery) << 12 | coprocessorCounts(temp));
        return;
    }
    case 0xCF: {
        uint32_t i = serialIndex;
        answer(c | i << 16 | static_cast<uint32_t>(serial[2 * i]) << 8 | serial[2 * i + 1]);
        serialIndex = (serialIndex + 1) % (SerialBytes / 2);
        return;
    }
    case 0xD0:
        answer(c | coprocessorCounts(readings.supply_mV / 2) << 12 |
               coprocessorCounts(readings.ignition_mV * 10 / 231));
        return;
    default:
        // Codes of no entry the co-processor has stay unanswered.
        if (code >= 0xA0 && code <= 0xBF) answer(generic[code]);
        return;
    }
}

uint32_t EmulatedCoprocessor::takenWord(unsigned i) const {
    if (i >= taken || taken - i > WordLogSize) return 0;
    return wordLog[i % WordLogSize];
}

void EmulatedCoprocessor::write(uint32_t w) {
    if (!takingWords) return;
    wordLog[taken++ % WordLogSize] = w;
    // Below 0x80 the code is the top four bits; the next four already carry data.
    uint8_t code = static_cast<uint8_t>(w >> 24);
    if (code < 0x80) code &= 0xF0;
    switch (code) {
    case ReadRequest:
        if ((w & 0xF000FF) == 0xF000FF) {
            outputBits = (w >> 16) & 0xF;
        } else if ((w & 0xFFFF00) == 0) {
            answerRead(static_cast<uint8_t>(w));
        } else {
            generic[code] = w;
        }
        return;
    case 0x70:
        backlight = w & 0x0FFFFFFFu;
        return;
    case 0xA4:
    case 0xA5:
    case 0xA6:
    case 0xA7:
        configWord(code - 0xA4, w & 0xFFFFFF);
        return;
    case 0xAC:
        rtcHighStaged = w & 0xFFFF;
        return;
    case 0xAD: {
        uint32_t wanted = rtcHighStaged << 16 | (w & 0xFFFF);
        rtcOffset = static_cast<int64_t>(wanted) - hostSeconds();
        saveRtc();
        return;
    }
    case 0xAE:
        soundWord(w);
        return;
    case 0xAF:
        dataFlashWord(w);
        return;
    case 0xB4:
        repeatMask = w & 0xFFFFFF;
        return;
    case 0xBF:
        nvramWord(w);
        return;
    case 0xCF:
        serialWord(w);
        return;
    default:
        if (code >= 0xA0) generic[code] = w;
        return;
    }
}

void EmulatedCoprocessor::configWord(int ch, uint32_t w) {
    config[ch] = w;
}

void EmulatedCoprocessor::sound(CoprocessorSound::Kind kind, unsigned char n, uint32_t durationMs) {
    if (kind == CoprocessorSound::Click) ++keyClicks;
    if (kind == CoprocessorSound::Play || kind == CoprocessorSound::PlayRepeating) ++soundsStarted;
    if (kind == CoprocessorSound::Stop) ++soundsKilled;
    if (soundSink != nullptr) soundSink->onSound({kind, n, volume(), durationMs});
}

void EmulatedCoprocessor::soundWord(uint32_t w) {
    uint32_t group = (w >> 16) & 0xFF;
    if (group == 0xFF) {
        soundSettings = w & 0x10F;
        return;
    }
    if (group == 0xFE) {
        answer(0xAEFE0000u | BuzzerFrequencyHz);
        return;
    }
    if (group == 0x01) {
        unsigned char n = w & 7;
        switch ((w >> 8) & 0xFF) {
        case 0x00:
            sound(CoprocessorSound::Click);
            break;
        case 0x01:
            sound(CoprocessorSound::Stop);
            break;
        case 0x02:
            sound(CoprocessorSound::Play, n);
            break;
        case 0x05:
            sound(CoprocessorSound::PlayRepeating, n);
            break;
        default:
            break;
        }
        return;
    }
    if (group >= 0x10 && group <= 0x14) {
        userSound[group - 0x10] = static_cast<uint16_t>(w);
        if (group == 0x14) sound(CoprocessorSound::UserSoundDefined, 0, userSound[0] * 10u);
    }
}

// Mode 0 selects the read address (with the key 0x5AFE it also saves), 1 holds the high
// half of a long, 2 writes a word (and the held half just below it).
void EmulatedCoprocessor::nvramWord(uint32_t w) {
    unsigned mode = (w >> 22) & 3;
    unsigned char address = (w >> 16) & 0x3F;
    uint16_t value = static_cast<uint16_t>(w);
    if (mode == 0) {
        nvramAddress = address;
        if (value == NVRAMsaveKey) ++nvramSaves;
        return;
    }
    if (mode == 1) {
        nvramStaged = value;
        nvramStagedAddress = address;
        nvramStagedValid = true;
        return;
    }
    if (mode != 2) return;
    nvram[address] = value;
    if (nvramStagedValid && static_cast<unsigned char>(nvramStagedAddress + 1) == address)
        nvram[nvramStagedAddress] = nvramStaged;
    nvramStagedValid = false;
    saveWords("nvram", nvram, NVRAMwords);
}

// Bit 23 writes a word (flash: bits can only be cleared), otherwise the word seeks, or
// with the key 0xEA5E erases the sector of its address (sector 4: 0-63, 6: 64-127).
void EmulatedCoprocessor::dataFlashWord(uint32_t w) {
    unsigned char address = (w >> 16) & 127;
    uint16_t value = static_cast<uint16_t>(w);
    if (w & 0x800000u) {
        dataFlash[address] &= value;
    } else if (value == DataFlashEraseKey) {
        int first = address & 64;
        for (int i = first; i < first + 64; ++i)
            dataFlash[i] = 0xFFFF;
    } else {
        flashAddress = address;
        return;
    }
    saveWords("dataflash", dataFlash, DataFlashWords);
}

// Mode 2 writes byte pair (bits 16-18); 0 and 1 (with a bank) start reading at pair 0.
void EmulatedCoprocessor::serialWord(uint32_t w) {
    unsigned mode = (w >> 22) & 3;
    if (mode == 2) {
        unsigned i = (w >> 16) & 7;
        serial[2 * i] = static_cast<unsigned char>(w >> 8);
        serial[2 * i + 1] = static_cast<unsigned char>(w);
        saveSerial();
    } else {
        serialIndex = 0;
    }
}
