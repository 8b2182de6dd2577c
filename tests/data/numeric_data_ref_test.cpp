// Numeric references: "n/a", units names, decimals per unit system, value texts, and the
// digit entry helpers.
#include <gtest/gtest.h>

#include <string>

#include "data/data_ref.h"
#include "data/units.h"
#include "tests/text/text_test_support.h"
#include "text/vocabulary.h"

namespace {
std::string textOfRef(DataRef& r, unsigned char variant = 0) {
    unsigned char buf[DataTextBufferSize];
    return bytesOf(r.getText(variant, buf).text);
}

TEST(NumericDataRefTest, InvalidDataShowsNotAvailable) {
    Data d(&Metric_kg, nullptr, 3, false);
    NumericDataRef r(&d, nullptr, 1, 1);
    EXPECT_EQ(textOfRef(r), "n/a");
    d.setValue(3);
    EXPECT_EQ(textOfRef(r), "3.0");
}

TEST(NumericDataRefTest, UnitsNameAfterOneBlank) {
    Data d(&Metric_kg, nullptr, 12.5);
    NumericDataRef r(&d, nullptr, 1, 1, 0, 1);
    EXPECT_EQ(textOfRef(r), "12.5 kg");
    Data t(&Metric_degC, nullptr, -0.5);
    NumericDataRef rt(&t, nullptr, 1, 1, 0, 1);
    EXPECT_EQ(textOfRef(rt), "-0.5 \xB0 Celsius");
}

TEST(NumericDataRefTest, DecimalsFollowTheUnitSystemOfTheUnits) {
    Data distance(&Metric_m, nullptr, 1609.347);
    UnitizedData view(&distance, &Metric_km, &Imperial_mile);
    NumericDataRef r(&view, nullptr, 3, 1, 0, 1);
    EXPECT_EQ(textOfRef(r), "1.609 kilometers");
    CurrentUnitSystem = ImperialSystem;
    EXPECT_EQ(textOfRef(r), "1.0 miles");
    CurrentUnitSystem = MetricSystem;
    Data count(&Universal_RPM, nullptr, 1500.4);
    NumericDataRef universal(&count, nullptr, 2, 0); // universal units take the second
    EXPECT_EQ(textOfRef(universal), "1500");
}

TEST(NumericDataRefTest, ValueTextTemplates) {
    initVocabularyWith("[Languages]\nEnglish\nFrancais\n[Strings]\n"
                       "$Gear$.1 :English \"first\" :Francais \"premiere\";\n"
                       "$Gear$.32767 :English \"gear &1\";\n");
    struct GearNames : TemplateExpander {
        int expand(Language*, unsigned char, unsigned char*& out, unsigned long context,
                   double) override {
            out += snprintf(reinterpret_cast<char*>(out), 16, "no.%lu", context);
            return ExpandedText;
        }
        bool canExpandSubKey(unsigned long k) override { return k < 5; }
    } expander;
    DataAttributes named("Gear selected", nullptr, "Gear", 0, nullptr, &expander);
    Data gear(&NoUnits, &named, 1);
    NumericDataRef r(&gear);
    EXPECT_EQ(textOfRef(r), "first");
    V.setCurrentLanguage(V.language("Francais"));
    EXPECT_EQ(textOfRef(r), "premiere");
    V.setCurrentLanguage(&English);
    gear.setValue(3); // no entry: the expander fills the generic text
    EXPECT_EQ(textOfRef(r), "gear no.3");
    gear.setValue(7); // refused by the expander
    EXPECT_EQ(textOfRef(r), "Gear::7");
    gear.setValue(-2); // negative values count as 0, which has no entry of its own
    EXPECT_EQ(textOfRef(r), "gear no.0");
}

TEST(NumericDataRefTest, UnitNameReferenceAndDataText) {
    Data d(&Metric_kPa, nullptr, 1);
    UnitNameDataRef units(&d);
    EXPECT_EQ(textOfRef(units), "kPa");
    DataRef plain(&d);
    EXPECT_EQ(textOfRef(plain), "");
}

TEST(NumericDataRefTest, RegistrationCanWaitForTheFirstWrite) {
    struct Counter : Notifiable {
        int calls = 0;
        void notify(NotificationEvent, Data*) override { ++calls; }
    } widget;
    Data d;
    {
        NumericDataRef r(&d, &widget);
        EXPECT_TRUE(r.pendingRegistration);
        d.setValue(1);
        EXPECT_EQ(widget.calls, 0);
        r.setValue(2);
        EXPECT_FALSE(r.pendingRegistration);
        EXPECT_EQ(widget.calls, 1);
        d.setValue(3);
        EXPECT_EQ(widget.calls, 2);

        Data other;
        r.reassign(&other, 2, -128);
        EXPECT_EQ(r.metricDecimals, 2);
        EXPECT_EQ(widget.calls, 3); // woken to redraw
        d.setValue(4);
        EXPECT_EQ(widget.calls, 3);
        other.setValue(4);
        EXPECT_EQ(widget.calls, 4);
        r.reassign(&d);
        EXPECT_EQ(widget.calls, 5);
        other.setValue(5); // deregistered from the data it left
        EXPECT_EQ(widget.calls, 5);
    }
    d.setValue(5); // the reference deregistered when it went
    EXPECT_EQ(widget.calls, 5);
}

TEST(DigitEntryTest, AddAndDropDigits) {
    const struct {
        double from;
        int decimals, digit;
        double to;
    } adds[] = {{0, 0, 1, 1},        {1, 0, 2, 12},   {12, 1, 5, 12.5},
                {12.5, 2, 3, 12.53}, {-1, 0, 2, -12}, // a negative number grows in magnitude
                {5, -1, 3, 80}};
    for (auto& a : adds) {
        double v = a.from;
        addDigit(v, a.decimals, a.digit);
        EXPECT_NEAR(v, a.to, 1e-12) << a.from << " " << a.digit;
    }
    const struct {
        double from;
        int decimals;
        double to;
    } drops[] = {{1.25, 2, 1.2}, {125, 0, 12}, {550, -1, 50}, {-12.3, 2, -12.3}, {-125, 0, -12}};
    for (auto& d : drops) {
        double v = d.from;
        dropDigit(v, d.decimals);
        EXPECT_NEAR(v, d.to, 1e-12) << d.from;
    }
}
} // namespace
