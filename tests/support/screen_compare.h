// Compares the screen with a committed PNG reference, pixel for pixel. On a mismatch the
// actual image and a difference image (differing pixels red, the rest faded) are written to
// the test output directory and the check fails. References are written only when the
// environment variable FL_UPDATE_REFERENCES is 1 (the CMake target update-references sets
// it); a missing reference is never created silently.
#pragma once

#include <string>

#include <gtest/gtest.h>

#include "platform/host/host_png.h"

// name: the reference's file name without ".png", under tests/references.
::testing::AssertionResult screenMatchesReference(const std::string& name);
// The same for any image (for example a picture a tool read).
::testing::AssertionResult imageMatchesReference(const RgbImage& actual, const std::string& name);
// Number of pixels in which two images differ; -1 when their sizes differ.
long imageDifference(const RgbImage& a, const RgbImage& b);
// Where actual and difference images go.
std::string testOutputDir();
