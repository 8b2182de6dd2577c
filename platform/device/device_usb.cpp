// Where the stick and the display's own flash file system are on the display.
#include <sys/mount.h>

#include "platform/usb_files.h"

namespace {
// A stick with a partition table, then one without.
const char* const devices[] = {"/dev/sda1", "/dev/sda", nullptr};
} // namespace

UsbMountOps usbMountOps = {mount, umount};

const char* usbMountPoint() {
    return "/mnt/usb_flash";
}

const char* const* usbDevices() {
    return devices;
}

const char* localFlashMountPoint() {
    return "/mnt/nand";
}
