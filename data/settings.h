// The display's setting data (contrast, backlight, volume, key clicks) with the objects that
// push their changes to the hardware, the version data, the unit-system setting and the
// time/date data.
#pragma once

#include <cstdint>

#include "data/data.h"

extern Data Contrast;
extern Data Backlight;
extern Data Volume;
extern Data KeyClickEnable;
extern Data SWversion;
extern Data HWrevision;

class ContrastChangeSingleton : public Notifiable {
public:
    ContrastChangeSingleton();
    void notify(NotificationEvent event, Data* data) override;
};

class BacklightChangeSingleton : public Notifiable {
public:
    BacklightChangeSingleton();
    void notify(NotificationEvent event, Data* data) override;
};

class KeyClickSingleton : public Notifiable {
public:
    KeyClickSingleton();
    void notify(NotificationEvent event, Data* data) override;
};

// Sets the buzzer volume and clicks once when the volume moved by one step, so the user
// hears the new level.
class VolumeChangeSingleton : public Notifiable {
public:
    unsigned char lastVolume = 128;
    bool suspended = false;

    VolumeChangeSingleton();
    void notify(NotificationEvent event, Data* data) override;
};

extern ContrastChangeSingleton ContrastChange;
extern BacklightChangeSingleton BacklightChange;
extern KeyClickSingleton KeyClickChange;
extern VolumeChangeSingleton VolumeChange;

// A data object whose value is a unit system, for a settings list; 0 is never taken.
class UnitsListBoxData : public Data {
public:
    UnitsListBoxData(DataAttributes* attributes = nullptr);
    void setValue(double value, bool notify = true, bool force = false) override;
    void setInitialValue(double value);
};

// Makes a unit system current and tells the application. The screen, once it has its own
// operation for changing language and units (which also redraws), installs it here.
extern void (*changeUnitSystemHandler)(unsigned char system);

// The real-time clock's data. Its elapsed-time counter lives in NVRAM, which this system
// never gives it, so the update does nothing.
class TimeDateDataSingletonClass : public Data {
public:
    TimeDateDataSingletonClass();
    void updateElapsedTime(uint32_t now, bool save, uint32_t reference);
};
extern TimeDateDataSingletonClass TimeDate;
