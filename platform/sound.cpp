// Buzzer: key clicks, the eight stored sounds, volume and the user-defined sound.
#include "platform/io_services.h"

unsigned char activeRepeatingSound = NoRepeatingSound;

namespace {
constexpr uint32_t SoundKeyClick = 0xAE010000u;
constexpr uint32_t SoundStop = 0xAE010100u;
constexpr uint32_t SoundStopEnd = 0xAE000000u;
constexpr uint32_t SoundPlayOnce = 0xAE010200u;
constexpr uint32_t SoundPlayRepeating = 0xAE010500u;
constexpr uint32_t UserSoundDuration = 0xAE100000u;
constexpr uint32_t UserSoundData = 0xAE110000u; // 0xAE11 to 0xAE14: two bytes each
constexpr int UserSoundBytes = 8;
} // namespace

void playSound(unsigned char n, bool repeat) {
    if (repeat && activeRepeatingSound == n) return;
    sendMSPcmd((repeat ? SoundPlayRepeating : SoundPlayOnce) | (n & 7));
    if (repeat) activeRepeatingSound = n;
}

void killSound() {
    if (activeRepeatingSound == NoRepeatingSound) return;
    sendMSPcmd(SoundStop);
    sendMSPcmd(SoundStopEnd);
    activeRepeatingSound = NoRepeatingSound;
}

void keyClick() {
    sendMSPcmd(SoundKeyClick);
}

void setBuzzerVolume(unsigned char volume) {
    setMSPcmdField(1, MFT_BuzzerVolume, volume & 15);
}

unsigned char getBuzzerVolume() {
    return static_cast<unsigned char>(getMSPcmdField(MFT_BuzzerVolume));
}

void setAutoKeyClick(bool on) {
    setMSPcmdField(1, MFT_KeyClickDisabled, on ? 0 : 1);
}

bool getAutoKeyClick() {
    return getMSPcmdField(MFT_KeyClickDisabled) == 0;
}

void defineUserSound(const unsigned char* data, uint32_t durationMs) {
    unsigned char bytes[UserSoundBytes] = {};
    if (data == nullptr) {
        for (int i = 0; i < 6; ++i)
            bytes[i] = 0xFA;
        durationMs = 0;
    } else {
        for (int i = 0; i < UserSoundBytes; ++i)
            bytes[i] = data[i];
    }
    sendMSPcmd(UserSoundDuration | ((durationMs / 10) & 0xFFFF));
    for (uint32_t i = 0; i < UserSoundBytes / 2; ++i)
        sendMSPcmd((UserSoundData + (i << 16)) | static_cast<uint32_t>(bytes[2 * i]) << 8 |
                   bytes[2 * i + 1]);
}
