// The timer queue: ordering, cancellation, periodic re-arming and the 2^31 ms wrap.
#include <vector>

#include "core/delayed_callback.h"
#include "platform/host/host_clock.h"
#include "tests/support/virtual_time.h"

namespace {
std::vector<DelayedCallbackListNode*> fired;
std::vector<uint32_t> firedAt;
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
    DelayedCallbackListNode a{0, record}, b{0, record}, c{0, record};
};

TEST_F(DelayedCallbackTest, FiresInDueOrderAndEqualTimesInSchedulingOrder) {
    scheduleDelayedCallback(&a, 50);
    scheduleDelayedCallback(&b, 20);
    scheduleDelayedCallback(&c, 50);
    DelayedCallbackListNode d{0, record};
    scheduleDelayedCallback(&d, 50);
    runFor(100);
    EXPECT_EQ(fired, (std::vector<DelayedCallbackListNode*>{&b, &a, &c, &d}));
    EXPECT_EQ(firedAt[0], 1020u);
    EXPECT_EQ(firedAt[1], 1050u);
    EXPECT_FALSE(isCallbackOnQueue(&a));
    EXPECT_EQ(DelayedCallbackList, nullptr);
}

TEST_F(DelayedCallbackTest, SchedulingAQueuedNodeKeepsItsDueTime) {
    scheduleDelayedCallback(&a, 100);
    scheduleDelayedCallback(&a, 10);
    runFor(99);
    EXPECT_TRUE(fired.empty());
    runFor(1);
    ASSERT_EQ(fired.size(), 1u);
    EXPECT_EQ(firedAt[0], 1100u);
}

TEST_F(DelayedCallbackTest, CancellingTheHeadMakesTheNextAbsolute) {
    scheduleDelayedCallback(&a, 100);
    scheduleDelayedCallback(&b, 150);
    EXPECT_EQ(b.dueTime, 50u); // stored as the difference to a
    EXPECT_TRUE(cancelDelayedCallback(&a));
    EXPECT_EQ(DelayedCallbackList, &b);
    EXPECT_EQ(b.dueTime, 1150u);
    EXPECT_EQ(a.dueTime, NotQueued);
    EXPECT_EQ(a.next, nullptr);
    runFor(200);
    EXPECT_EQ(fired, (std::vector<DelayedCallbackListNode*>{&b}));
    EXPECT_EQ(firedAt[0], 1150u);
}

TEST_F(DelayedCallbackTest, CancellingAMiddleNodeKeepsLaterTimes) {
    scheduleDelayedCallback(&a, 10);
    scheduleDelayedCallback(&b, 20);
    scheduleDelayedCallback(&c, 35);
    EXPECT_TRUE(cancelDelayedCallback(&b));
    runFor(50);
    EXPECT_EQ(firedAt, (std::vector<uint32_t>{1010, 1035}));
}

TEST_F(DelayedCallbackTest, CancellingAnUnqueuedNodeChangesNothing) {
    scheduleDelayedCallback(&a, 10);
    EXPECT_FALSE(cancelDelayedCallback(&b));
    EXPECT_FALSE(cancelDelayedCallback(nullptr));
    EXPECT_EQ(DelayedCallbackList, &a);
    EXPECT_EQ(a.dueTime, 1010u);
    EXPECT_FALSE(isCallbackOnQueue(nullptr));
}

TEST_F(DelayedCallbackTest, NextDelayedCallbackWalksInDueOrder) {
    scheduleDelayedCallback(&a, 30);
    scheduleDelayedCallback(&b, 10);
    scheduleDelayedCallback(&c, 20);
    std::vector<DelayedCallbackListNode*> walk;
    for (DelayedCallbackListNode* n = nextDelayedCallback(nullptr); n; n = nextDelayedCallback(n))
        walk.push_back(n);
    EXPECT_EQ(walk, (std::vector<DelayedCallbackListNode*>{&b, &c, &a}));
}

TEST_F(DelayedCallbackTest, LatePeriodicNodeReArmsFromThePass) {
    DelayedCallbackListNode p{1000, record};
    scheduleDelayedCallback(&p, 1000);
    jumpAndCheck(1030); // the pass comes 30 ms late
    ASSERT_EQ(fired.size(), 1u);
    EXPECT_TRUE(isCallbackOnQueue(&p));
    runFor(999);
    EXPECT_EQ(fired.size(), 1u);
    runFor(1);
    EXPECT_EQ(fired.size(), 2u);
    EXPECT_EQ(firedAt[1], 1000u + 1030u + 1000u);
    cancelDelayedCallback(&p);
}

// A callback may cancel its own periodic node; a one-shot may reschedule itself, and a
// delay of 0 fires within the same pass.
namespace {
DelayedCallbackListNode* selfNode;
int selfCount;
void cancelSelf(DelayedCallbackListNode* n) {
    ++selfCount;
    cancelDelayedCallback(n);
}
void rescheduleSelfOnce(DelayedCallbackListNode* n) {
    if (++selfCount == 1) scheduleDelayedCallback(n, 0);
}
void rearmPeriodic(DelayedCallbackListNode* n) {
    ++selfCount;
    scheduleDelayedCallback(n, 1); // ignored: it is already queued again
}
} // namespace

TEST_F(DelayedCallbackTest, CallbacksControlTheirOwnNodes) {
    selfCount = 0;
    DelayedCallbackListNode p{100, cancelSelf};
    scheduleDelayedCallback(&p, 100);
    runFor(500);
    EXPECT_EQ(selfCount, 1);
    EXPECT_FALSE(isCallbackOnQueue(&p));

    selfCount = 0;
    DelayedCallbackListNode o{0, rescheduleSelfOnce};
    scheduleDelayedCallback(&o, 5);
    jumpAndCheck(5);
    EXPECT_EQ(selfCount, 2); // both firings in one pass
    EXPECT_FALSE(isCallbackOnQueue(&o));

    selfCount = 0;
    DelayedCallbackListNode r{100, rearmPeriodic};
    selfNode = &r;
    scheduleDelayedCallback(&r, 100);
    runFor(100);
    runFor(99);
    EXPECT_EQ(selfCount, 1); // the 1 ms re-arm inside the callback did not take
    runFor(1);
    EXPECT_EQ(selfCount, 2);
    cancelDelayedCallback(&r);
}

TEST_F(DelayedCallbackTest, DueTimeBeforeTheWrapIsDueAfterIt) {
    startVirtualClock(0x7FFFFFFFu - 20);
    scheduleDelayedCallback(&a, 10); // due 10 ms before the clock wraps
    jumpAndCheck(25);                // the clock reads 4 after wrapping
    EXPECT_EQ(nowMs(), 4u);
    EXPECT_EQ(fired, (std::vector<DelayedCallbackListNode*>{&a}));
}

TEST_F(DelayedCallbackTest, TimersAcrossTheWrapKeepTheirOrderAndDelays) {
    startVirtualClock(0x7FFFFFFFu - 100);
    scheduleDelayedCallback(&a, 150); // due 49 after the wrap
    runFor(120);                      // now 19 after the wrap
    scheduleDelayedCallback(&b, 10);  // due 29: before a
    scheduleDelayedCallback(&c, 40);  // due 59: after a
    runFor(100);
    EXPECT_EQ(fired, (std::vector<DelayedCallbackListNode*>{&b, &a, &c}));
    EXPECT_EQ(firedAt, (std::vector<uint32_t>{29, 49, 59}));
}

TEST_F(DelayedCallbackTest, NotDueBeforeItsTime) {
    EXPECT_TRUE(isDue(100, 100));
    EXPECT_TRUE(isDue(100, 99));
    EXPECT_FALSE(isDue(100, 101));
    EXPECT_TRUE(isDue(5, 0x7FFFFFF0u));  // due before the wrap, checked after it
    EXPECT_FALSE(isDue(0x7FFFFFF0u, 5)); // due after the wrap, checked before it
    scheduleDelayedCallback(&a, 30);
    EXPECT_EQ(msUntilNextDelayedCallback(), 30);
    jumpAndCheck(40);
    EXPECT_EQ(msUntilNextDelayedCallback(), -1);
    // Overdue and not yet fired (a late pass): due now, not in the far future.
    scheduleDelayedCallback(&a, 5);
    hostClockAdvanceMs(9);
    EXPECT_EQ(msUntilNextDelayedCallback(), 0);
}
} // namespace
