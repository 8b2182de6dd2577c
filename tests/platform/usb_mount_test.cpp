// Mounting a real stick, seen through a replaced mount call: the calls made, the mount held
// while files are open, a stick mounted by someone else, an absent stick, and free space.
#include <gtest/gtest.h>

#include <cerrno>
#include <map>
#include <string>
#include <sys/statvfs.h>
#include <vector>

#include "platform/host/host_options.h"
#include "platform/usb_files.h"
#include "tests/support/program_runner.h"

namespace {
std::vector<std::string> calls;     // "mount DEV DIR TYPE FLAGS" and "umount DIR"
std::map<std::string, int> failing; // errno of a device or "umount"

int fakeMount(const char* dev, const char* dir, const char* type, unsigned long flags,
              const void*) {
    calls.push_back(std::string("mount ") + dev + " " + dir + " " + type + " " +
                    std::to_string(flags));
    errno = failing.count(dev) ? failing[dev] : 0;
    return errno != 0 ? -1 : 0;
}

int fakeUmount(const char* dir) {
    calls.push_back(std::string("umount ") + dir);
    errno = failing.count("umount") ? failing["umount"] : 0;
    return errno != 0 ? -1 : 0;
}

class UsbMountTest : public ::testing::Test {
protected:
    std::string stick = makeTempDir();
    std::string mountPart1 = "mount /dev/sdz1 " + stick + " vfat 3088";
    std::string mountWhole = "mount /dev/sdz " + stick + " vfat 3088";
    std::string umount = "umount " + stick;
    void SetUp() override {
        hostOptions.usb = stick.c_str();
        hostOptions.usbDevice = "/dev/sdz";
        usbMountOps = {fakeMount, fakeUmount};
        writeFile(stick + "/a", "a");
    }
};

TEST_F(UsbMountTest, MountedOnceWhileFilesAreOpenAndUnmountedByTheLastClose) {
    FILE* a = usb_fopen("a", "rb");
    FILE* b = usb_fopen("a", "rb");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(calls, std::vector<std::string>{mountPart1});
    usb_fclose(a);
    EXPECT_TRUE(USB_mounted);
    usb_fclose(b);
    EXPECT_EQ(calls, (std::vector<std::string>{mountPart1, umount}));
    EXPECT_FALSE(USB_mounted);
    // A stick without a partition table.
    calls.clear();
    failing["/dev/sdz1"] = ENOENT;
    EXPECT_TRUE(fileExists("a", true));
    EXPECT_EQ(calls, (std::vector<std::string>{mountPart1, mountWhole, umount}));
    // An unmount that fails keeps the stick marked mounted; the next release tries again.
    calls.clear();
    failing["umount"] = EBUSY;
    EXPECT_TRUE(fileExists("a", true));
    EXPECT_TRUE(USB_mounted);
    failing.erase("umount");
    EXPECT_TRUE(fileExists("a", true));
    EXPECT_FALSE(USB_mounted);
    EXPECT_EQ(calls.size(), 4u); // mounted once, unmounted twice (once in vain)
    // The count cannot wrap round to nothing open.
    ASSERT_TRUE(usb_mountHold(255));
    EXPECT_FALSE(usb_mountHold(1));
    EXPECT_EQ(usb_fopen("a", "rb"), nullptr);
    EXPECT_EQ(N_usbFilesOpen, 255);
}

TEST_F(UsbMountTest, AStickMountedElsewhereIsUsedAndNeverUnmounted) {
    failing["/dev/sdz1"] = EBUSY;
    FILE* a = usb_fopen("a", "rb");
    ASSERT_NE(a, nullptr);
    usb_fclose(a);
    EXPECT_TRUE(USB_mounted);
    usb_umount(true);
    EXPECT_EQ(calls, std::vector<std::string>{mountPart1}); // the whole device not tried
    EXPECT_FALSE(USB_mounted);
}

TEST_F(UsbMountTest, AnAbsentStickLeavesNothingMounted) {
    failing["/dev/sdz1"] = ENXIO;
    failing["/dev/sdz"] = ENXIO;
    USB_leaveMounted = true;
    EXPECT_FALSE(fileExists("a", true));
    EXPECT_EQ(diskSpaceLeft(true), 0u);
    EXPECT_EQ(calls.size(), 4u);
    EXPECT_FALSE(USB_mounted);
    EXPECT_FALSE(USB_leaveMounted);
    EXPECT_EQ(N_usbFilesOpen, 0);
}

TEST_F(UsbMountTest, FreeSpaceInKiB) {
    struct statvfs fs;
    ASSERT_EQ(statvfs(stick.c_str(), &fs), 0);
    double expected = static_cast<double>(fs.f_bavail) * fs.f_frsize / 1024;
    EXPECT_NEAR(diskSpaceLeft(true), expected, expected / 100 + 1024); // others write too
    EXPECT_EQ(calls, (std::vector<std::string>{mountPart1, umount}));
    ASSERT_EQ(statvfs(".", &fs), 0);
    expected = static_cast<double>(fs.f_bavail) * fs.f_frsize / 1024;
    EXPECT_NEAR(diskSpaceLeft(false), expected, expected / 100 + 1024);
    EXPECT_EQ(calls.size(), 2u);
}

TEST_F(UsbMountTest, ADeviceNeedsADirectoryToMountOn) {
    std::string notADir = stick + "/a";
    const char* args[] = {"flashloader", "--usb-device", "/dev/sdz", "--usb", notADir.c_str()};
    int argc = 5;
    EXPECT_EQ(hostTakeOptions(&argc, const_cast<char**>(args)), 2);
    const char* good[] = {"flashloader", "--usb", stick.c_str(), "--usb-device=/dev/sdy", "-v"};
    argc = 5;
    EXPECT_EQ(hostTakeOptions(&argc, const_cast<char**>(good)), -1);
    EXPECT_STREQ(hostOptions.usbDevice, "/dev/sdy");
    EXPECT_EQ(argc, 2);
}
} // namespace
