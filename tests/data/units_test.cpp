// Units: name, system, type and conversion of one unit of each kind of conversion (scale,
// offset, inverse), the gallons that depend on the unit system, and views that show a value in the
// current system's units.
#include <gtest/gtest.h>

#include <cmath>

#include "data/data.h"
#include "data/units.h"

namespace {
struct UnitRow {
    Units* units;
    const char* name;
    unsigned char system;
    UnitType type;
    double scale;  // shown for one internal unit, less the offset (imperial current)
    double offset; // shown for zero internal units
    double alt;    // the scale when imperial is not current (0: the same)
};

const UnitRow Table[] = {
    {&Metric_m, "meters", 1, DistanceType, 1, 0, 0},
    {&Metric_km, "kilometers", 1, DistanceType, 1 / 1000.0, 0, 0},
    {&Imperial_mile, "miles", 2, DistanceType, 39.37 / 12 / 5280, 0, 0},
    {&Imperial_ppM, "pulses per mile", 2, PulsesPerDistanceType, 1.6093470878864444, 0, 0},
    {&Imperial_perAc, "units per acre", 2, CountPerAreaType, 0.40468564218622655, 0, 0},
    {&Imperial_mph, "mph", 2, SpeedType, 0.62137, 0, 0},
    {&Metric_degC, "\xB0 Celsius", 1, TemperatureType, 1, 0, 0},
    {&Imperial_degF, "\xB0 Fahrenheit", 2, TemperatureType, 1.8, 32, 0},
    {&Imperial_PSI, "PSI", 2, PressureType, 0.00014503773801, 0, 0},
    {&Universal_mA, "mA", 0, NoUnitType, 1 / 0.001, 0, 0},
    {&Imperial_lbs, "lbs", 2, MassType, 2.20462262, 0, 0},
    {&Metric_L, "L", 1, VolumeType, 1, 0, 0},
    {&Imperial_gal, "gal", 2, VolumeType, 0.219969157, 0, 0.264172052},
    {&Imperial_ppGal, "pulses/gal", 2, PulsesPerVolumeType, 4.546091886873031, 0,
     3.7854117891320316},
    {&Imperial_galPerAc, "gal/ac", 2, VolumePerAreaType, 0.0890183595617079, 0,
     0.10690663651127323},
};

void expectNear(double got, double want, const char* name) {
    EXPECT_NEAR(got, want, 1e-12 * std::fabs(want)) << name;
}

TEST(UnitsTest, NameSystemTypeAndConversionOfEachKind) {
    for (const UnitRow& r : Table) {
        Units* u = r.units;
        EXPECT_STREQ(reinterpret_cast<const char*>(u->getString().text), r.name);
        EXPECT_EQ(u->getUnitSystem(), r.system) << r.name;
        EXPECT_EQ(u->getUnitType(), r.type) << r.name;
        for (unsigned char system : {ImperialSystem, MetricSystem, UniversalSystem}) {
            CurrentUnitSystem = system;
            double scale = system != ImperialSystem && r.alt != 0 ? r.alt : r.scale;
            expectNear(u->fromInternalUnits(0), r.offset, r.name);
            expectNear(u->fromInternalUnits(10), 10 * scale + r.offset, r.name);
            expectNear(u->toInternalUnits(10 * scale + r.offset), 10, r.name);
        }
    }
    CurrentUnitSystem = MetricSystem;
    EXPECT_NEAR(Imperial_mile.convertFrom(2, &Metric_km), 1.2427, 0.0001);
}

TEST(UnitsTest, ViewsShowTheImperialUnitsWheneverMetricIsNotCurrent) {
    Data litres(&Metric_L, nullptr, 10);
    UnitizedData view(&litres, &Metric_L, &Imperial_gal);
    for (unsigned char system : {ImperialSystem, UniversalSystem}) {
        CurrentUnitSystem = system;
        EXPECT_EQ(view.getUnits(), &Imperial_gal);
    }
    CurrentUnitSystem = MetricSystem;
    EXPECT_EQ(view.getUnits(), &Metric_L);
    EXPECT_NEAR(convertUnits(10, &view, MetricSystem, ImperialSystem), 2.19969157, 1e-9);
    EXPECT_NEAR(convertUnits(2.19969157, &view, ImperialSystem, MetricSystem), 10, 1e-9);
    EXPECT_EQ(CurrentUnitSystem, MetricSystem); // put back afterwards
}
} // namespace
