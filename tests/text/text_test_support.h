// Helpers for tests of the string file and the vocabulary: writing a string file and
// making it the vocabulary's only one, and reading texts back as plain strings.
#pragma once

#include <string>

#include "text/multi_string.h"

// Writes content to a fresh file and returns its path.
std::string writeTempStringFile(const std::string& content);
// Registers a string file with that content as V's first file and initialises V.
void initVocabularyWith(const std::string& content);
// The bytes of an extended-character string (without the final 0).
std::string bytesOf(const unsigned char* xtd);
// The text of key (index, form) in the named language, as bytes.
std::string textOf(const char* key, const char* language = "English", long index = 0,
                   unsigned char form = 1);
