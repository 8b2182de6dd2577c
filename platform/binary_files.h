// Binary file helpers: little-endian 16-bit words, whole-file copies and a rewrite that
// leaves a file in one piece on the medium.
#pragma once

#include <cstdio>

// Reads count 2-byte little-endian words into dest; returns the words read whole (fewer
// at the end of the file or on an error, the rest of dest untouched).
int fread_uword(unsigned long* dest, int count, FILE* f);
// Writes the low 16 bits of count values, low byte first; returns the words written.
int fwrite_uword(const unsigned long* src, int count, FILE* f);

// Copies the rest of from to to and closes from (to stays open). False when either is null
// or a read or write failed.
bool copyBinaryFile(FILE* from, FILE* to);
// Rewrites the file at path into a fresh copy through a temporary file in its directory,
// which replaces it only when whole. False, with the file untouched, on any failure.
bool defragBinaryFile(const char* path);
