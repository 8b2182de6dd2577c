// The one timer queue of the system: a delta list of caller-owned nodes, checked once per
// main-loop pass. Nothing here allocates.
#pragma once

#include <cstdint>

struct DelayedCallbackListNode;
typedef void (*DelayedCallback)(DelayedCallbackListNode*);

constexpr uint32_t NotQueued = 0xFFFFFFFFu;
constexpr uint32_t MsClockMask = 0x7FFFFFFFu;

struct DelayedCallbackListNode {
    // Head: absolute due time (31-bit ms clock); others: ms after the predecessor.
    uint32_t dueTime = NotQueued;
    uint32_t period = 0; // 0 = one-shot
    DelayedCallback callback = nullptr;
    uint32_t data = 0;
    DelayedCallbackListNode* next = nullptr;

    DelayedCallbackListNode() = default;
    DelayedCallbackListNode(uint32_t periodMs, DelayedCallback cb, uint32_t dataWord = 0)
        : period(periodMs), callback(cb), data(dataWord) {}
};

extern DelayedCallbackListNode* DelayedCallbackList;

// The millisecond clock: the platform's half-millisecond count shifted right by one.
uint32_t getMsTime();
// True when the 31-bit due time has come at clock reading now (wrap-safe).
bool isDue(uint32_t now, uint32_t dueTime);

bool isCallbackOnQueue(const DelayedCallbackListNode* node);
void scheduleDelayedCallback(DelayedCallbackListNode* node, uint32_t delayMs);
bool cancelDelayedCallback(DelayedCallbackListNode* node);
DelayedCallbackListNode* nextDelayedCallback(DelayedCallbackListNode* node);
// Fires every due node; returns how many fired (the host uses it to tell an idle pass).
int checkForDelayedCallbacks();
// Milliseconds until the head is due (0 when due now), or -1 when the queue is empty.
long msUntilNextDelayedCallback();

typedef void (*IO_EventCallback)(unsigned char code);
void setIO_EventCallback(IO_EventCallback cb);
extern IO_EventCallback _IOcallback_;
