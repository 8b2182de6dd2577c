// Units of measure: each physical quantity has one internal unit in which data values are
// stored; values are shown in the units of the current unit system.
#pragma once

#include <cstdint>

#include "text/multi_string.h"

enum UnitSystem : unsigned char {
    UniversalSystem = 0, // the unit is the same in every system
    MetricSystem = 1,
    ImperialSystem = 2,
};

// The unit system values are shown in; metric at start.
extern unsigned char CurrentUnitSystem;

enum UnitType : int32_t {
    NoUnitType = 0,
    DistanceType = 1,
    TemperatureType = 2,
    SpeedType = 3,
    AreaType = 5,
    MassType = 6,
    VolumeType = 8,
    PressureType = 9,
    PulsesPerDistanceType = 12,
    MassPerAreaType = 13,
    MassPerRevolutionType = 14,
    AreaPerHourType = 15,
    CountPerAreaType = 16,
    CountPerMassType = 17,
    PulsesPerVolumeType = 22,
    VolumePerAreaType = 23,
    VolumePerHourType = 24,
};

// shown = internal × scale + offset.
struct ConversionObj {
    UnitType type;
    double scale;
    double offset;
};

// Unit names are string keys with this index.
constexpr long UnitsNameStringId = 1000;

class Units : public MultiString {
public:
    explicit Units(const char* name) : MultiString(name, UnitsNameStringId) {}
    virtual unsigned char getUnitSystem() = 0;
    virtual UnitType getUnitType() = 0;
    virtual double toInternalUnits(double v) = 0;
    virtual double fromInternalUnits(double v) = 0;
    virtual ~Units() = default;

    double convertFrom(double value, Units* from) {
        return fromInternalUnits(from->toInternalUnits(value));
    }
};

class BaseUnits : public Units {
public:
    unsigned char unitSystem;
    ConversionObj conversion;
    const ConversionObj* alternative;

    BaseUnits(const char* name, unsigned char system, UnitType type, double scale = 1,
              double offset = 0, const ConversionObj* alt = nullptr)
        : Units(name), unitSystem(system), conversion{type, scale, offset}, alternative(alt) {}

    unsigned char getUnitSystem() override { return unitSystem; }
    UnitType getUnitType() override { return conversion.type; }
    double toInternalUnits(double v) override;
    double fromInternalUnits(double v) override;

private:
    // The alternative applies unless imperial units are current.
    const ConversionObj& active() const;
};

class ScaledUnits : public Units {
public:
    double factor;
    Units* base;

    ScaledUnits(const char* name, double f, Units* b) : Units(name), factor(f), base(b) {}

    unsigned char getUnitSystem() override { return base->getUnitSystem(); }
    UnitType getUnitType() override { return base->getUnitType(); }
    double toInternalUnits(double v) override { return base->toInternalUnits(v * factor); }
    double fromInternalUnits(double v) override { return base->fromInternalUnits(v) / factor; }
};

// Converts v in the units of a data object as they are under unit system `from` into those
// under `to` (units that follow the current system change with it).
class GenericData;
double convertUnits(double v, GenericData* data, unsigned char from, unsigned char to);

extern BaseUnits Metric_m;
extern ScaledUnits Metric_km, Metric_cm, Metric_mm;
extern BaseUnits Imperial_inch;
extern ScaledUnits Imperial_feet, Imperial_yard, Imperial_mile;
extern BaseUnits Metric_ppKm, Imperial_ppM, Metric_perHa, Imperial_perAc, Metric_perKg,
    Imperial_perLb, Metric_kph, Imperial_mph, Metric_ha, Imperial_ac, Metric_kgPerHa,
    Imperial_lbPerAc, Metric_haPerHr, Imperial_acPerHr, Metric_degC, Imperial_degF, Metric_Pa;
extern ScaledUnits Metric_kPa, Metric_MPa, Metric_bar;
extern BaseUnits Imperial_PSI, Universal_Percent, Universal_RPM, Universal_seconds, Universal_hours,
    Universal_V, Universal_Amps;
extern ScaledUnits Universal_mA;
extern BaseUnits Metric_kg, Imperial_lbs, Metric_kgPerRev, Imperial_lbsPerRev, Metric_L,
    Imperial_gal, Metric_ppL, Imperial_ppGal, Metric_LperHa, Imperial_galPerAc, Metric_LperHr,
    Imperial_galPerHr, NoUnits;
