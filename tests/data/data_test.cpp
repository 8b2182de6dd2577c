// Data values: when they notify, validity, the view in the current unit system and text
// values.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "data/data.h"
#include "data/data_ref.h"
#include "data/units.h"

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
    EXPECT_EQ(r.got[0].first, DataChangedEvent);
    EXPECT_EQ(r.got[0].second, &d);
    d.setValue(6, false);
    EXPECT_EQ(r.got.size(), 1u);
    EXPECT_EQ(d.getValue(), 6);

    d.setInvalid();
    EXPECT_EQ(r.got.size(), 2u);
    EXPECT_FALSE(d.isValid());
    EXPECT_EQ(d.value, 0);
    d.setInvalid(); // already invalid: nothing
    EXPECT_EQ(r.got.size(), 2u);
    d.setValue(0); // becoming valid again notifies even with the same value
    EXPECT_EQ(r.got.size(), 3u);
    EXPECT_TRUE(d.isValid());
    d._setValue_(0, true);
    EXPECT_EQ(r.got.size(), 4u);

    d.deregisterInterest(&r);
    d.setValue(7);
    EXPECT_EQ(r.got.size(), 4u);
}

TEST(DataTest, PartiesAreToldNewestFirstAndMayLeaveWhileTold) {
    Data d;
    std::vector<int> order;
    struct Leaver : Notifiable {
        Data* data;
        std::vector<int>* order;
        int id;
        Leaver(Data* d, std::vector<int>* o, int i) : data(d), order(o), id(i) {}
        void notify(NotificationEvent, Data*) override {
            order->push_back(id);
            data->deregisterInterest(this);
        }
    } a(&d, &order, 1), b(&d, &order, 2);
    d.registerInterest(&a);
    d.registerInterest(&b);
    d.setValue(1);
    d.setValue(2);
    EXPECT_EQ(order, (std::vector<int>{2, 1}));
}

// Conversions through a view are checked with the references that show them.
TEST(DataTest, UnitizedViewFallsBackToMetricAndPassesValidityThrough) {
    Data distance(&Metric_m, nullptr, 1609.347);
    UnitizedData view(&distance, &Metric_km, &Imperial_mile);
    UnitizedData plain(&distance, nullptr, nullptr), metricOnly(&distance, &Metric_cm);
    CurrentUnitSystem = ImperialSystem;
    EXPECT_EQ(view.getUnits(), &Imperial_mile);
    EXPECT_EQ(plain.getUnits(), &NoUnits);
    EXPECT_EQ(metricOnly.getUnits(), &Metric_cm);
    EXPECT_NEAR(metricOnly.getValue(), 160934.7, 1e-6);
    view.setInvalid();
    EXPECT_FALSE(distance.isValid());
}

TEST(DataTest, ReassigningAViewMovesTheWidgetsThatShowIt) {
    struct Widget : NotifiableWithDataRef {
        int calls = 0;
        explicit Widget(DataRef* r) : NotifiableWithDataRef(r) {}
        void notify(NotificationEvent, Data*) override { ++calls; }
    };
    Data first(&Metric_m), second(&Metric_m);
    UnitizedData view(&first, &Metric_m);
    NumericDataRef throughView(&view);
    NumericDataRef direct(&first);
    Widget viaView(&throughView), other(&direct);
    first.registerInterest(&viaView);
    first.registerInterest(&other);

    view.reassign(&second);
    EXPECT_EQ(view.data, &second);
    EXPECT_EQ(viaView.calls, 1); // the new data announced itself
    EXPECT_EQ(other.calls, 0);
    first.setValue(3);
    EXPECT_EQ(viaView.calls, 1);
    EXPECT_EQ(other.calls, 1);
    second.setValue(4);
    EXPECT_EQ(viaView.calls, 2);
    EXPECT_EQ(other.calls, 1);
}

TEST(DataTest, TextValuesKeepWholeCharactersWithinTheirCapacity) {
    TextData t(6);
    Recorder r;
    t.registerInterest(&r);
    const unsigned char abc[] = "abc";
    t.setTextValue(abc);
    EXPECT_STREQ(reinterpret_cast<const char*>(t.getText()), "abc");
    EXPECT_EQ(r.got.size(), 1u);
    t.setTextValue(abc);
    EXPECT_EQ(r.got.size(), 1u);
    t.setTextValue(abc, true, true);
    EXPECT_EQ(r.got.size(), 2u);
    const unsigned char wide[] = {'a', 'b', 'c', 'd', 255, 1, 0, 0};
    t.setTextValue(wide); // the wide character does not fit in what is left
    EXPECT_STREQ(reinterpret_cast<const char*>(t.getText()), "abcd");
    unsigned char buf[8] = {1};
    EXPECT_EQ(t.getValue(buf), 0.0);
    EXPECT_EQ(buf[0], 0);
}
} // namespace
