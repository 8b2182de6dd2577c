// Extended-character ("xtd") strings: zero-terminated byte strings in which a character of
// code 255 or more is written as the three bytes 255, high byte, low byte. All drawn text
// uses them; the high and low bytes of a wide character may be 0.
#pragma once

#include <cstdint>

constexpr unsigned char XtdWideMark = 255;

// Reads one character at p and advances p past it.
uint32_t xtdGetChar(const unsigned char*& p);
uint32_t xtdGetChar(unsigned char*& p);
// Writes one character at p and advances p; with a null p only the length is returned.
int xtdPutChar(uint32_t ch, unsigned char*& p);
// Length in bytes, three per wide character, without the final 0.
int xtdStrlen(const unsigned char* s);
// Copies a plain string (every byte a character below 255).
unsigned char* xtdStrLoad(unsigned char* dst, const char* src);
// Loads a plain string at the end of the xtd string dst.
unsigned char* xtdStrAppend(unsigned char* dst, const char* src);
unsigned char* xtdStrcpy(unsigned char* dst, const unsigned char* src);
unsigned char* xtdStrcat(unsigned char* dst, const unsigned char* src);
// A new copy on the heap (new[]).
unsigned char* xtdStrDup(const unsigned char* s);
// The characters below 128 of s, at most 255, in a shared static buffer.
const char* charString(const unsigned char* s);
// Copies the whole characters of src that fit, with the final 0, into size bytes of dst;
// returns the length copied. A size of 0 writes nothing.
int xtdStrncpy(unsigned char* dst, const unsigned char* src, int size);
