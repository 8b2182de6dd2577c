// The stick's files and directory scanning on the host: the mount held while anything on the
// stick is open (also a real stick's, seen through a replaced mount call), names too long for
// the path buffers refused or skipped, and directories walked with their entries' sizes.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <vector>

#include "platform/generic_directory.h"
#include "platform/host/host_options.h"
#include "platform/usb_files.h"
#include "tests/support/program_runner.h"

namespace {
class UsbTest : public ::testing::Test {
protected:
    std::string stick = makeTempDir();
    void SetUp() override { hostOptions.usb = stick.c_str(); }
    void TearDown() override { hostOptions.usb = nullptr; }

    std::map<std::string, uint32_t> scan(genericDirectory& d) {
        std::map<std::string, uint32_t> entries;
        char* name;
        uint32_t size;
        while (d.nextFile(name, size))
            entries[name] = size;
        return entries;
    }
};

TEST_F(UsbTest, TheMountIsHeldWhileAnythingIsOpen) {
    writeFile(stick + "/a", "aa");
    writeFile(stick + "/b", "bbb");
    FILE* a = usb_fopen("a", "rb");
    FILE* b = usb_fopen("b", "rb");
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(N_usbFilesOpen, 2);
    EXPECT_EQ(usb_fopen("missing", "rb"), nullptr);
    EXPECT_EQ(N_usbFilesOpen, 2);
    EXPECT_TRUE(fileExists("b", true)); // holds and gives back only its own share
    EXPECT_EQ(N_usbFilesOpen, 2);
    usb_fclose(a);
    EXPECT_TRUE(USB_mounted);
    DIR* d = usb_opendir(".");
    ASSERT_NE(d, nullptr);
    usb_fclose(b);
    EXPECT_TRUE(USB_mounted);
    usb_closedir(d);
    EXPECT_FALSE(USB_mounted);
    EXPECT_EQ(N_usbFilesOpen, 0);
    // Single operations mount and unmount around themselves.
    EXPECT_TRUE(fileExists("a", true));
    EXPECT_FALSE(fileExists("c", true));
    EXPECT_EQ(usb_mkdir("sub"), 0);
    EXPECT_EQ(usb_mkdir("sub"), -1);
    EXPECT_EQ(usb_remove("a"), 0);
    EXPECT_FALSE(fileExists("a", true));
    EXPECT_FALSE(USB_mounted);
}

TEST_F(UsbTest, NoStickMeansEveryOperationFailsSoftly) {
    hostOptions.usb = nullptr;
    EXPECT_FALSE(fileExists("a", true));
    EXPECT_EQ(usb_fopen("a", "rb"), nullptr);
    EXPECT_EQ(usb_opendir("."), nullptr);
    EXPECT_EQ(usb_mkdir("x"), -1);
    EXPECT_EQ(usb_remove("x"), -1);
    EXPECT_TRUE(!USB_mounted && N_usbFilesOpen == 0);
    genericDirectory d("files", true);
    EXPECT_FALSE(d.open());
    std::string notADir = stick + "/plain";
    writeFile(notADir, "x");
    hostOptions.usb = notADir.c_str();
    EXPECT_EQ(usb_mount(false), -1);
}

TEST_F(UsbTest, NamesTooLongForThePathAreRefused) {
    std::string name(255, 'n');
    EXPECT_EQ(usb_filePath(name.c_str()), nullptr);
    EXPECT_EQ(usb_fopen(name.c_str(), "wb"), nullptr);
    EXPECT_FALSE(fileExists(name.c_str(), true));
    EXPECT_EQ(usb_remove(name.c_str()), -1);
    EXPECT_EQ(usb_mkdir(name.c_str()), -1);
    EXPECT_EQ(N_usbFilesOpen, 0);
    EXPECT_FALSE(USB_mounted);
    EXPECT_EQ(std::string(usb_filePath("x")), stick + "/x");
}

TEST_F(UsbTest, DirectoriesOnTheStickWithSizes) {
    mkdir((stick + "/files").c_str(), 0777);
    writeFile(stick + "/files/one.hex", std::string(1000, 'x'));
    writeFile(stick + "/files/two.hex", "");
    mkdir((stick + "/files/sub").c_str(), 0777);
    // A name the file system takes that does not fit the path buffer after the directory.
    std::string longName(240, 'L');
    ASSERT_GE(stick.size() + strlen("/files/") + longName.size(), 256u);
    writeFile(stick + "/files/" + longName, "y");
    genericDirectory d("files", true);
    ASSERT_TRUE(d.open());
    EXPECT_TRUE(USB_mounted);
    auto entries = scan(d);
    d.close();
    EXPECT_FALSE(USB_mounted);
    EXPECT_EQ(entries.size(), 5u);
    EXPECT_EQ(entries["one.hex"], 1000u);
    EXPECT_EQ(entries["two.hex"], 0u);
    EXPECT_EQ(entries.count("sub"), 1u);
    EXPECT_EQ(entries.count("."), 1u);
    EXPECT_EQ(entries.count(longName), 0u);
}

TEST_F(UsbTest, LocalDirectoriesAreMadeAndGivenBack) {
    std::string dir = stick + "/local";
    genericDirectory d(dir.c_str(), false);
    ASSERT_TRUE(d.open());
    EXPECT_FALSE(USB_mounted);
    EXPECT_EQ(scan(d).size(), 2u); // made, with "." and ".."
    d.close();
    // Every scan gives its directory stream back (more than the process may hold open).
    rlimit few = {64, 64};
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &few), 0);
    for (int i = 0; i < 100; ++i) {
        genericDirectory again(dir.c_str(), false);
        ASSERT_TRUE(again.open()) << i;
        again.close();
    }
    genericDirectory cannot("/proc/nonexistent/dir", false);
    EXPECT_FALSE(cannot.open());
    std::string tooLong = stick + "/" + std::string(250, 'd');
    genericDirectory deep(tooLong.c_str(), false);
    EXPECT_FALSE(deep.open());
}
std::vector<std::string> calls;     // the device mounted, or "umount"
std::map<std::string, int> failing; // errno of a device or of "umount"

int call(const std::string& what) {
    calls.push_back(what);
    errno = failing.count(what) ? failing[what] : 0;
    return errno != 0 ? -1 : 0;
}

class UsbMountTest : public UsbTest {
protected:
    void SetUp() override {
        UsbTest::SetUp();
        hostOptions.usbDevice = "/dev/sdz";
        usbMountOps.mount = [](const char* dev, const char* dir, const char* type,
                               unsigned long flags, const void*) {
            EXPECT_EQ(std::string(dir) + type + std::to_string(flags),
                      std::string(hostOptions.usb) + "vfat3088");
            return call(dev);
        };
        usbMountOps.umount = [](const char*) { return call("umount"); };
        writeFile(stick + "/a", "a");
    }
    using Calls = std::vector<std::string>;
};

TEST_F(UsbMountTest, MountedWhileFilesAreOpen) {
    FILE* a = usb_fopen("a", "rb");
    FILE* b = usb_fopen("a", "rb");
    ASSERT_NE(b, nullptr);
    usb_fclose(a);
    EXPECT_EQ(calls, Calls{"/dev/sdz1"});
    usb_fclose(b);
    EXPECT_EQ(calls, (Calls{"/dev/sdz1", "umount"}));
    EXPECT_FALSE(USB_mounted);
    // A stick without a partition table; an unmount that fails is tried again.
    calls.clear();
    failing = {{"/dev/sdz1", ENOENT}, {"umount", EBUSY}};
    EXPECT_GT(diskSpaceLeft(true), 0u);
    EXPECT_TRUE(USB_mounted);
    failing.erase("umount");
    EXPECT_TRUE(fileExists("a", true));
    EXPECT_EQ(calls, (Calls{"/dev/sdz1", "/dev/sdz", "umount", "umount"}));
    EXPECT_FALSE(USB_mounted);
    // The count cannot wrap round to nothing open.
    ASSERT_TRUE(usb_mountHold(255));
    EXPECT_EQ(usb_fopen("a", "rb"), nullptr);
    EXPECT_EQ(N_usbFilesOpen, 255);
}

TEST_F(UsbMountTest, AStickMountedElsewhereIsUsedAndNeverUnmounted) {
    failing["/dev/sdz1"] = EBUSY;
    usb_fclose(usb_fopen("a", "rb"));
    EXPECT_TRUE(USB_mounted);
    usb_umount(true);
    EXPECT_EQ(calls, Calls{"/dev/sdz1"});
    EXPECT_FALSE(USB_mounted);
}

TEST_F(UsbMountTest, AnAbsentStickLeavesNothingMounted) {
    failing = {{"/dev/sdz1", ENXIO}, {"/dev/sdz", ENODEV}};
    USB_leaveMounted = true;
    ::testing::internal::CaptureStdout();
    EXPECT_FALSE(fileExists("a", true));
    fflush(stdout);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), ""); // absence is no failure
    EXPECT_EQ(diskSpaceLeft(true), 0u);
    EXPECT_EQ(calls.size(), 4u);
    EXPECT_FALSE(USB_mounted || USB_leaveMounted);
    EXPECT_EQ(N_usbFilesOpen, 0);
    struct statvfs fs;
    ASSERT_EQ(statvfs(".", &fs), 0);
    EXPECT_NEAR(diskSpaceLeft(false), 1.0 * fs.f_bavail * fs.f_frsize / 1024, 2048); // others write
    // A stick that is there but cannot be mounted is reported.
    failing = {{"/dev/sdz1", EIO}, {"/dev/sdz", ENOMEDIUM}};
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(usb_mount(false), -1);
    fflush(stdout);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "usb_mount /dev/sdz1 on " + stick + " failed errno " + std::to_string(EIO) + "\n");
}

TEST_F(UsbMountTest, ADeviceNeedsADirectoryToMountOn) {
    std::string file = stick + "/a";
    const char* args[] = {"fl", "--usb-device", "/dev/sdy", "--usb", file.c_str()};
    int argc = 5;
    EXPECT_EQ(hostTakeOptions(&argc, const_cast<char**>(args)), 2);
}
} // namespace
