// The stick on the host: the directory named with --usb stands for its mount point. With
// --usb-device a real stick is mounted there as on the display (its first partition, else
// the whole device; root only); without it the directory itself stands for the mounted
// stick, and without --usb there is no stick.
#include <cerrno>
#include <cstdio>
#include <sys/mount.h>
#include <sys/stat.h>

#include "platform/host/host_options.h"
#include "platform/usb_files.h"

namespace {
bool isDirectory(const char* path) {
    struct stat st;
    return path != nullptr && stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

// Without a device the "device" is the directory itself, which is there or not.
int hostMount(const char* device, const char* dir, const char* type, unsigned long flags,
              const void* data) {
    if (hostOptions.usbDevice != nullptr) return mount(device, dir, type, flags, data);
    if (hostOptions.usb != nullptr && isDirectory(device)) return 0;
    errno = ENODEV;
    return -1;
}

int hostUmount(const char* dir) {
    return hostOptions.usbDevice != nullptr ? umount(dir) : 0;
}
} // namespace

UsbMountOps usbMountOps = {hostMount, hostUmount};

const char* usbMountPoint() {
    return hostOptions.usb != nullptr ? hostOptions.usb : "/mnt/usb_flash";
}

const char* const* usbDevices() {
    static char partition[UsbPathSize];
    static const char* devices[3];
    if (hostOptions.usbDevice == nullptr) {
        devices[0] = usbMountPoint();
        devices[1] = nullptr;
        return devices;
    }
    int n = snprintf(partition, sizeof partition, "%s1", hostOptions.usbDevice);
    int i = 0;
    if (n > 0 && n < static_cast<int>(sizeof partition)) devices[i++] = partition;
    devices[i++] = hostOptions.usbDevice;
    devices[i] = nullptr;
    return devices;
}

// The working directory stands for the display's own flash.
const char* localFlashMountPoint() {
    return ".";
}
