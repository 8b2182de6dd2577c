// Unit conversions: scaled units, offsets, and the gallons that depend on the unit system.
#include <gtest/gtest.h>

#include "data/data.h"
#include "data/units.h"

namespace {
TEST(UnitsTest, ScaledUnitsApplyTheirFactorAroundTheBase) {
    EXPECT_DOUBLE_EQ(Metric_km.toInternalUnits(2), 2000);
    EXPECT_NEAR(Imperial_mile.convertFrom(2, &Metric_km), 1.2427, 0.0001);
    EXPECT_NEAR(Metric_m.convertFrom(1, &Imperial_feet), 0.3048, 0.0001);
    EXPECT_NEAR(Imperial_yard.fromInternalUnits(1), 39.37 / 36, 1e-12);
    EXPECT_DOUBLE_EQ(Metric_bar.convertFrom(250, &Metric_kPa), 2.5);
    EXPECT_DOUBLE_EQ(Universal_mA.convertFrom(1.5, &Universal_Amps), 1500);
    EXPECT_EQ(Imperial_mile.getUnitSystem(), ImperialSystem);
    EXPECT_EQ(Imperial_mile.getUnitType(), DistanceType);
}

TEST(UnitsTest, OffsetsConvertBothWays) {
    EXPECT_DOUBLE_EQ(Imperial_degF.toInternalUnits(68), 20);
    EXPECT_DOUBLE_EQ(Imperial_degF.fromInternalUnits(20), 68);
    EXPECT_DOUBLE_EQ(Imperial_degF.convertFrom(-40, &Metric_degC), -40);
}

TEST(UnitsTest, GallonsFollowTheUnitSystem) {
    CurrentUnitSystem = ImperialSystem;
    EXPECT_DOUBLE_EQ(Imperial_gal.fromInternalUnits(1), 0.219969157);
    EXPECT_DOUBLE_EQ(Imperial_galPerHr.fromInternalUnits(1), 0.219969157);
    CurrentUnitSystem = MetricSystem;
    EXPECT_DOUBLE_EQ(Imperial_gal.fromInternalUnits(1), 0.264172052);
    EXPECT_DOUBLE_EQ(Imperial_ppGal.fromInternalUnits(1), 3.7854117891320316);
    CurrentUnitSystem = UniversalSystem;
    EXPECT_DOUBLE_EQ(Imperial_galPerAc.fromInternalUnits(1), 0.10690663651127323);
    // Units without an alternative are the same in every system.
    EXPECT_DOUBLE_EQ(Imperial_lbs.fromInternalUnits(1), 2.20462262);
}

TEST(UnitsTest, ConvertUnitsBetweenSystemsThroughAView) {
    Data litres(&Metric_L, nullptr, 10);
    UnitizedData view(&litres, &Metric_L, &Imperial_gal);
    EXPECT_NEAR(convertUnits(10, &view, MetricSystem, ImperialSystem), 2.19969157, 1e-9);
    EXPECT_NEAR(convertUnits(2.19969157, &view, ImperialSystem, MetricSystem), 10, 1e-9);
    EXPECT_EQ(CurrentUnitSystem, MetricSystem); // put back afterwards
}

TEST(UnitsTest, NamesAreTheirStringKeys) {
    EXPECT_STREQ(reinterpret_cast<const char*>(Metric_degC.getString().text), "\xB0 Celsius");
    EXPECT_STREQ(reinterpret_cast<const char*>(Imperial_PSI.getString().text), "PSI");
    EXPECT_STREQ(reinterpret_cast<const char*>(NoUnits.getString().text), "");
}
} // namespace
