// CAN frames as the controller driver exchanges them, and the packets the stack queues and
// chains: messages longer than 8 bytes are chains of TP.DT-formatted packets.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/free_list_pool.h"

class CANframe {
public:
    uint32_t id = 0;      // 29 bits when extended, 11 otherwise
    uint8_t extended = 1; // 1 = 29-bit identifier
    uint8_t dlc = 0;      // data bytes, 0..8
    uint8_t data[8] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    CANframe* rxNext = nullptr; // link of the driver's receive queue only

    virtual ~CANframe() = default;
};

class CANpkt : public CANframe {
public:
    CANpkt* next = nullptr; // next packet of the same message

    CANpkt() = default;
    CANpkt(uint32_t id, uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3, uint8_t b4, uint8_t b5,
           uint8_t b6, uint8_t b7);

    // n (at most 4) bytes little-endian from data[start]; past index 7 the chain continues at
    // index 1 of the next packet (index 0 there is the sequence number). Stops at the end of
    // the chain.
    uint32_t getBytes(unsigned start, unsigned n) const;
    // Writes n bytes of value with the same addressing; non-zero when any byte changed.
    int setBytes(uint32_t value, unsigned start, unsigned n);
    // Puts da into identifier bits 8..15 of this packet and every chained one.
    void changeDA(uint8_t da);

    static void* operator new(size_t n) { return pool.take(n); }
    static void operator delete(void* p, size_t n) { pool.give(p, n); }

    static FreeListPool pool;
};

// Every received frame is a packet, so that it can later be chained into a message.
CANframe* allocCANframe();
void freeCANframe(CANframe* frame);
