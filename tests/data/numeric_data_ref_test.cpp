// Numbers as shown and edited: formatting (rounding, signs, padding, negative decimals, the
// digit limit), numeric references ("n/a", units names, decimals per unit system, value
// texts), the digit entry helpers and edit sessions through a temporary reference
// (tentative values, commit and revert, ESC on leaving, unit system changes).
#include <gtest/gtest.h>

#include <cmath>

#include "data/data_ref.h"
#include "data/number_format.h"
#include "data/temporary_data_ref.h"
#include "data/units.h"
#include "tests/text/text_test_support.h"
#include "text/vocabulary.h"

namespace {
// A widget that counts its redraws.
struct Counter : Notifiable {
    int calls = 0;
    void notify(NotificationEvent, Data*) override { ++calls; }
};

std::string fmt(double v, int decimals, int pad = 0, int digits = 0) {
    char buf[NumberTextSize];
    int n = formatNumber(buf, v, decimals, pad, digits);
    EXPECT_EQ(n, static_cast<int>(std::string(buf).size()));
    return buf;
}

TEST(NumberFormatTest, RoundsHalvesAwayFromZeroAndKeepsSmallNegativesSigns) {
    EXPECT_EQ(fmt(2.5, 0), "3");
    EXPECT_EQ(fmt(-2.5, 0), "-3");
    // Values between -1 and 0 keep their sign.
    EXPECT_EQ(fmt(-0.5, 1), "-0.5");
    EXPECT_EQ(fmt(-0.04, 1), "0.0");      // rounds to zero: no sign
    EXPECT_EQ(fmt(-0.5, 1, 4), "-000.5"); // the width counts the sign, as for -12.5: "-012.5"
}

TEST(NumberFormatTest, PaddingNegativeDecimalsThePointAndLimits) {
    EXPECT_EQ(fmt(1250, -2), "1300");
    EXPECT_EQ(fmt(5, DecimalsIntegerWithPoint), "5.");
    // The digit limit applies from above only.
    EXPECT_EQ(fmt(12345, 0, 0, 3), "999");
    EXPECT_EQ(fmt(-12345, 0, 0, 3), "-12345");
    EXPECT_EQ(fmt(3e9, 0), "2147483647");
    // Extremes stay within the buffer.
    EXPECT_LT(fmt(-1e300, 9, 20).size(), static_cast<size_t>(NumberTextSize));
    EXPECT_LT(fmt(-HUGE_VAL, -9, 20).size(), static_cast<size_t>(NumberTextSize));
    EXPECT_EQ(fmt(NAN, 2), "0.00");
    EXPECT_EQ(fmt(1.5, 12), "1.500000000"); // at most nine decimals
    EXPECT_EQ(fmt(1.25, 8), "1.25000000");
    EXPECT_EQ(fmt(123456789, 0, 0, 8), "99999999");
}

std::string textOfRef(DataRef& r, unsigned char variant = 0) {
    unsigned char buf[DataTextBufferSize];
    return bytesOf(r.getText(variant, buf).text);
}

TEST(NumericDataRefTest, NotAvailableUnitsNamesAndThePlainReference) {
    Data d(&Metric_kg, nullptr, 12.5, false);
    NumericDataRef r(&d, nullptr, 1, 1, 0, 1);
    EXPECT_EQ(textOfRef(r), "n/a");
    d.setValue(12.5);
    EXPECT_EQ(textOfRef(r), "12.5 kg"); // the units name after one blank
    Data p(&Metric_kPa, nullptr, 1);
    UnitNameDataRef units(&p);
    EXPECT_EQ(textOfRef(units), "kPa");
}

TEST(NumericDataRefTest, DecimalsFollowTheUnitSystemOfTheUnits) {
    Data distance(&Metric_m, nullptr, 1609.347);
    UnitizedData view(&distance, &Metric_km, &Imperial_mile);
    NumericDataRef r(&view, nullptr, 3, 1, 0, 1);
    EXPECT_EQ(textOfRef(r), "1.609 kilometers");
    CurrentUnitSystem = ImperialSystem;
    EXPECT_EQ(textOfRef(r), "1.0 miles");
    CurrentUnitSystem = MetricSystem;
}

TEST(NumericDataRefTest, ValueTextTemplates) {
    initVocabularyWith("[Languages]\nEnglish\nFrancais\n[Strings]\n"
                       "$Gear$.1 :English \"first\";\n"
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
    gear.setValue(3); // no entry: the expander fills the generic text
    EXPECT_EQ(textOfRef(r), "gear no.3");
    gear.setValue(7); // refused by the expander
    EXPECT_EQ(textOfRef(r), "Gear::7");
}

TEST(NumericDataRefTest, RegistrationCanWaitForTheFirstWrite) {
    Counter widget;
    Data d, other;
    {
        NumericDataRef r(&d, &widget);
        d.setValue(1);
        EXPECT_EQ(widget.calls, 0);
        r.setValue(2); // registers
        d.setValue(3);
        EXPECT_EQ(widget.calls, 2);
        r.reassign(&other, 2, -128); // moves and wakes the widget to redraw
        EXPECT_EQ(r.metricDecimals, 2);
        d.setValue(4);
        other.setValue(4);
        EXPECT_EQ(widget.calls, 4);
        r.reassign(&d);
        other.setValue(5); // deregistered from the data it left
        EXPECT_EQ(widget.calls, 5);
    }
    d.setValue(5); // the reference deregistered when it went
    EXPECT_EQ(widget.calls, 5);
    NumericDataRef empty(nullptr); // no data yet: a party comes and goes without one
    empty.registerInterest(&widget);
    empty.deregisterInterest();
    EXPECT_EQ(widget.calls, 5);
}

TEST(DigitEntryTest, AddAndDropDigits) {
    auto added = [](double v, int decimals, int digit) {
        addDigit(v, decimals, digit);
        return v;
    };
    auto dropped = [](double v, int decimals) {
        dropDigit(v, decimals);
        return v;
    };
    EXPECT_NEAR(added(12.5, 2, 3), 12.53, 1e-12);
    EXPECT_NEAR(added(-1, 0, 2), -12, 1e-12);
    EXPECT_NEAR(added(5, -1, 3), 80, 1e-12);
    EXPECT_NEAR(dropped(1.25, 2), 1.2, 1e-12);
    EXPECT_NEAR(dropped(-125, 0), -12, 1e-12);
}

// Closing the edit on leaving the box is driven from the number edit box's tests.
TEST(TemporaryDataRefTest, CommitOnOkKeepsATentativeValueThatWidgetsShow) {
    Data d(&NoUnits, nullptr, 10);
    NumericDataRef target(&d, nullptr, 1, 1);
    Counter widget;
    d.registerInterest(&widget);
    TemporaryDataRef edit(&target, nullptr, CommitOnOk | RestoreOnCancel);
    edit.onFocus();
    EXPECT_FALSE(edit.passThrough);
    edit.setValue(12.5);
    EXPECT_EQ(d.getValue(), 10);
    EXPECT_EQ(widget.calls, 1); // widgets redraw with the tentative value
    unsigned char buf[DataTextBufferSize];
    EXPECT_EQ(bytesOf(edit.getText(0, buf).text), "12.5");
    edit.onDialogClose(CLOSEYES);
    EXPECT_EQ(widget.calls, 2); // the commit tells the data's parties
    EXPECT_TRUE(edit.passThrough);
    EXPECT_FALSE(edit.editOpen);
    // Cancelled, the next edit leaves the data as it was: nothing written, nobody told.
    edit.onFocus();
    edit.setValue(20);
    edit.onDialogClose(CLOSENO);
    EXPECT_EQ(std::tuple(d.getValue(), widget.calls), std::tuple(12.5, 3));
}

TEST(TemporaryDataRefTest, CancelRestoresTheOriginalValue) {
    Data d(&NoUnits, nullptr, 3);
    NumericDataRef target(&d);
    TemporaryDataRef live(&target, nullptr, RestoreOnCancel);
    live.onFocus();
    EXPECT_TRUE(live.passThrough); // without commit the edits go straight to the data
    live.setValue(4);
    EXPECT_EQ(d.getValue(), 4);
    live.onDialogClose(CLOSENO);
    EXPECT_EQ(d.getValue(), 3);
}

TEST(TemporaryDataRefTest, EscOnLeavingRevertsToTheValueAtFocus) {
    Data d(&NoUnits, nullptr, 1);
    NumericDataRef target(&d);
    TemporaryDataRef edit(&target, nullptr, CommitOnOk | RevertOnEsc);
    edit.onFocus();
    edit.setValue(2);
    edit.onDefocus(ENTER);
    edit.onFocus(); // the session stays open; the value at focus is the tentative one
    edit.setValue(3);
    edit.onDefocus(ESC);
    EXPECT_EQ(edit.getValue(), 2);
    edit.onDialogClose(CLOSEYES);
    EXPECT_EQ(d.getValue(), 2);
}

TEST(TemporaryDataRefTest, UnitSystemChangeDuringAnEditConvertsTheStoredValues) {
    Data length(&Metric_m, nullptr, 1000);
    UnitizedData view(&length, &Metric_km, &Imperial_mile);
    NumericDataRef target(&view, nullptr, 3, 3);
    TemporaryDataRef edit(&target, nullptr, CommitOnOk | RestoreOnCancel);
    ASSERT_TRUE(edit.conversion);
    edit.onFocus();
    EXPECT_DOUBLE_EQ(edit.getValue(), 1.0); // km
    edit.setValue(2.0);
    CurrentUnitSystem = ImperialSystem;
    EXPECT_NEAR(edit.getValue(), 1.2427, 1e-4); // the tentative 2 km, now in miles
    EXPECT_NEAR(edit.originalValue, 0.62137, 1e-4);
    edit.onDialogClose(CLOSEYES);
    EXPECT_NEAR(length.getValue(), 2000, 1e-6);
}

} // namespace
