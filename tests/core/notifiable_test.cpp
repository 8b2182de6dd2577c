// Notifications: lists of parties, delayed notifications and their cancellation.
#include <vector>

#include "core/notifiable.h"
#include "tests/support/virtual_time.h"

namespace {
struct Received {
    Notifiable* who;
    NotificationEvent event;
    uint32_t at;
};
std::vector<Received> received;

class Recorder : public Notifiable {
public:
    void notify(NotificationEvent e, Data*) override { received.push_back({this, e, getMsTime()}); }
};

class NotifiableTest : public VirtualTimeTest {
protected:
    void SetUp() override {
        VirtualTimeTest::SetUp();
        received.clear();
    }
    Recorder r, other;
};

TEST_F(NotifiableTest, ZeroDelayDeliversAtOnceOtherDelaysInALaterPass) {
    r.delayedNotify(TimerEvent, 0);
    ASSERT_EQ(received.size(), 1u);
    r.delayedNotify(WakeUpEvent, 1);
    checkForDelayedCallbacks();
    EXPECT_EQ(received.size(), 1u);
    runFor(1);
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[1].event, WakeUpEvent);
    EXPECT_EQ(received[1].at, 1001u);
}

TEST_F(NotifiableTest, CancelTakesTheEarliestMatchOneAtATime) {
    r.delayedNotify(TimerEvent, 200);
    r.delayedNotify(TimerEvent, 100);
    other.delayedNotify(TimerEvent, 50);
    r.delayedNotify(WakeUpEvent, 150);
    EXPECT_TRUE(r.cancelDelayedNotify(TimerEvent)); // the one due at 100
    runFor(160);
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].who, &other);
    EXPECT_EQ(received[1].event, WakeUpEvent);
    EXPECT_TRUE(r.cancelDelayedNotify(TimerEvent)); // the one due at 200
    EXPECT_FALSE(r.cancelDelayedNotify(TimerEvent));
    // AnyEvent cancels the earliest whatever its event.
    r.delayedNotify(TimerEvent, 300);
    r.delayedNotify(WakeUpEvent, 100);
    EXPECT_TRUE(r.cancelDelayedNotify(AnyEvent));
    runFor(500);
    ASSERT_EQ(received.size(), 3u);
    EXPECT_EQ(received[2].event, TimerEvent);
    EXPECT_FALSE(r.cancelDelayedNotify(AnyEvent));
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

TEST_F(NotifiableTest, OptionalDelayChoosesImmediateOrDeferredDelivery) {
    struct Deferred : NotifiableWithOptionalDelay {
        int count = 0;
        void notify(NotificationEvent, Data*) override { ++count; }
    } d;
    d.conditionalDelayedNotify(MsgReceivedEvent);
    EXPECT_EQ(d.count, 1);
    d.delay = 20;
    d.conditionalDelayedNotify(MsgReceivedEvent);
    EXPECT_EQ(d.count, 1);
    runFor(20);
    EXPECT_EQ(d.count, 2);
}

TEST(NotifiableListTest, LatestFirstSafeRemovalAndRecycledNodes) {
    Recorder a, b, c;
    NotifiableListNode* first;
    {
        NotifiableList list;
        list.addNotifiable(&a);
        list.addNotifiable(&b);
        EXPECT_EQ(list.head->party, &b);
        EXPECT_EQ(list.findNode(&a), list.head->next);
        list.removeNotifiable(&c); // not in the list
        list.removeNotifiable(nullptr);
        NotifiableListNode foreign;
        list.removeNode(&foreign);
        EXPECT_EQ(list.findNode(nullptr), nullptr);
        list.removeNotifiable(&b);
        EXPECT_EQ(list.head->party, &a);
        EXPECT_EQ(list.head->next, nullptr);
        first = list.head;
    } // the destructor returns every node
    EXPECT_EQ(NotifiableListNode::freeList, first);
    NotifiableList again;
    again.addNotifiable(&c);
    EXPECT_EQ(again.head, first);
}
} // namespace
