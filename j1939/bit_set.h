// A set of the 256 byte values; the bus keeps the destination addresses it accepts in one.
#pragma once

#include <cstdint>

struct BitSet256 {
    uint32_t bits[8];
    uint32_t count; // calls of set, repeats included

    // Empty, or holding n when n is a byte value.
    explicit BitSet256(unsigned n = 256) {
        clearAll();
        if (n <= 255) set(n);
    }
    void set(unsigned n) {
        if (n > 255) return;
        bits[n >> 5] |= 1u << (n & 31);
        ++count;
    }
    bool test(unsigned n) const { return n <= 255 && (bits[n >> 5] >> (n & 31) & 1u) != 0; }
    void clearAll() {
        for (uint32_t& w : bits)
            w = 0;
        count = 0;
    }
};
