// Binary file helpers: 16-bit words, copies that report short reads and writes, and a
// rewrite that never loses the file.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
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
    std::stringstream s;
    s << std::ifstream(path, std::ios::binary).rdbuf();
    return s.str();
}

TEST(BinaryFilesTest, WordsAndCopiesReportShortReadsAndWrites) {
    unsigned long words[300], back[301] = {};
    for (int i = 0; i < 300; ++i)
        words[i] = 0x10000ul * i + 0x1234 + i;
    FILE* f = fopen((dir + "/words").c_str(), "wb");
    EXPECT_EQ(fwrite_uword(words, 300, f), 300);
    fputc(0x77, f); // half a word at the end
    fclose(f);
    f = fopen((dir + "/words").c_str(), "rb");
    EXPECT_EQ(fileSize(f), 601u);
    EXPECT_EQ(fread_uword(back, 301, f), 300);
    fclose(f);
    for (int i = 0; i < 300; ++i)
        ASSERT_EQ(back[i], (0x1234u + i) & 0xFFFF) << i;
    EXPECT_EQ(readAll(dir + "/words").substr(0, 4), "\x34\x12\x35\x12");

    FILE* from = fopen((dir + "/words").c_str(), "rb");
    FILE* to = fopen((dir + "/copy").c_str(), "wb");
    int fromFd = fileno(from);
    EXPECT_TRUE(copyBinaryFile(from, to));
    EXPECT_EQ(fcntl(fromFd, F_GETFD), -1); // closed, the copy still open
    fputc('!', to);
    fclose(to);
    EXPECT_EQ(readAll(dir + "/copy"), readAll(dir + "/words") + "!");
    FILE* full = fopen("/dev/full", "wb");
    setvbuf(full, nullptr, _IONBF, 0);
    EXPECT_EQ(fwrite_uword(words, 1, full), 0);
    EXPECT_FALSE(copyBinaryFile(fopen((dir + "/copy").c_str(), "rb"), full));
    EXPECT_FALSE(copyBinaryFile(fopen(dir.c_str(), "rb"), full)); // a directory does not read
    fclose(full);
}

TEST(BinaryFilesTest, DefragmentingNeverLosesTheFile) {
    std::string path = dir + "/image.bin", content(5000, 'i');
    writeFile(path, content);
    EXPECT_TRUE(defragBinaryFile(path.c_str()));
    EXPECT_EQ(readAll(path), content);
    // Interrupted before the copy reached the medium: the old file stays.
    crashProofFileOps.fsync = [](int) { return -1; };
    EXPECT_FALSE(defragBinaryFile(path.c_str()));
    crashProofFileOps.fsync = ::fsync;
    EXPECT_EQ(readAll(path), content);
    // What cannot be read whole is not replaced.
    std::string sub = dir + "/sub"; // its temporary file goes next to it, in dir
    mkdir(sub.c_str(), 0777);
    EXPECT_FALSE(defragBinaryFile(sub.c_str()));
    EXPECT_NE(access((dir + "/XXX").c_str(), F_OK), 0);
    EXPECT_FALSE(defragBinaryFile((dir + "/nodir/x").c_str()));
}

TEST(VersionInfoTest, TheCoprocessorVersionHasItsLowBitsReversed) {
    setMSPcmdField(0, MFT_Version0, 0x83);
    SystemVersionInfo info;
    readSystemVersionInfo(&info, "/opt/fl/flashloader");
    EXPECT_EQ(info.coprocessorVersion[0], 0xE0);
    EXPECT_EQ(std::string(info.programDirectory) + "|" + info.programName, "/opt/fl|flashloader");
}
} // namespace
