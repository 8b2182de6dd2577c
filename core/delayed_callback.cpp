// Delta-list timer queue. The head holds an absolute 31-bit due time, every other node the
// difference to its predecessor, so checking costs one comparison when nothing is due.
#include "core/delayed_callback.h"

#include "platform/timer.h"

DelayedCallbackListNode* DelayedCallbackList = nullptr;
IO_EventCallback _IOcallback_ = nullptr;

uint32_t getMsTime() {
    return getHighResTime() >> 1;
}

bool isDue(uint32_t now, uint32_t dueTime) {
    return ((now - dueTime) & MsClockMask) <= 0x3FFFFFFFu;
}

// Signed distance from now to a 31-bit due time: negative when it has passed.
static int32_t untilDue(uint32_t now, uint32_t dueTime) {
    uint32_t d = (dueTime - now) & MsClockMask;
    // d - 2^31 for a passed time, computed without signed overflow.
    return d > 0x3FFFFFFFu ? -static_cast<int32_t>(0x80000000u - d) : static_cast<int32_t>(d);
}

bool isCallbackOnQueue(const DelayedCallbackListNode* node) {
    return node != nullptr && node->dueTime != NotQueued;
}

void scheduleDelayedCallback(DelayedCallbackListNode* node, uint32_t delayMs) {
    if (node == nullptr || isCallbackOnQueue(node)) return;
    // Delays of 2^30 ms and more would read as overdue on the 31-bit clock.
    if (delayMs > 0x3FFFFFFFu) delayMs = 0x3FFFFFFFu;
    uint32_t now = getMsTime();
    uint32_t t = (now + delayMs) & MsClockMask;
    DelayedCallbackListNode* head = DelayedCallbackList;
    if (head == nullptr) {
        node->next = nullptr;
        node->dueTime = t;
        DelayedCallbackList = node;
        return;
    }
    // Order by distance from now rather than by raw value, so insertion stays right when
    // the clock wraps past 2^31 ms.
    if (static_cast<int32_t>(delayMs) >= untilDue(now, head->dueTime)) {
        uint32_t delta = (t - head->dueTime) & MsClockMask;
        DelayedCallbackListNode* cur = head;
        while (cur->next != nullptr && delta >= cur->next->dueTime) {
            delta -= cur->next->dueTime;
            cur = cur->next;
        }
        node->next = cur->next;
        node->dueTime = delta;
        cur->next = node;
        if (node->next != nullptr) node->next->dueTime -= delta;
    } else {
        head->dueTime = (head->dueTime - t) & MsClockMask;
        node->next = head;
        node->dueTime = t;
        DelayedCallbackList = node;
    }
}

bool cancelDelayedCallback(DelayedCallbackListNode* node) {
    if (!isCallbackOnQueue(node)) return false;
    bool found = false;
    if (node == DelayedCallbackList) {
        DelayedCallbackList = node->next;
        if (node->next != nullptr)
            node->next->dueTime = (node->next->dueTime + node->dueTime) & MsClockMask;
        found = true;
    } else {
        for (DelayedCallbackListNode* p = DelayedCallbackList; p != nullptr; p = p->next) {
            if (p->next == node) {
                p->next = node->next;
                if (node->next != nullptr) node->next->dueTime += node->dueTime;
                found = true;
                break;
            }
        }
    }
    node->dueTime = NotQueued;
    node->next = nullptr;
    return found;
}

DelayedCallbackListNode* nextDelayedCallback(DelayedCallbackListNode* node) {
    return node == nullptr ? DelayedCallbackList : node->next;
}

int checkForDelayedCallbacks() {
    uint32_t now = getMsTime();
    int fired = 0;
    while (DelayedCallbackList != nullptr && isDue(now, DelayedCallbackList->dueTime)) {
        DelayedCallbackListNode* node = DelayedCallbackList;
        DelayedCallbackList = node->next;
        if (node->next != nullptr)
            node->next->dueTime = (node->next->dueTime + node->dueTime) & MsClockMask;
        node->next = nullptr;
        node->dueTime = NotQueued;
        // Re-armed from the present reading, before the callback, so a late pass shifts
        // later firings and the callback may cancel (but not re-arm) its own node.
        if (node->period != 0) scheduleDelayedCallback(node, node->period);
        ++fired;
        if (node->callback != nullptr) node->callback(node);
    }
    return fired;
}

long msUntilNextDelayedCallback() {
    if (DelayedCallbackList == nullptr) return -1;
    int32_t d = untilDue(getMsTime(), DelayedCallbackList->dueTime);
    return d < 0 ? 0 : d;
}

void setIO_EventCallback(IO_EventCallback cb) {
    _IOcallback_ = cb;
}
