// Backlight with over-temperature derating and LCD contrast compensated for temperature.
#include "platform/io_services.h"

bool TurnDownBacklightWhenVoltageLow = false;
long ContrastCalibrationOffset = 0;

namespace {
constexpr uint32_t KeepLevel = 65535;
constexpr uint32_t MaxLevel = 4095;
// At and above 90.1 degrees the backlight goes off; above 80.0 it is capped.
constexpr long BacklightOffTemperature = 901;
constexpr long BacklightDerateTemperature = 800;
constexpr uint32_t SupplyScaleThreshold_mV = 3199;

const ContrastPoint DefaultContrastTable[ContrastTableSize] = {
    {-9990, 2990}, {-13, 2990}, {88, 2662},  {177, 2539}, {270, 2416}, {440, 2375}, {453, 2375},
    {525, 2129},   {643, 1802}, {740, 1515}, {822, 1269}, {887, 901},  {9990, 901},
};
const ContrastPoint DevBoardPairs[2] = {{-9990, 3235}, {9990, 3235}};

ContrastPoint contrastTable[ContrastTableSize];
bool tableBuilt = false;
bool tableIsDevBoard = false;

bool levelRequested = false;
uint32_t requestedLevel = 0;
} // namespace

void backlightEnable(bool on, bool derate) {
    TurnDownBacklightWhenVoltageLow = derate;
    setMSPcmdField(2, MFT_BacklightEnable, on ? 1 : 0);
    setBacklight(KeepLevel);
}

void setBacklight(uint32_t level) {
    if (level != KeepLevel) {
        requestedLevel = level;
        levelRequested = true;
    } else {
        level = levelRequested ? requestedLevel : getBacklight();
    }
    if (TurnDownBacklightWhenVoltageLow) {
        long t = getTemperature();
        if (t >= BacklightOffTemperature) {
            level = 0;
        } else if (t > BacklightDerateTemperature) {
            long cap = 28160 - (t * 3072) / 100;
            if (static_cast<long>(level) > cap) level = static_cast<uint32_t>(cap);
        }
    }
    if (level != getBacklight()) _setBacklight_(level);
}

uint32_t getBacklight() {
    return getMSPcmdField(MFT_BacklightLevel);
}

void _setBacklight_(uint32_t level) {
    setMSPcmdField(1, MFT_BacklightLevel, level > MaxLevel ? MaxLevel : level);
}

void setContrast(uint32_t level) {
    setMSPcmdField(1, MFT_Contrast, level > MaxLevel ? MaxLevel : level);
}

uint32_t getContrast() {
    return getMSPcmdField(MFT_Contrast);
}

long getTemperature() {
    return static_cast<long>(ADC_to_mV(getMSPcmdField(MFT_Temperature), 0)) - 500;
}

const ContrastPoint* getTemperatureContrastTable(bool devBoard) {
    if (tableBuilt && devBoard == tableIsDevBoard) return contrastTable;
    for (int i = 0; i < ContrastTableSize; ++i)
        contrastTable[i] = DefaultContrastTable[i];
    if (devBoard) {
        contrastTable[0] = DevBoardPairs[0];
        contrastTable[1] = DevBoardPairs[1];
    }
    // Units with a supply above 3.2 V need less drive.
    if (2 * ADC_to_mV(getMSPcmdField(MFT_SupplyHalf), 0) > SupplyScaleThreshold_mV)
        for (ContrastPoint& p : contrastTable)
            p.contrast = p.contrast * 92 / 100;
    tableBuilt = true;
    tableIsDevBoard = devBoard;
    return contrastTable;
}

long _getTempAdjContrast(long temperature, long offset) {
    if (temperature > 9999) temperature = getTemperature();
    const ContrastPoint* table = getTemperatureContrastTable(tableIsDevBoard);
    int i = 1;
    while (i < ContrastTableSize - 1 && table[i].temperature < temperature)
        ++i;
    const ContrastPoint& a = table[i - 1];
    const ContrastPoint& b = table[i];
    long c = a.contrast;
    if (b.temperature != a.temperature)
        c += (b.contrast - a.contrast) * (temperature - a.temperature) /
             (b.temperature - a.temperature);
    c += offset + ContrastCalibrationOffset;
    if (c < 0) return 0;
    if (c > static_cast<long>(MaxLevel)) return MaxLevel;
    return c;
}

void tempAdjContrast(long offset) {
    long c = _getTempAdjContrast(10000, offset);
    if (static_cast<uint32_t>(c) != getContrast()) setMSPcmdField(2, MFT_Contrast, c);
}

long _setContrastCalibrationOffset(long temperature, long wanted) {
    ContrastCalibrationOffset = 0;
    long c = _getTempAdjContrast(temperature, 0);
    ContrastCalibrationOffset = wanted - c;
    return c;
}
