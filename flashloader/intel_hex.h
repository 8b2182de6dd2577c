// One Intel-HEX record as the software file hands it out and the program-data command
// carries it, and the character-level decoding of record lines.
#pragma once

#include <cstddef>
#include <cstdint>

enum IntelHexRecordType : unsigned char {
    HexData = 0,
    HexEndOfFile = 1,
    HexExtSegmentAddress = 2, // data: segment, the address bits 4..19
    HexStartSegmentAddress = 3,
    HexExtLinearAddress = 4, // data: the address bits 16..31
    HexStartLinearAddress = 5,
};

// The most data bytes a program-data command holds (7 + 249 = its 256-byte buffer).
constexpr unsigned MaxPgmDataBytes = 249;
// Record line: ':', count, two address bytes, type, n data bytes, checksum.
constexpr size_t HexRecordOverheadChars = 11;
constexpr size_t MaxHexRecordLine = HexRecordOverheadChars + 2 * 255;

struct IntelHexRecordData {
    unsigned char length = 0;  // data bytes n
    unsigned long address = 0; // first address byte in bits 0-7, second in bits 8-15
    unsigned char type = 0;    // as written; 1 is the end-of-file record
    unsigned char* data = nullptr;
    unsigned char checksum = 0; // as written, not verified
};

// Value of a hexadecimal digit, or -1.
inline int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The byte written as two digits at line[pos], pos + 1; false when they lie past len or are
// not both hexadecimal digits.
inline bool hexByteAt(const char* line, size_t len, size_t pos, unsigned char* out) {
    if (pos + 2 > len) return false;
    int hi = hexDigit(line[pos]), lo = hexDigit(line[pos + 1]);
    if (hi < 0 || lo < 0) return false;
    *out = static_cast<unsigned char>(hi << 4 | lo);
    return true;
}

// The length of a line without its trailing characters that are not printable (line ends,
// tabs, other control characters and bytes above 0x7E), as records are read.
inline size_t strippedLength(const char* line, size_t len) {
    while (len > 0 && !(line[len - 1] >= 0x20 && line[len - 1] <= 0x7E))
        --len;
    return len;
}
