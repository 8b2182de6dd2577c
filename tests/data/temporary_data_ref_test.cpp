// Edit sessions through a temporary reference: tentative values, commit and revert when
// the dialog closes, ESC on leaving the widget, and unit system changes during an edit.
#include <gtest/gtest.h>

#include <string>

#include "data/temporary_data_ref.h"
#include "data/units.h"
#include "tests/text/text_test_support.h"

namespace {
struct Counter : Notifiable {
    int calls = 0;
    void notify(NotificationEvent, Data*) override { ++calls; }
};

// Committing through the dialog is also driven from the number edit box's tests.
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
    EXPECT_TRUE(edit.passThrough);
    EXPECT_FALSE(edit.editOpen);
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

    TemporaryDataRef keep(&target, nullptr, CommitOnOk);
    keep.onFocus();
    keep.setValue(9);
    keep.onDialogClose(CLOSENO); // no restore bit: the tentative value is simply dropped
    EXPECT_EQ(d.getValue(), 3);
    keep.onDialogClose(CLOSEYES); // the session is closed: nothing more happens
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

TEST(TemporaryDataRefTest, CloseOnDefocusEndsTheEditAsOkOrCancel) {
    Data d(&NoUnits, nullptr, 1);
    NumericDataRef target(&d);
    TemporaryDataRef edit(&target, nullptr, CommitOnOk | CloseOnDefocus | RestoreOnCancel);
    edit.onFocus();
    edit.setValue(5);
    edit.onDefocus(ENTER);
    EXPECT_EQ(d.getValue(), 5);
    EXPECT_FALSE(edit.editOpen);
    edit.onFocus();
    edit.setValue(6);
    edit.onDefocus(ESC);
    EXPECT_EQ(d.getValue(), 5);
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
