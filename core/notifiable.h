// The notification interface through which objects talk: event codes, the Notifiable base,
// lists of interested parties and delayed notifications from recycled nodes.
#pragma once

#include "core/delayed_callback.h"

class Data;
class DataRef;

typedef unsigned NotificationEvent;

enum : NotificationEvent {
    WakeUpEvent = 0,
    DataChangedEvent = 1,
    TimeSetEvent = 2,
    TimerEvent = 3,
    MsgReceivedEvent = 4,
    TPtxAckedEvent = 5,
    PktTransmittedEvent = 7,
    TPfailedEvent = 8,
    AcceptedEvent = 9,
    CancelledEvent = 10,
    TimeUpdateStartEvent = 11,
    TimeUpdateEndEvent = 12,
    TerminateRequestEvent = 13,
    ElapsedTimeEvent = 15,
    VolumeFeedbackOffEvent = 30,
    VolumeFeedbackOnEvent = 31,
    ClosedWithoutKeyEvent = 32,
    ColorCodeEvent = 33,
    AnyEvent = 127,
    IOevent0 = 128,
    IOevent15 = 143,
};

class Notifiable {
public:
    virtual void notify(NotificationEvent event, Data* data) = 0;
    virtual void conditionalDelayedNotify(NotificationEvent event) { notify(event, nullptr); }
    virtual ~Notifiable() = default;

    // delayMs 0 delivers during the call; otherwise one more pending notification.
    void delayedNotify(NotificationEvent event, uint32_t delayMs);
    // Cancels the earliest-due pending notification of this object with that event
    // (any event for AnyEvent); false when there was none.
    bool cancelDelayedNotify(NotificationEvent event);
};

class NotifiableWithOptionalDelay : public Notifiable {
public:
    uint32_t delay = 0;
    void conditionalDelayedNotify(NotificationEvent event) override { delayedNotify(event, delay); }
};

class NotifiableWithDataRef : public Notifiable {
public:
    explicit NotifiableWithDataRef(DataRef* ref) : dataRef(ref) {}
    DataRef* dataRef;
};

struct NotifiableListNode {
    Notifiable* party = nullptr;
    NotifiableListNode* next = nullptr;

    static NotifiableListNode* freeList;
    static NotifiableListNode* allocNode(Notifiable* party, NotifiableListNode* next);
    void freeNode();
};

class NotifiableList {
public:
    NotifiableListNode* head = nullptr;

    NotifiableList() = default;
    NotifiableList(const NotifiableList&) = delete;
    NotifiableList& operator=(const NotifiableList&) = delete;
    ~NotifiableList();

    void addNotifiable(Notifiable* p); // pushed at the front; no duplicate check
    void removeNotifiable(Notifiable* p) { removeNode(findNode(p)); }
    NotifiableListNode* findNode(Notifiable* p) const;
    void removeNode(NotifiableListNode* node);
    bool empty() const { return head == nullptr; }
};

struct DelayedNotificationListNode {
    DelayedCallbackListNode node;
    Notifiable* target = nullptr;
    NotificationEvent event = 0;
    DelayedNotificationListNode* freeLink = nullptr;

    DelayedNotificationListNode();
    static DelayedNotificationListNode* freeList;
    static DelayedNotificationListNode* allocNode(Notifiable* target, NotificationEvent event);
    void freeNode();
};

void DelayedNotificationCallback(DelayedCallbackListNode* node);
