// PNG files of 8-bit RGB pixels through libpng: screenshots, reference images and the
// pictures that the tools read and write.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb; // width * height * 3, rows top to bottom
};

// Writes an RGB image; false (with the reason in *error when given) on failure.
bool writePng(const char* path, const RgbImage& image, std::string* error = nullptr);
// Reads any PNG as 8-bit RGB (palette, grey and alpha are converted, alpha dropped).
bool readPng(const char* path, RgbImage* image, std::string* error = nullptr);
