// Message bytes over packet chains.
#include "j1939/j1939_msg_buffer.h"

#include <initializer_list>

#include "j1939/can_frame.h"
#include "j1939/j1939_id.h"

namespace {
constexpr uint32_t SingleFrameBytes = 8;
constexpr uint32_t BytesPerPacket = 7;

uint32_t packetsFor(uint32_t length) {
    return length <= SingleFrameBytes ? 1 : (length + BytesPerPacket - 1) / BytesPerPacket;
}

// PDU2 packets carry no destination: their bits 8..15 are part of the PGN.
bool carriesDA(uint32_t id) {
    return ((id >> 16) & 0xFF) < 0xF0;
}

void setDA(CANpkt* p, uint8_t da) {
    if (carriesDA(p->id)) p->id = (p->id & ~0xFF00u) | static_cast<uint32_t>(da) << 8;
}
} // namespace

J1939msgBuffer::J1939msgBuffer(uint32_t pgnIn, uint8_t saIn, uint8_t daIn, uint8_t prio,
                               uint32_t len, CANpkt* pkt, bool allocate)
    : id(buildIDfromPGN(prio, pgnIn, saIn, daIn)), pgn(pgnIn), sa(saIn), da(daIn), priority(prio),
      length(len), first(pkt), spare(nullptr), builtLength(len), ownsPackets(allocate) {
    if (!allocate) return;
    first = nullptr;
    if (length <= SingleFrameBytes) {
        first = new CANpkt();
        first->id = id;
        first->dlc = static_cast<uint8_t>(length);
        return;
    }
    uint32_t n = packetsFor(length);
    CANpkt** link = &first;
    for (uint32_t i = 0; i < n; ++i) {
        CANpkt* p = new CANpkt();
        p->id = dtIdentifier();
        p->dlc = 8;
        p->data[0] = static_cast<uint8_t>(i + 1);
        *link = p;
        link = &p->next;
    }
}

J1939msgBuffer::~J1939msgBuffer() {
    if (!ownsPackets) return;
    for (CANpkt* list : {first, spare}) {
        while (list != nullptr) {
            CANpkt* n = list->next;
            delete list;
            list = n;
        }
    }
}

uint32_t J1939msgBuffer::dtIdentifier() const {
    return buildIDfromPGN(priority, PGN_TP_DT, sa, da);
}

uint8_t* J1939msgBuffer::bytePtr(uint32_t index) const {
    CANpkt* p = first;
    if (p == nullptr) return nullptr;
    if (length <= SingleFrameBytes) return index < SingleFrameBytes ? &p->data[index] : nullptr;
    for (uint32_t k = index / BytesPerPacket; k > 0 && p != nullptr; --k)
        p = p->next;
    return p != nullptr ? &p->data[index % BytesPerPacket + 1] : nullptr;
}

uint32_t J1939msgBuffer::getBytes(uint32_t index, unsigned n) const {
    if (n > 4) n = 4;
    uint32_t v = 0;
    for (unsigned i = 0; i < n; ++i) {
        const uint8_t* b = bytePtr(index + i);
        if (b == nullptr) return 0;
        v |= static_cast<uint32_t>(*b) << (8 * i);
    }
    return v;
}

int J1939msgBuffer::setBytes(uint32_t value, uint32_t index, unsigned n) {
    if (n > 4) n = 4;
    if (n > 0 && bytePtr(index + n - 1) == nullptr) return 0;
    int changed = 0;
    for (unsigned i = 0; i < n; ++i) {
        uint8_t* b = bytePtr(index + i);
        uint8_t nb = static_cast<uint8_t>(value >> (8 * i));
        if (*b != nb) changed = 1;
        *b = nb;
    }
    return changed;
}

uint32_t J1939msgBuffer::getBitField(uint32_t startByte, uint8_t bitOffset,
                                     uint8_t sizeBits) const {
    if (startByte == 0) return 0;
    if (sizeBits < 8) {
        const uint8_t* b = bytePtr(startByte - 1);
        if (b == nullptr) return 0;
        return (*b >> (bitOffset & 7)) & ((1u << sizeBits) - 1);
    }
    return getBytes(startByte - 1, sizeBits / 8);
}

bool J1939msgBuffer::setBitField(uint32_t value, uint32_t startByte, uint8_t bitOffset,
                                 uint8_t sizeBits) {
    if (startByte == 0) return false;
    if (sizeBits < 8) {
        uint8_t* b = bytePtr(startByte - 1);
        if (b == nullptr) return false;
        unsigned mask = ((1u << sizeBits) - 1) << (bitOffset & 7);
        uint8_t nb = static_cast<uint8_t>((*b & ~mask) | ((value << (bitOffset & 7)) & mask));
        bool changed = nb != *b;
        *b = nb;
        return changed;
    }
    return setBytes(value, startByte - 1, sizeBits / 8) != 0;
}

uint32_t J1939msgBuffer::copyOutBytes(uint8_t* dst, uint32_t index, uint32_t n) const {
    uint32_t i = 0;
    for (; i < n; ++i) {
        const uint8_t* b = bytePtr(index + i);
        if (b == nullptr) break;
        dst[i] = *b;
    }
    return i;
}

uint32_t J1939msgBuffer::copyInBytes(const uint8_t* src, uint32_t index, uint32_t n) {
    uint32_t i = 0;
    for (; i < n; ++i) {
        uint8_t* b = bytePtr(index + i);
        if (b == nullptr) break;
        *b = src[i];
    }
    return i;
}

uint32_t J1939msgBuffer::copyOutString(char* dst, uint32_t index, int maxLen) const {
    int used = 0;
    if (maxLen >= 0) dst[0] = '\0';
    while (index < length) {
        const uint8_t* b = bytePtr(index);
        if (b == nullptr) break;
        ++index;
        if (*b == '*') break;
        if (*b == 0) {
            // The rest of the field up to its delimiter is padding.
            while (index < length) {
                const uint8_t* s = bytePtr(index++);
                if (s == nullptr || *s == '*') break;
            }
            break;
        }
        if (maxLen >= 0 && used < maxLen) {
            dst[used++] = static_cast<char>(*b);
            dst[used] = '\0';
        }
    }
    return index;
}

void J1939msgBuffer::changeDA(uint8_t newDA) {
    da = newDA;
    id = buildIDfromPGN(priority, pgn, sa, da);
    for (CANpkt* p = first; p != nullptr; p = p->next)
        setDA(p, da);
    for (CANpkt* p = spare; p != nullptr; p = p->next)
        setDA(p, da);
}

bool J1939msgBuffer::resetLength(uint32_t newLength) {
    if (newLength > builtLength || first == nullptr) return false;
    // Put the chain back together, then cut it again.
    CANpkt* last = first;
    while (last->next != nullptr)
        last = last->next;
    last->next = spare;
    spare = nullptr;
    uint32_t keep = packetsFor(newLength);
    CANpkt* p = first;
    for (uint32_t i = 1; i < keep && p->next != nullptr; ++i)
        p = p->next;
    spare = p->next;
    p->next = nullptr;
    bool wasSingle = length <= SingleFrameBytes, isSingle = newLength <= SingleFrameBytes;
    if (!wasSingle && isSingle) first->id = id;
    if (wasSingle && !isSingle) {
        first->id = dtIdentifier();
        first->data[0] = 1;
    }
    length = newLength;
    return true;
}
