// The intrusive queue used for every packet and message queue of the stack, and the
// transmit queue element that ties a packet to whoever is told when it has gone.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/free_list_pool.h"

class CANpkt;
class Notifiable;

struct simpleQueueElement {
    simpleQueueElement* prev = nullptr;
    simpleQueueElement* next = nullptr;
};

struct simpleQueue {
    simpleQueueElement* head = nullptr;
    simpleQueueElement* tail = nullptr;

    // atTail: after the tail (FIFO use); otherwise before the head.
    void add(simpleQueueElement* element, bool atTail);
    // Unlinks and returns the head, or 0 when empty.
    simpleQueueElement* remove();
    bool empty() const { return head == nullptr; }
};

class PktQueueElement : public simpleQueueElement {
public:
    CANpkt* pkt = nullptr;
    Notifiable* notifiable = nullptr; // told PktTransmittedEvent when the frame has gone
    uint8_t daXor = 0;                // XORed into identifier bits 8..15 as the frame is written
    bool ownsPkt = false;             // free() also deletes pkt

    static PktQueueElement* alloc(CANpkt* pkt, Notifiable* notifiable, uint8_t daXor, bool ownsPkt);
    void free();

    static void* operator new(size_t n) { return pool.take(n); }
    static void operator delete(void* p, size_t n) { pool.give(p, n); }

    static FreeListPool pool;
};
