// Character helpers for reading string files: UTF-8 decoding, in-place conversion of keys
// to single-byte codes, and numbers written the way C's "%li" reads them.
#pragma once

#include <cstdint>

// Code given to anything that is not a character this system can decode.
constexpr uint32_t InvalidCharCode = 65535;

// Decodes one character at p and leaves p on its last byte. A byte below 128 is itself,
// except that a backslash followed by "b" is code 8 (both bytes consumed); two- and
// three-byte UTF-8 forms decode; anything else gives InvalidCharCode (one byte consumed).
// Never reads past a terminating 0.
uint32_t getUTF8(const char*& p);
uint32_t getUTF8(char*& p);
// Converts s in place from UTF-8 to single-byte codes; false (s then undefined) when a
// character is above 254 or is not valid UTF-8.
bool UTF8toChar(char* s);
// A number in "%li" form: decimal, "0x" hexadecimal or leading-0 octal, with an optional
// sign; 0 when there is none.
long scanNumber(const char* s);
