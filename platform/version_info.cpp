// Gathering the system's version texts.
#include "platform/version_info.h"

#include <cstdio>
#include <cstring>
#include <sys/utsname.h>

#include "core/framework.h"
#include "platform/io_services.h"
#include "platform/msp_link.h"

SystemVersionSources systemVersionSources = {"/proc/cmdline", "/etc/rootfs_version"};

namespace {
constexpr int CmdlineChars = 255;
constexpr int RootfsLineChars = 235;
constexpr const char* LoaderKey = "loader_version=";

// Reads up to maxChars of the file's first line (line feed removed); false when unreadable.
bool readFirstLine(const char* path, char* line, int maxChars) {
    FILE* f = fopen(path, "r");
    if (f == nullptr) return false;
    size_t n = fread(line, 1, static_cast<size_t>(maxChars), f);
    fclose(f);
    line[n] = '\0';
    line[strcspn(line, "\n")] = '\0';
    return true;
}

// The 7 low bits in reverse order; bit 7 stays.
unsigned char reverseLow7(unsigned char v) {
    unsigned char r = v & 0x80;
    for (int bit = 0; bit < 7; ++bit)
        if (v & (1u << bit)) r = static_cast<unsigned char>(r | (1u << (6 - bit)));
    return r;
}

void readCoprocessorVersion(SystemVersionInfo* info) {
    for (int i = 0; i < CoprocessorVersionBytes; ++i)
        info->coprocessorVersion[i] =
            static_cast<unsigned char>(getMSPcmdField(static_cast<MFTindex>(MFT_Version0 + i)));
    info->coprocessorVersion[0] = reverseLow7(info->coprocessorVersion[0]);
}

void readKernel(SystemVersionInfo* info) {
    struct utsname u;
    if (uname(&u) != 0) memset(&u, 0, sizeof u);
    snprintf(info->kernel, sizeof info->kernel, "%s %s", u.sysname, u.release);
    size_t n = strspn(u.release, "0123456789.");
    snprintf(info->kernelRelease, sizeof info->kernelRelease, "%.*s", static_cast<int>(n),
             u.release);
    snprintf(info->kernelVersion, sizeof info->kernelVersion, "%s", u.version);
}

void readBootloader(SystemVersionInfo* info) {
    char cmdline[CmdlineChars + 1];
    const char* key = readFirstLine(systemVersionSources.kernelCmdline, cmdline, CmdlineChars)
                          ? strstr(cmdline, LoaderKey)
                          : nullptr;
    if (key == nullptr) {
        snprintf(info->bootloader, sizeof info->bootloader, "Linux bootloader ???");
        return;
    }
    const char* value = key + strlen(LoaderKey);
    snprintf(info->bootloader, sizeof info->bootloader, "Linux bootloader:  %.*s",
             static_cast<int>(strcspn(value, " \n")), value);
}

void readRootFileSystem(SystemVersionInfo* info) {
    char line[RootfsLineChars + 1];
    if (readFirstLine(systemVersionSources.rootfsVersion, line, RootfsLineChars))
        snprintf(info->rootFileSystem, sizeof info->rootFileSystem, "Root File System:  %s", line);
    else
        snprintf(info->rootFileSystem, sizeof info->rootFileSystem, "rootfs ???");
}

void splitProgramPath(SystemVersionInfo* info, const char* path) {
    const char* base = path;
    for (const char* p = path; *p != '\0'; ++p)
        if (*p == '/' || *p == '\\') base = p + 1;
    int dirLength = base == path ? 0 : static_cast<int>(base - path - 1);
    snprintf(info->programName, sizeof info->programName, "%s", base);
    snprintf(info->programDirectory, sizeof info->programDirectory, "%.*s", dirLength, path);
}
} // namespace

void readSystemVersionInfo(SystemVersionInfo* info, const char* programPath) {
    readCoprocessorVersion(info);
    info->cpldVersion = getCPLDversion(false);
    info->hardwareRevision = getHWrev();
    readKernel(info);
    readBootloader(info);
    readRootFileSystem(info);
    splitProgramPath(info, programPath != nullptr ? programPath : "");
}

SystemVersionInfo* getVersionInfo() {
    static SystemVersionInfo info;
    static bool built = false;
    if (!built) {
        readSystemVersionInfo(&info, GlobalArgc > 0 ? GlobalArgv[0] : nullptr);
        built = true;
    }
    return &info;
}
