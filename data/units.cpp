// The conversion rule and the predefined units.
#include "data/units.h"

#include "data/data.h"

unsigned char CurrentUnitSystem = MetricSystem;

const ConversionObj& BaseUnits::active() const {
    return alternative != nullptr && CurrentUnitSystem != ImperialSystem ? *alternative
                                                                         : conversion;
}

double BaseUnits::toInternalUnits(double v) {
    const ConversionObj& c = active();
    return (v - c.offset) / c.scale;
}

double BaseUnits::fromInternalUnits(double v) {
    const ConversionObj& c = active();
    return v * c.scale + c.offset;
}

double convertUnits(double v, GenericData* data, unsigned char from, unsigned char to) {
    unsigned char saved = CurrentUnitSystem;
    CurrentUnitSystem = from;
    double internal = data->getUnits()->toInternalUnits(v);
    CurrentUnitSystem = to;
    double result = data->getUnits()->fromInternalUnits(internal);
    CurrentUnitSystem = saved;
    return result;
}

namespace {
// US gallons where imperial gallons are not wanted.
const ConversionObj UsGallon = {VolumeType, 0.264172052, 0};
const ConversionObj UsPulsesPerGallon = {PulsesPerVolumeType, 3.7854117891320316, 0};
const ConversionObj UsGallonPerAcre = {VolumePerAreaType, 0.10690663651127323, 0};
const ConversionObj UsGallonPerHour = {VolumePerHourType, 0.264172052, 0};
} // namespace

BaseUnits Metric_m("meters", MetricSystem, DistanceType);
ScaledUnits Metric_km("kilometers", 1000, &Metric_m);
ScaledUnits Metric_cm("centimeters", 0.01, &Metric_m);
ScaledUnits Metric_mm("millimeters", 0.001, &Metric_m);
BaseUnits Imperial_inch("inches", ImperialSystem, DistanceType, 39.37);
ScaledUnits Imperial_feet("feet", 12, &Imperial_inch);
ScaledUnits Imperial_yard("yards", 3, &Imperial_feet);
ScaledUnits Imperial_mile("miles", 5280, &Imperial_feet);
BaseUnits Metric_ppKm("pulses per km", MetricSystem, PulsesPerDistanceType);
BaseUnits Imperial_ppM("pulses per mile", ImperialSystem, PulsesPerDistanceType,
                       1.6093470878864444);
BaseUnits Metric_perHa("units per hectare", MetricSystem, CountPerAreaType);
BaseUnits Imperial_perAc("units per acre", ImperialSystem, CountPerAreaType, 0.40468564218622655);
BaseUnits Metric_perKg("units per kg", MetricSystem, CountPerMassType);
BaseUnits Imperial_perLb("units per lb", ImperialSystem, CountPerMassType, 0.4535923703803783);
BaseUnits Metric_kph("kph", MetricSystem, SpeedType);
BaseUnits Imperial_mph("mph", ImperialSystem, SpeedType, 0.62137);
BaseUnits Metric_ha("hectares", MetricSystem, AreaType);
BaseUnits Imperial_ac("acres", ImperialSystem, AreaType, 2.471053815);
BaseUnits Metric_kgPerHa("kg/ha", MetricSystem, MassPerAreaType);
BaseUnits Imperial_lbPerAc("lb/ac", ImperialSystem, MassPerAreaType, 0.892187);
BaseUnits Metric_haPerHr("ha/hr", MetricSystem, AreaPerHourType);
BaseUnits Imperial_acPerHr("ac/hr", ImperialSystem, AreaPerHourType, 2.471053815);
BaseUnits Metric_degC("\xB0 Celsius", MetricSystem, TemperatureType);
BaseUnits Imperial_degF("\xB0 Fahrenheit", ImperialSystem, TemperatureType, 1.8, 32);
BaseUnits Metric_Pa("Pa", MetricSystem, PressureType);
ScaledUnits Metric_kPa("kPa", 1000, &Metric_Pa);
ScaledUnits Metric_MPa("MPa", 1000000, &Metric_Pa);
ScaledUnits Metric_bar("bar", 100000, &Metric_Pa);
BaseUnits Imperial_PSI("PSI", ImperialSystem, PressureType, 0.00014503773801);
BaseUnits Universal_Percent("%", UniversalSystem, NoUnitType);
BaseUnits Universal_RPM("n/min", UniversalSystem, NoUnitType);
BaseUnits Universal_seconds("sec", UniversalSystem, NoUnitType);
BaseUnits Universal_hours("hours", UniversalSystem, NoUnitType);
BaseUnits Universal_V("V", UniversalSystem, NoUnitType);
BaseUnits Universal_Amps("A", UniversalSystem, NoUnitType);
ScaledUnits Universal_mA("mA", 0.001, &Universal_Amps);
BaseUnits Metric_kg("kg", MetricSystem, MassType);
BaseUnits Imperial_lbs("lbs", ImperialSystem, MassType, 2.20462262);
BaseUnits Metric_kgPerRev("kg/rev", MetricSystem, MassPerRevolutionType);
BaseUnits Imperial_lbsPerRev("lbs/rev", ImperialSystem, MassPerRevolutionType, 2.20462262);
BaseUnits Metric_L("L", MetricSystem, VolumeType);
BaseUnits Imperial_gal("gal", ImperialSystem, VolumeType, 0.219969157, 0, &UsGallon);
BaseUnits Metric_ppL("pulses/L", MetricSystem, PulsesPerVolumeType);
BaseUnits Imperial_ppGal("pulses/gal", ImperialSystem, PulsesPerVolumeType, 4.546091886873031, 0,
                         &UsPulsesPerGallon);
BaseUnits Metric_LperHa("L/ha", MetricSystem, VolumePerAreaType);
BaseUnits Imperial_galPerAc("gal/ac", ImperialSystem, VolumePerAreaType, 0.0890183595617079, 0,
                            &UsGallonPerAcre);
BaseUnits Metric_LperHr("L/h", MetricSystem, VolumePerHourType);
BaseUnits Imperial_galPerHr("gal/h", ImperialSystem, VolumePerHourType, 0.219969157, 0,
                            &UsGallonPerHour);
BaseUnits NoUnits("", UniversalSystem, NoUnitType);
