// Setting data and the objects that push their changes to the hardware.
#include "data/settings.h"

#include "core/application_task.h"
#include "core/framework.h"
#include "data/units.h"
#include "platform/io_services.h"

namespace {
DataAttributes ContrastAttributes("Contrast");
DataAttributes BacklightAttributes("Backlight");
DataAttributes VolumeAttributes("Volume");
DataAttributes KeyClickAttributes("Key Clicks");
DataAttributes SWversionAttributes("S/W version");
DataAttributes HWrevisionAttributes("H/W revision");
DataAttributes TimeDateAttributes("Time/Date");

void setUnitSystemAndTell(unsigned char system) {
    CurrentUnitSystem = system;
    if (theApplication != nullptr) theApplication->onLanguageUnitsChange(false, true);
}
} // namespace

// The data objects come before the objects that register with them.
Data Contrast(&NoUnits, &ContrastAttributes, 0, true);
Data Backlight(&NoUnits, &BacklightAttributes, 4095, true);
Data Volume(&NoUnits, &VolumeAttributes, 9, true);
Data KeyClickEnable(&NoUnits, &KeyClickAttributes, 1, true);
Data SWversion(&NoUnits, &SWversionAttributes, 1.1, true);
Data HWrevision(&NoUnits, &HWrevisionAttributes, 0, true);

ContrastChangeSingleton ContrastChange;
BacklightChangeSingleton BacklightChange;
KeyClickSingleton KeyClickChange;
VolumeChangeSingleton VolumeChange;

ContrastChangeSingleton::ContrastChangeSingleton() {
    Contrast.registerInterest(this);
}
void ContrastChangeSingleton::notify(NotificationEvent, Data*) {
    backgroundContrastAdjust();
}

BacklightChangeSingleton::BacklightChangeSingleton() {
    Backlight.registerInterest(this);
}
void BacklightChangeSingleton::notify(NotificationEvent, Data*) {
    double v = Backlight.getValue();
    setBacklight(v > 0 ? static_cast<uint32_t>(v) : 0);
}

KeyClickSingleton::KeyClickSingleton() {
    KeyClickEnable.registerInterest(this);
}
void KeyClickSingleton::notify(NotificationEvent, Data*) {
    setAutoKeyClick(KeyClickEnable.getValue() != 0);
}

VolumeChangeSingleton::VolumeChangeSingleton() {
    Volume.registerInterest(this);
}
void VolumeChangeSingleton::notify(NotificationEvent event, Data*) {
    if (event == VolumeFeedbackOffEvent) {
        suspended = true;
        return;
    }
    if (event == VolumeFeedbackOnEvent) {
        suspended = false;
        lastVolume = 128;
    }
    if (suspended) return;
    double value = Volume.getValue();
    unsigned char v = value > 0 && value < 256 ? static_cast<unsigned char>(value) : 0;
    setBuzzerVolume(v);
    int step = v - lastVolume;
    if (step >= -1 && step <= 1) keyClick();
    lastVolume = v;
}

void (*changeUnitSystemHandler)(unsigned char system) = setUnitSystemAndTell;

UnitsListBoxData::UnitsListBoxData(DataAttributes* a)
    : Data(&NoUnits, a, CurrentUnitSystem, true) {}

void UnitsListBoxData::setValue(double v, bool notify, bool force) {
    if (v == 0) return;
    if (v != value && changeUnitSystemHandler != nullptr)
        changeUnitSystemHandler(static_cast<unsigned char>(v));
    Data::setValue(v, notify, force);
}

void UnitsListBoxData::setInitialValue(double v) {
    CurrentUnitSystem = static_cast<unsigned char>(v);
    value = v;
    valid = true;
}

TimeDateDataSingletonClass TimeDate;

TimeDateDataSingletonClass::TimeDateDataSingletonClass()
    : Data(&Universal_seconds, &TimeDateAttributes, 0, false) {}

// Without an NVRAM location there is no elapsed-time counter to bring up to date.
void TimeDateDataSingletonClass::updateElapsedTime(uint32_t, bool, uint32_t) {}
