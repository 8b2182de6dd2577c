// The bytes of one message instance over a packet chain: one packet for up to 8 bytes,
// otherwise TP.DT-formatted packets of 7 bytes each. Transmit messages own a buffer built
// once; a received message is handed a buffer over the received packets.
#pragma once

#include <cstdint>

class CANpkt;

class J1939msgBuffer {
public:
    uint32_t id; // the message's identifier as a single frame
    uint32_t pgn;
    uint8_t sa;
    uint8_t da;
    uint8_t priority;
    uint32_t length;
    CANpkt* first;
    CANpkt* spare; // packets cut off by resetLength

    // allocate false: a view of pkt (a received packet or chain), which stays the caller's.
    // allocate true: packets of its own, every data byte 0xFF.
    J1939msgBuffer(uint32_t pgn, uint8_t sa, uint8_t da, uint8_t priority, uint32_t length,
                   CANpkt* pkt, bool allocate);
    J1939msgBuffer(const J1939msgBuffer&) = delete;
    J1939msgBuffer& operator=(const J1939msgBuffer&) = delete;
    ~J1939msgBuffer();

    // Bit fields: below 8 bits inside byte startByte (1-based) from bitOffset; otherwise
    // sizeBits/8 (at most 4) whole bytes little-endian.
    uint32_t getBitField(uint32_t startByte, uint8_t bitOffset, uint8_t sizeBits) const;
    bool setBitField(uint32_t value, uint32_t startByte, uint8_t bitOffset, uint8_t sizeBits);
    // n (at most 4) bytes from message byte index (0-based); 0 when the chain is too short.
    uint32_t getBytes(uint32_t index, unsigned n) const;
    // Returns whether a byte changed; 0 when the chain is too short.
    int setBytes(uint32_t value, uint32_t index, unsigned n);
    // Block copies; bytes beyond the chain are not copied. Return the bytes copied.
    uint32_t copyOutBytes(uint8_t* dst, uint32_t index, uint32_t n) const;
    uint32_t copyInBytes(const uint8_t* src, uint32_t index, uint32_t n);
    // '*'-terminated ASCII from index into dst (maxLen characters and a final 0); a 0 byte
    // ends the string and skips past the next '*'. A negative maxLen only skips. Returns
    // the index after the string.
    uint32_t copyOutString(char* dst, uint32_t index, int maxLen) const;
    // New destination for the message and its packets.
    void changeDA(uint8_t da);
    // Re-cuts the chain for newLength, at most the length it was built with.
    bool resetLength(uint32_t newLength);
    // Address of message byte index, or 0 past the chain.
    uint8_t* bytePtr(uint32_t index) const;

private:
    uint32_t builtLength; // what the chain was made for (allocated buffers)
    bool ownsPackets;

    uint32_t dtIdentifier() const;
};
