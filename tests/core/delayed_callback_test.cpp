// The timer queue (ordering, cancellation, periodic re-arming, the 2^31 ms wrap) and the
// notifications built on it: lists of parties, delayed notifications and their cancellation.
#include "core/delayed_callback.h"
#include "core/notifiable.h"
#include "platform/host/host_clock.h"
#include "tests/support/virtual_time.h"

namespace {
using Nodes = std::vector<DelayedCallbackListNode*>;
using Times = std::vector<uint32_t>;
Nodes fired;
Times firedAt;
void record(DelayedCallbackListNode* n) {
    fired.push_back(n);
    firedAt.push_back(getMsTime());
}

class DelayedCallbackTest : public VirtualTimeTest {
protected:
    void SetUp() override {
        VirtualTimeTest::SetUp();
        fired.clear();
        firedAt.clear();
    }
    DelayedCallbackListNode a{0, record}, b{0, record}, c{0, record}, d{0, record};
};

TEST_F(DelayedCallbackTest, FiresInDueOrderAndEqualTimesInSchedulingOrder) {
    scheduleDelayedCallback(&a, 50);
    scheduleDelayedCallback(&b, 20);
    scheduleDelayedCallback(&c, 50);
    scheduleDelayedCallback(&d, 50);
    scheduleDelayedCallback(&a, 10); // already queued: keeps its due time
    runFor(49);
    EXPECT_EQ(fired, (Nodes{&b}));
    runFor(51);
    EXPECT_EQ(fired, (Nodes{&b, &a, &c, &d}));
    EXPECT_EQ(firedAt, (Times{1020, 1050, 1050, 1050}));
    EXPECT_EQ(DelayedCallbackList, nullptr);
}

TEST_F(DelayedCallbackTest, CancellingKeepsTheOtherNodesTimes) {
    scheduleDelayedCallback(&a, 100);
    scheduleDelayedCallback(&b, 150);
    scheduleDelayedCallback(&c, 170);
    scheduleDelayedCallback(&d, 120);
    EXPECT_TRUE(cancelDelayedCallback(&d));  // from the middle
    EXPECT_TRUE(cancelDelayedCallback(&a));  // the head: the next one becomes absolute
    EXPECT_FALSE(cancelDelayedCallback(&a)); // not queued: nothing changes
    EXPECT_FALSE(cancelDelayedCallback(nullptr));
    runFor(200);
    EXPECT_EQ(fired, (Nodes{&b, &c}));
    EXPECT_EQ(firedAt, (Times{1150, 1170}));
}

TEST_F(DelayedCallbackTest, TimersAcrossTheWrapKeepTheirOrderAndDelays) {
    startVirtualClock(0x7FFFFFFFu - 100);
    scheduleDelayedCallback(&d, 90);  // due 10 ms before the clock wraps
    scheduleDelayedCallback(&a, 150); // due 49 after the wrap
    jumpAndCheck(120);                // a late pass, 19 after the wrap: d is due, a is not
    EXPECT_EQ(fired, (Nodes{&d}));
    scheduleDelayedCallback(&b, 10); // due 29: before a
    scheduleDelayedCallback(&c, 40); // due 59: after a
    runFor(100);
    EXPECT_EQ(fired, (Nodes{&d, &b, &a, &c}));
    EXPECT_EQ(firedAt, (Times{19, 29, 49, 59}));
}

TEST_F(DelayedCallbackTest, NotDueBeforeItsTime) {
    EXPECT_TRUE(isDue(100, 100));
    EXPECT_FALSE(isDue(100, 101));
    EXPECT_TRUE(isDue(5, 0x7FFFFFF0u));  // due before the wrap, checked after it
    EXPECT_FALSE(isDue(0x7FFFFFF0u, 5)); // due after the wrap, checked before it
    // The virtual clock steps by the time to the next callback (every timer test); an
    // overdue one not yet fired (a late pass) is due now, not in the far future.
    scheduleDelayedCallback(&a, 5);
    hostClockAdvanceMs(9);
    EXPECT_EQ(msUntilNextDelayedCallback(), 0);
}
std::vector<NotificationEvent> received;

class Recorder : public Notifiable {
public:
    void notify(NotificationEvent e, Data*) override { received.push_back(e); }
};

class NotifiableTest : public VirtualTimeTest {
protected:
    void SetUp() override {
        VirtualTimeTest::SetUp();
        received.clear();
    }
    Recorder r;
};

// Cancelling by the target and by any event is pinned by the transport's tests.
TEST_F(NotifiableTest, CancelTakesTheEarliestMatchOfItsEventOneAtATime) {
    r.delayedNotify(TimerEvent, 200);
    r.delayedNotify(TimerEvent, 100);
    r.delayedNotify(WakeUpEvent, 50);
    EXPECT_TRUE(r.cancelDelayedNotify(TimerEvent)); // the one due at 100, not the wake-up
    runFor(160);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0], WakeUpEvent);
    EXPECT_TRUE(r.cancelDelayedNotify(TimerEvent)); // the one due at 200
    EXPECT_FALSE(r.cancelDelayedNotify(TimerEvent));
}

// A target that schedules again from inside notify gets the new notification.
class Repeater : public Notifiable {
public:
    int count = 0;
    void notify(NotificationEvent, Data*) override {
        if (++count < 3) delayedNotify(TimerEvent, 10);
    }
};

TEST_F(NotifiableTest, RescheduleFromInsideNotifyReusesTheFreedNode) {
    Repeater rep;
    rep.delayedNotify(TimerEvent, 10);
    auto* node = reinterpret_cast<DelayedNotificationListNode*>(DelayedCallbackList);
    runFor(100);
    EXPECT_EQ(rep.count, 3);
    // Every firing freed its node before the next request, so one node served all three.
    EXPECT_EQ(DelayedNotificationListNode::freeList, node);
    EXPECT_EQ(node->freeLink, nullptr);
}

} // namespace
