// Binary file helpers and the system's version texts: 16-bit words, copies that report
// short reads and writes, a rewrite that never loses the file, and the version texts.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/utsname.h>
#include <unistd.h>

#include "core/crash_proof_file.h"
#include "platform/binary_files.h"
#include "platform/msp_link.h"
#include "platform/usb_files.h"
#include "platform/version_info.h"
#include "tests/support/program_runner.h"

namespace {
std::string dir = makeTempDir();

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(BinaryFilesTest, LittleEndianWords) {
    std::string path = dir + "/words";
    unsigned long out[300];
    for (int i = 0; i < 300; ++i)
        out[i] = 0x10000ul * i + 0x1234 + i;
    FILE* f = fopen(path.c_str(), "wb");
    EXPECT_EQ(fwrite_uword(out, 300, f), 300);
    EXPECT_EQ(fileSize(f), 0u); // still buffered
    fputc(0x77, f);             // half a word at the end
    fclose(f);
    EXPECT_EQ(readAll(path).substr(0, 4), "\x34\x12\x35\x12");
    unsigned long in[302] = {};
    in[300] = 99;
    f = fopen(path.c_str(), "rb");
    EXPECT_EQ(fileSize(f), 601u);
    EXPECT_EQ(fread_uword(in, 302, f), 300);
    fclose(f);
    for (int i = 0; i < 300; ++i)
        ASSERT_EQ(in[i], (0x1234u + i) & 0xFFFF) << i;
    EXPECT_EQ(in[300], 99u);
    EXPECT_EQ(fileSize(nullptr), 0u);
    FILE* full = fopen("/dev/full", "wb");
    setvbuf(full, nullptr, _IONBF, 0);
    EXPECT_EQ(fwrite_uword(out, 300, full), 0);
    fclose(full);
}

TEST(BinaryFilesTest, CopiesReportShortReadsAndWrites) {
    std::string content(1300, '\0');
    for (size_t i = 0; i < content.size(); ++i)
        content[i] = static_cast<char>(i * 7);
    writeFile(dir + "/from", content);
    FILE* from = fopen((dir + "/from").c_str(), "rb");
    FILE* to = fopen((dir + "/to").c_str(), "wb");
    int fromFd = fileno(from);
    EXPECT_TRUE(copyBinaryFile(from, to));
    EXPECT_EQ(fcntl(fromFd, F_GETFD), -1); // closed
    fputs("tail", to);                     // still open
    fclose(to);
    EXPECT_EQ(readAll(dir + "/to"), content + "tail");

    FILE* full = fopen("/dev/full", "wb");
    setvbuf(full, nullptr, _IONBF, 0);
    EXPECT_FALSE(copyBinaryFile(fopen((dir + "/from").c_str(), "rb"), full));
    fclose(full);
    to = fopen((dir + "/to").c_str(), "wb");
    EXPECT_FALSE(copyBinaryFile(fopen(dir.c_str(), "rb"), to)); // a directory reads as an error
    EXPECT_FALSE(copyBinaryFile(fopen((dir + "/from").c_str(), "rb"), nullptr));
    EXPECT_FALSE(copyBinaryFile(nullptr, to));
    fclose(to);
}

TEST(BinaryFilesTest, DefragmentingNeverLosesTheFile) {
    std::string path = dir + "/image.bin", content(5000, 'i');
    writeFile(path, content);
    testing::internal::CaptureStdout();
    EXPECT_TRUE(defragBinaryFile(path.c_str()));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "defragBinaryFile(" + path + ") using " + dir + "/XXX\n");
    EXPECT_EQ(readAll(path), content);
    // Interrupted before the copy reached the medium: the old file stays.
    crashProofFileOps.fsync = [](int) { return -1; };
    writeFile(path, "old");
    EXPECT_FALSE(defragBinaryFile(path.c_str()));
    EXPECT_EQ(readAll(path), "old");
    EXPECT_NE(access((dir + "/XXX").c_str(), F_OK), 0);
    crashProofFileOps.fsync = ::fsync;
    // What cannot be read whole is not replaced.
    std::string sub = dir + "/sub";
    mkdir(sub.c_str(), 0777);
    EXPECT_FALSE(defragBinaryFile(sub.c_str()));
    EXPECT_NE(access((dir + "/XXX").c_str(), F_OK), 0);
    EXPECT_FALSE(defragBinaryFile((dir + "/missing").c_str()));
    EXPECT_FALSE(defragBinaryFile((dir + "/nodir/x").c_str()));
}

TEST(VersionInfoTest, TextsFromTheSystemAndItsFiles) {
    std::string cmdline = dir + "/cmdline", rootfs = dir + "/rootfs";
    systemVersionSources = {cmdline.c_str(), rootfs.c_str()};
    writeFile(cmdline, "console=ttyS0 loader_version=2.3.4 root=/dev/mtd\n");
    writeFile(rootfs, "RFS 1.7\nsecond line\n");
    const unsigned char version[] = {0x81, 2, 3, 4, 5, 6, 7};
    for (int i = 0; i < CoprocessorVersionBytes; ++i)
        setMSPcmdField(0, static_cast<MFTindex>(MFT_Version0 + i), version[i]);
    SystemVersionInfo info;
    readSystemVersionInfo(&info, "/opt/fl/flashloader");
    EXPECT_EQ(info.coprocessorVersion[0], 0xC0); // 7 low bits reversed
    EXPECT_EQ(info.coprocessorVersion[6], 7);
    EXPECT_STREQ(info.bootloader, "Linux bootloader:  2.3.4");
    EXPECT_STREQ(info.rootFileSystem, "Root File System:  RFS 1.7");
    EXPECT_STREQ(info.programName, "flashloader");
    EXPECT_STREQ(info.programDirectory, "/opt/fl");
    utsname u;
    uname(&u);
    EXPECT_EQ(std::string(info.kernel), std::string(u.sysname) + " " + u.release);
    EXPECT_EQ(std::string(u.release).find(info.kernelRelease), 0u);
    EXPECT_EQ(std::string(info.kernelRelease).find_first_not_of("0123456789."), std::string::npos);
    EXPECT_STREQ(info.kernelVersion, u.version);

    writeFile(cmdline, "console=ttyS0 loader_version=9");
    writeFile(rootfs, std::string(300, 'r'));
    readSystemVersionInfo(&info, "C:\\fl\\x");
    EXPECT_STREQ(info.bootloader, "Linux bootloader:  9");
    EXPECT_EQ(std::string(info.rootFileSystem), "Root File System:  " + std::string(235, 'r'));
    EXPECT_STREQ(info.programName, "x");
    EXPECT_STREQ(info.programDirectory, "C:\\fl");
    writeFile(cmdline, std::string(250, 'c') + " loader_version=1");
    unlink(rootfs.c_str());
    readSystemVersionInfo(&info, "flashloader");
    EXPECT_STREQ(info.bootloader, "Linux bootloader ???"); // beyond the first 255 characters
    EXPECT_STREQ(info.rootFileSystem, "rootfs ???");
    EXPECT_STREQ(info.programDirectory, "");
    // Built once and kept.
    SystemVersionInfo* kept = getVersionInfo();
    writeFile(rootfs, "new");
    EXPECT_EQ(getVersionInfo(), kept);
    EXPECT_STREQ(kept->rootFileSystem, "rootfs ???");
}
} // namespace
