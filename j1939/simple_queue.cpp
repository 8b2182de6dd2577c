// Queue links and the pooled transmit queue elements.
#include "j1939/simple_queue.h"

#include "j1939/can_frame.h"

void simpleQueue::add(simpleQueueElement* e, bool atTail) {
    if (head == nullptr) {
        e->prev = e->next = nullptr;
        head = tail = e;
    } else if (atTail) {
        e->prev = tail;
        e->next = nullptr;
        tail->next = e;
        tail = e;
    } else {
        e->prev = nullptr;
        e->next = head;
        head->prev = e;
        head = e;
    }
}

simpleQueueElement* simpleQueue::remove() {
    simpleQueueElement* e = head;
    if (e == nullptr) return nullptr;
    head = e->next;
    if (head != nullptr)
        head->prev = nullptr;
    else
        tail = nullptr;
    e->next = nullptr;
    e->prev = nullptr;
    return e;
}

FreeListPool PktQueueElement::pool(sizeof(PktQueueElement));

PktQueueElement* PktQueueElement::alloc(CANpkt* pkt, Notifiable* notifiable, uint8_t daXor,
                                        bool ownsPkt) {
    PktQueueElement* e = new PktQueueElement();
    e->pkt = pkt;
    e->notifiable = notifiable;
    e->daXor = daXor;
    e->ownsPkt = ownsPkt;
    return e;
}

void PktQueueElement::free() {
    if (ownsPkt && pkt != nullptr) {
        delete pkt;
        pkt = nullptr;
    }
    delete this;
}
