// Reference-image comparison for screen tests.
#include "tests/support/screen_compare.h"

#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

#include "platform/host/host_display.h"

namespace {
bool updating() {
    const char* v = getenv("FL_UPDATE_REFERENCES");
    return v != nullptr && strcmp(v, "1") == 0;
}

RgbImage differenceImage(const RgbImage& actual, const RgbImage& expected) {
    RgbImage d = actual;
    for (size_t i = 0; i + 2 < d.rgb.size(); i += 3) {
        bool same = i + 2 < expected.rgb.size() && memcmp(&actual.rgb[i], &expected.rgb[i], 3) == 0;
        if (same) {
            uint8_t grey = static_cast<uint8_t>(
                192 + (actual.rgb[i] + actual.rgb[i + 1] + actual.rgb[i + 2]) / 12);
            d.rgb[i] = d.rgb[i + 1] = d.rgb[i + 2] = grey;
        } else {
            d.rgb[i] = 255;
            d.rgb[i + 1] = 0;
            d.rgb[i + 2] = 0;
        }
    }
    return d;
}
} // namespace

std::string testOutputDir() {
    std::string dir = TEST_OUTPUT_DIR;
    mkdir(dir.c_str(), 0777);
    return dir;
}

long imageDifference(const RgbImage& a, const RgbImage& b) {
    if (a.width != b.width || a.height != b.height) return -1;
    long n = 0;
    for (size_t i = 0; i + 2 < a.rgb.size(); i += 3)
        if (memcmp(&a.rgb[i], &b.rgb[i], 3) != 0) ++n;
    return n;
}

::testing::AssertionResult imageMatchesReference(const RgbImage& actual, const std::string& name) {
    std::string ref = std::string(TEST_REFERENCE_DIR) + "/" + name + ".png";
    std::string out = testOutputDir() + "/" + name;
    std::string error;
    if (updating()) {
        if (!writePng(ref.c_str(), actual, &error))
            return ::testing::AssertionFailure() << "cannot update reference: " << error;
        return ::testing::AssertionSuccess() << "reference " << ref << " written";
    }
    RgbImage expected;
    if (!readPng(ref.c_str(), &expected, &error)) {
        writePng((out + ".actual.png").c_str(), actual);
        return ::testing::AssertionFailure()
               << "no reference image " << ref << " (" << error << "); the actual image is " << out
               << ".actual.png; references are written with FL_UPDATE_REFERENCES=1";
    }
    long diff = imageDifference(actual, expected);
    if (diff == 0) return ::testing::AssertionSuccess();
    writePng((out + ".actual.png").c_str(), actual);
    if (diff > 0) writePng((out + ".diff.png").c_str(), differenceImage(actual, expected));
    ::testing::AssertionResult r = ::testing::AssertionFailure();
    if (diff < 0)
        r << "size " << actual.width << "x" << actual.height << " differs from the reference's "
          << expected.width << "x" << expected.height;
    else
        r << diff << " pixels differ from " << ref;
    return r << "; see " << out << ".actual.png and .diff.png";
}

::testing::AssertionResult screenMatchesReference(const std::string& name) {
    return imageMatchesReference(hostScreenImage(), name);
}
