// Reading a configuration file over the defaults, and rewriting it whole.
#include "core/config_file.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "core/crash_proof_file.h"
#include "core/framework.h"

namespace {
// The header's version: a decimal number right after the signature.
bool scanVersion(const char* text, int* version) {
    char* end;
    errno = 0;
    long v = strtol(text, &end, 10);
    if (end == text || errno == ERANGE || v < INT_MIN || v > INT_MAX) return false;
    *version = static_cast<int>(v);
    return true;
}
} // namespace

char* ConfigFile::readLine() {
    if (file == nullptr) return nullptr;
    size_t n = 0;
    int c;
    while ((c = getc(file)) != EOF) {
        if (n < sizeof line - 1) line[n++] = static_cast<char>(c);
        if (c == '\n') break;
    }
    if (n == 0 && c == EOF) return nullptr;
    line[n] = 0;
    return line;
}

bool ConfigFile::readCfg() {
    for (ConfigFileSection** s = sections; *s != nullptr; ++s)
        (*s)->initSection(this);
    file = fopen(path, "r");
    if (file == nullptr) {
        changed = false;
        return false;
    }
    bool result = false;
    size_t sigLength = strlen(signature);
    char* header = readLine();
    int v;
    if (header != nullptr && strncmp(header, signature, sigLength) == 0 &&
        scanVersion(header + sigLength, &v) && v >= lowestVersion && v <= highestVersion) {
        version = v;
        result = true;
        char* l = readLine();
        while (l != nullptr) {
            const char* nameEnd = l[0] == '[' ? strchr(l + 1, ']') : nullptr;
            ConfigFileSection* section = nullptr;
            for (ConfigFileSection** s = sections;
                 nameEnd != nullptr && section == nullptr && *s != nullptr; ++s) {
                size_t n = static_cast<size_t>(nameEnd - l - 1);
                if (strlen((*s)->name) == n && memcmp((*s)->name, l + 1, n) == 0) section = *s;
            }
            l = section != nullptr ? section->readSection(this) : readLine();
        }
    }
    fclose(file);
    file = nullptr;
    // Setting the values may have notified parties that touch the file; it is up to date.
    changed = false;
    return result;
}

void ConfigFile::writeCfg(bool onlyIfChanged) {
    if (onlyIfChanged && !changed) return;
    // The temporary copy is named after the file, so files of one directory keep apart.
    const char* slash = strrchr(path, '/');
    char tmpName[ConfigFileLineSize];
    int n = snprintf(tmpName, sizeof tmpName, "%s.tmp", slash != nullptr ? slash + 1 : path);
    if (n < 0 || static_cast<size_t>(n) >= sizeof tmpName) return;
    CrashProofFILE out;
    file = crashProof_fopen(&out, path, "w", tmpName);
    if (file == nullptr) return;
    fprintf(file, "%s %d\n", signature, version);
    for (ConfigFileSection** s = sections; *s != nullptr; ++s) {
        fprintf(file, "\n[%s]\n", (*s)->name);
        (*s)->writeSection(this);
    }
    file = nullptr;
    if (!crashProof_fclose(&out, false)) return;
    changed = false;
    FileSystemSyncTimer = 2;
}
