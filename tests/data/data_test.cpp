// Data values: when they notify, validity, units and their conversions, the view in the
// current unit system, text values and text entry through a text reference (capacity, the
// widget's width, reverting).
#include <gtest/gtest.h>

#include <cmath>

#include "data/data.h"
#include "data/data_ref.h"
#include "data/text_data_ref.h"
#include "data/units.h"
#include "gui/alphabet.h"
#include "gui/font.h"
#include "gui/text_data_display.h"
#include "tests/text/text_test_support.h"

namespace {
struct Recorder : Notifiable {
    std::vector<std::pair<NotificationEvent, Data*>> got;
    void notify(NotificationEvent e, Data* d) override { got.push_back({e, d}); }
};

TEST(DataTest, NotifiesOnlyWhenTheValueOrValidityChangesOrWhenForced) {
    Data d(&NoUnits, nullptr, 5, true);
    Recorder r;
    d.registerInterest(&r);
    d.registerInterest(&r); // kept once
    d.setValue(5);
    EXPECT_TRUE(r.got.empty());
    d.setValue(5, true, true);
    ASSERT_EQ(r.got.size(), 1u);
    EXPECT_EQ(r.got[0], (std::pair<NotificationEvent, Data*>{DataChangedEvent, &d}));
    d.setValue(6, false);
    EXPECT_EQ(d.getValue(), 6);
    d.setInvalid();
    EXPECT_FALSE(d.isValid());
    EXPECT_EQ(d.value, 0);
    d.setInvalid(); // already invalid: nothing
    d.setValue(0);  // becoming valid again notifies even with the same value
    EXPECT_TRUE(d.isValid());
    d._setValue_(0, true);
    d.deregisterInterest(&r);
    d.setValue(7);
    EXPECT_EQ(r.got.size(), 4u);
}

TEST(DataTest, PartiesAreToldNewestFirstAndMayLeaveWhileTold) {
    static std::vector<int> order;
    struct Leaver : Notifiable {
        int id;
        explicit Leaver(int i) : id(i) {}
        void notify(NotificationEvent, Data* d) override {
            order.push_back(id);
            d->deregisterInterest(this);
        }
    } a(1), b(2);
    Data d;
    d.registerInterest(&a);
    d.registerInterest(&b);
    d.setValue(1);
    d.setValue(2);
    EXPECT_EQ(order, (std::vector<int>{2, 1}));
}

TEST(DataTest, ReassigningAViewMovesTheWidgetsThatShowIt) {
    struct Widget : NotifiableWithDataRef {
        int calls = 0;
        explicit Widget(DataRef* r) : NotifiableWithDataRef(r) {}
        void notify(NotificationEvent, Data*) override { ++calls; }
    };
    Data first(&Metric_m), second(&Metric_m);
    UnitizedData view(&first, &Metric_m);
    NumericDataRef throughView(&view), direct(&first);
    Widget viaView(&throughView), other(&direct);
    first.registerInterest(&viaView);
    first.registerInterest(&other);
    view.reassign(&second);
    EXPECT_EQ(viaView.calls, 1); // the new data announced itself
    first.setValue(3);
    second.setValue(4);
    EXPECT_EQ(viaView.calls, 2);
    EXPECT_EQ(other.calls, 1);
}

TEST(DataTest, TextValuesKeepWholeCharactersWithinTheirCapacity) {
    TextData t(6);
    EXPECT_TRUE(t.isValid()); // an empty text is a value
    TextDataRef none(nullptr);
    EXPECT_FALSE(none.addChar('a')); // nothing to type into
    Recorder r;
    t.registerInterest(&r);
    const unsigned char abc[] = "abc";
    t.setTextValue(abc);
    t.setTextValue(abc);
    EXPECT_EQ(r.got.size(), 1u);
    t.setTextValue(abc, true, true);
    EXPECT_EQ(r.got.size(), 2u);
    const unsigned char wide[] = {'a', 'b', 'c', 'd', 255, 1, 0, 0};
    t.setTextValue(wide); // the wide character does not fit in what is left
    EXPECT_EQ(bytesOf(t.getText()), "abcd");
    unsigned char buf[8] = {1};
    EXPECT_EQ(t.getValue(buf), 0.0);
    EXPECT_EQ(buf[0], 0);
    Data number; // a plain value has no text of its own
    number.setValue(5);
    buf[0] = 1;
    EXPECT_EQ(number.getValue(buf), 5.0);
    EXPECT_EQ(buf[0], 0);
}

TEST(TextDataRefTest, TypingStopsAtTheCapacityAndErasesWholeCharacters) {
    TextData t(5);
    TextDataRef r(&t);
    for (char c : std::string("abcdef"))
        r.addChar(static_cast<unsigned char>(c));
    EXPECT_EQ(bytesOf(t.getText()), "abcd");
    r.eraseLastChar();
    EXPECT_FALSE(r.addChar(0x100)); // a wide character needs three bytes
    EXPECT_TRUE(r.addChar('d'));
    TextData wide(8);
    TextDataRef w(&wide);
    w.addChar('a');
    EXPECT_TRUE(w.addChar(0x100));
    EXPECT_EQ(bytesOf(wide.getText()), std::string("a\xff\x01\x00", 4));
    w.eraseLastChar(); // the whole wide character goes
    EXPECT_EQ(bytesOf(wide.getText()), "a");
    w.eraseLastChar();
    w.eraseLastChar();
    EXPECT_EQ(bytesOf(wide.getText()), "");
}

TEST(TextDataRefTest, TypingStopsAtTheWidgetsWidth) {
    TextData t(50);
    // Room for three letters and the margin typing keeps free.
    long w = NormalFont.getCharWidth('a');
    TextDataDisplay widget(new TextDataRef(&t), BBox(At(0, 0), 3 * w + TypingMargin, 14), 1,
                           ALIGN_LEFT_TOP, 15, 0, 0, false, true, true);
    TextDataRef& r = *static_cast<TextDataRef*>(widget.dataRef);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(r.addChar('a'));
    EXPECT_FALSE(r.addChar('a'));
    EXPECT_EQ(bytesOf(t.getText()), "aaa");
}

// Reverting through an edit box and its dialog is driven from the text edit box's tests.
TEST(TextDataRefTest, RevertsToTheValueAtFocusOrTheOriginalIfNoted) {
    TextData t(20);
    TextDataRef r(&t);
    r.addChar('s');
    r.noteOriginalValue(false);
    r.addChar('1');
    r.noteValueAtTimeOfFocus();
    r.addChar('2');
    r.revertToValueAtTimeOfFocus();
    EXPECT_EQ(bytesOf(t.getText()), "s1");
    r.revertToOriginalValue();
    EXPECT_EQ(bytesOf(t.getText()), "s");
    r.noteOriginalValue(true); // skipped: nothing to revert to
    r.addChar('z');
    r.revertToOriginalValue();
    EXPECT_EQ(bytesOf(t.getText()), "sz");
}

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

TEST(UnitsTest, ViewsShowImperialUnitsWheneverMetricIsNotCurrentAndFallBackToMetric) {
    Data litres(&Metric_L, nullptr, 10), distance(&Metric_m, nullptr, 1609.347);
    UnitizedData view(&litres, &Metric_L, &Imperial_gal);
    UnitizedData plain(&distance, nullptr, nullptr), metricOnly(&distance, &Metric_cm);
    for (unsigned char system : {ImperialSystem, UniversalSystem}) {
        CurrentUnitSystem = system;
        EXPECT_EQ(view.getUnits(), &Imperial_gal);
    }
    EXPECT_EQ(plain.getUnits(), &NoUnits);
    EXPECT_EQ(metricOnly.getUnits(), &Metric_cm);
    EXPECT_NEAR(metricOnly.getValue(), 160934.7, 1e-6);
    CurrentUnitSystem = MetricSystem;
    EXPECT_EQ(view.getUnits(), &Metric_L);
    EXPECT_NEAR(convertUnits(10, &view, MetricSystem, ImperialSystem), 2.19969157, 1e-9);
    EXPECT_NEAR(convertUnits(2.19969157, &view, ImperialSystem, MetricSystem), 10, 1e-9);
    EXPECT_EQ(CurrentUnitSystem, MetricSystem); // put back afterwards
    view.setInvalid();                          // validity passes through to the data
    EXPECT_FALSE(litres.isValid());
}
} // namespace
