// PNG files in a build without libpng: every read and write fails with the reason.
#include "platform/host/host_png.h"

namespace {
bool unsupported(std::string* error) {
    if (error != nullptr) *error = "built without PNG support";
    return false;
}
} // namespace

bool writePng(const char*, const RgbImage&, std::string* error) {
    return unsupported(error);
}

bool readPng(const char*, RgbImage*, std::string* error) {
    return unsupported(error);
}
