// Notification lists and delayed notifications. Nodes recycle through class-wide free
// lists and are never given back to the heap.
#include "core/notifiable.h"

NotifiableListNode* NotifiableListNode::freeList = nullptr;
DelayedNotificationListNode* DelayedNotificationListNode::freeList = nullptr;

NotifiableListNode* NotifiableListNode::allocNode(Notifiable* party, NotifiableListNode* next) {
    NotifiableListNode* n = freeList;
    if (n != nullptr)
        freeList = n->next;
    else
        n = new NotifiableListNode;
    n->party = party;
    n->next = next;
    return n;
}

void NotifiableListNode::freeNode() {
    party = nullptr;
    next = freeList;
    freeList = this;
}

NotifiableList::~NotifiableList() {
    while (head != nullptr)
        removeNode(head);
}

void NotifiableList::addNotifiable(Notifiable* p) {
    head = NotifiableListNode::allocNode(p, head);
}

NotifiableListNode* NotifiableList::findNode(Notifiable* p) const {
    if (p == nullptr) return nullptr;
    for (NotifiableListNode* n = head; n != nullptr; n = n->next)
        if (n->party == p) return n;
    return nullptr;
}

void NotifiableList::removeNode(NotifiableListNode* node) {
    if (node == nullptr) return;
    for (NotifiableListNode** link = &head; *link != nullptr; link = &(*link)->next) {
        if (*link == node) {
            *link = node->next;
            node->freeNode();
            return;
        }
    }
}

DelayedNotificationListNode::DelayedNotificationListNode() : node(0, DelayedNotificationCallback) {}

DelayedNotificationListNode* DelayedNotificationListNode::allocNode(Notifiable* target,
                                                                    NotificationEvent event) {
    DelayedNotificationListNode* n = freeList;
    if (n != nullptr)
        freeList = n->freeLink;
    else
        n = new DelayedNotificationListNode;
    n->node.dueTime = NotQueued;
    n->freeLink = nullptr;
    n->target = target;
    n->event = event;
    return n;
}

void DelayedNotificationListNode::freeNode() {
    target = nullptr;
    freeLink = freeList;
    freeList = this;
}

// The embedded timer node is the first member, so the fired node is the notification node.
static DelayedNotificationListNode* ownerOf(DelayedCallbackListNode* node) {
    return reinterpret_cast<DelayedNotificationListNode*>(node);
}

void DelayedNotificationCallback(DelayedCallbackListNode* node) {
    DelayedNotificationListNode* dn = ownerOf(node);
    Notifiable* target = dn->target;
    NotificationEvent event = dn->event;
    // Free before the call so the target can schedule again, even reusing this node.
    dn->freeNode();
    if (target != nullptr) target->notify(event, nullptr);
}

void Notifiable::delayedNotify(NotificationEvent event, uint32_t delayMs) {
    if (delayMs == 0) {
        notify(event, nullptr);
        return;
    }
    DelayedNotificationListNode* dn = DelayedNotificationListNode::allocNode(this, event);
    scheduleDelayedCallback(&dn->node, delayMs);
}

bool Notifiable::cancelDelayedNotify(NotificationEvent event) {
    for (DelayedCallbackListNode* n = nextDelayedCallback(nullptr); n != nullptr;
         n = nextDelayedCallback(n)) {
        if (n->callback != DelayedNotificationCallback) continue;
        DelayedNotificationListNode* dn = ownerOf(n);
        if (dn->target != this) continue;
        if (event != AnyEvent && dn->event != event) continue;
        cancelDelayedCallback(n);
        dn->freeNode();
        return true;
    }
    return false;
}
