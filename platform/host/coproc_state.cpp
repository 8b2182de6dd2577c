// The emulated co-processor's non-volatile state in files of a state directory: NVRAM and
// data flash as big-endian 16-bit words, the raw serial number, the clock's offset as text.
// Each file is written whole under a temporary name and renamed over the old one.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

#include "platform/host/coproc_emu.h"

namespace {
std::string pathOf(const std::string& dir, const char* name) {
    return dir + "/" + name;
}

// Creates dir and its missing parents.
bool makeDirs(const std::string& dir) {
    for (size_t i = 1; i <= dir.size(); ++i) {
        if (i < dir.size() && dir[i] != '/') continue;
        std::string part = dir.substr(0, i);
        if (mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return false;
    }
    return true;
}

bool writeWhole(const std::string& dir, const char* name, const void* data, size_t size) {
    if (dir.empty()) return true;
    if (!makeDirs(dir)) {
        fprintf(stderr, "state directory %s: %s\n", dir.c_str(), strerror(errno));
        return false;
    }
    std::string path = pathOf(dir, name);
    std::string tmp = path + ".new";
    FILE* f = fopen(tmp.c_str(), "wb");
    bool ok = f != nullptr && fwrite(data, 1, size, f) == size;
    if (f != nullptr && fclose(f) != 0) ok = false;
    if (ok && rename(tmp.c_str(), path.c_str()) != 0) ok = false;
    if (!ok) {
        fprintf(stderr, "%s: %s\n", path.c_str(), strerror(errno));
        remove(tmp.c_str());
    }
    return ok;
}

// Reads a file of exactly size bytes; false (with a message when it exists with another
// size) otherwise.
bool readWhole(const std::string& dir, const char* name, void* data, size_t size) {
    std::string path = pathOf(dir, name);
    FILE* f = fopen(path.c_str(), "rb");
    if (f == nullptr) return false;
    size_t n = fread(data, 1, size, f);
    bool exact = n == size && fgetc(f) == EOF;
    fclose(f);
    if (!exact) fprintf(stderr, "%s: not %zu bytes, ignored\n", path.c_str(), size);
    return exact;
}

bool loadWords(const std::string& dir, const char* name, uint16_t* words, int count) {
    unsigned char bytes[2 * EmulatedCoprocessor::DataFlashWords];
    if (!readWhole(dir, name, bytes, 2 * static_cast<size_t>(count))) return false;
    for (int i = 0; i < count; ++i)
        words[i] = static_cast<uint16_t>(bytes[2 * i] << 8 | bytes[2 * i + 1]);
    return true;
}
} // namespace

void EmulatedCoprocessor::openState(const std::string& stateDir) {
    dir = stateDir;
    if (dir.empty()) return;
    loadWords(dir, "nvram", nvram, NVRAMwords);
    loadWords(dir, "dataflash", dataFlash, DataFlashWords);
    unsigned char s[SerialBytes];
    if (readWhole(dir, "serial", s, sizeof s)) memcpy(serial, s, sizeof s);
    std::string path = pathOf(dir, "rtc-offset");
    if (FILE* f = fopen(path.c_str(), "r")) {
        char line[32] = "";
        char* end = nullptr;
        long long v = 0;
        if (fgets(line, sizeof line, f) != nullptr) v = strtoll(line, &end, 10);
        if (end != nullptr && end != line && (*end == '\n' || *end == '\0'))
            rtcOffset = v;
        else
            fprintf(stderr, "%s: not a number of seconds, ignored\n", path.c_str());
        fclose(f);
    }
}

void EmulatedCoprocessor::saveWords(const char* name, const uint16_t* words, int count) {
    unsigned char bytes[2 * DataFlashWords];
    for (int i = 0; i < count; ++i) {
        bytes[2 * i] = static_cast<unsigned char>(words[i] >> 8);
        bytes[2 * i + 1] = static_cast<unsigned char>(words[i]);
    }
    writeWhole(dir, name, bytes, 2 * static_cast<size_t>(count));
}

void EmulatedCoprocessor::saveSerial() {
    writeWhole(dir, "serial", serial, sizeof serial);
}

void EmulatedCoprocessor::saveRtc() {
    char text[32];
    int n = snprintf(text, sizeof text, "%lld\n", static_cast<long long>(rtcOffset));
    writeWhole(dir, "rtc-offset", text, static_cast<size_t>(n));
}
