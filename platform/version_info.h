// The versions of everything the program runs on, gathered once for an about screen: the
// I/O co-processor's firmware, the board, the kernel, the boot loader, the root file
// system and the program itself.
#pragma once

constexpr int VersionTextSize = 256;
constexpr int CoprocessorVersionBytes = 7;

struct SystemVersionInfo {
    unsigned char coprocessorVersion[CoprocessorVersionBytes];
    unsigned char cpldVersion;
    unsigned char hardwareRevision;
    char kernel[VersionTextSize];        // system name and release
    char kernelRelease[VersionTextSize]; // the release's leading digits and dots
    char kernelVersion[VersionTextSize];
    char bootloader[VersionTextSize];
    char rootFileSystem[VersionTextSize];
    char programName[VersionTextSize];
    char programDirectory[VersionTextSize]; // empty when started without a directory
};

// The files the boot loader's and root file system's versions come from; tests point
// them elsewhere.
struct SystemVersionSources {
    const char* kernelCmdline;
    const char* rootfsVersion;
};
extern SystemVersionSources systemVersionSources;

// Built on the first call and kept.
SystemVersionInfo* getVersionInfo();
// Gathers everything now into info, for a program started as programPath.
void readSystemVersionInfo(SystemVersionInfo* info, const char* programPath);
