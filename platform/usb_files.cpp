// Mount holding and the file operations on the stick, the same on every platform; only
// mounting itself is the platform's.
#include "platform/usb_files.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <sys/stat.h>
#include <sys/statfs.h>

bool USB_mounted = false;
bool USB_leaveMounted = false;
unsigned char N_usbFilesOpen = 0;

namespace {
char usbPathName[UsbPathSize];
// The stick was mounted by someone else, who unmounts it.
bool mountedElsewhere = false;

// Errors that only mean there is no stick in the port.
bool isAbsence(int err) {
    return err == ENOENT || err == ENXIO || err == ENODEV || err == ENOMEDIUM;
}

unsigned long clampToULong(uint64_t v) {
    return v > ULONG_MAX ? ULONG_MAX : static_cast<unsigned long>(v);
}
} // namespace

int usb_mount(bool leaveMounted) {
    if (!USB_mounted) {
        int err = ENODEV;
        for (const char* const* dev = usbDevices(); *dev != nullptr && err != EBUSY; ++dev) {
            if (usbMountOps.mount(*dev, usbMountPoint(), UsbFileSystemType, UsbMountFlags,
                                  nullptr) == 0) {
                USB_mounted = true;
                break;
            }
            err = errno;
            if (!isAbsence(err) && err != EBUSY)
                printf("usb_mount %s on %s failed errno %d\n", *dev, usbMountPoint(), err);
        }
        if (!USB_mounted) {
            if (err != EBUSY) {
                USB_leaveMounted = false;
                return -1;
            }
            USB_mounted = true;
            USB_leaveMounted = true;
            mountedElsewhere = true;
        }
    }
    if (leaveMounted) USB_leaveMounted = true;
    return 0;
}

void usb_umount(bool force) {
    if (!force && USB_leaveMounted) return;
    // Files still open there (by anyone) keep the stick mounted; it stays marked so, and
    // the next release tries again.
    // EINVAL: it is not mounted any more.
    if (USB_mounted && !mountedElsewhere && usbMountOps.umount(usbMountPoint()) != 0 &&
        errno != EINVAL) {
        printf("usb_umount %s failed errno %d\n", usbMountPoint(), errno);
        return;
    }
    USB_mounted = false;
    USB_leaveMounted = false;
    mountedElsewhere = false;
}

bool usb_mountHold(unsigned char n) {
    if (N_usbFilesOpen + n > UCHAR_MAX) return false;
    if (N_usbFilesOpen == 0 && usb_mount(false) != 0) return false;
    N_usbFilesOpen = static_cast<unsigned char>(N_usbFilesOpen + n);
    return true;
}

void usb_mountRelease(unsigned char n) {
    N_usbFilesOpen = n < N_usbFilesOpen ? static_cast<unsigned char>(N_usbFilesOpen - n) : 0;
    if (N_usbFilesOpen == 0) usb_umount(false);
}

char* usb_filePath(const char* name) {
    int n = snprintf(usbPathName, sizeof usbPathName, "%s/%s", usbMountPoint(), name);
    return n >= 0 && n < UsbPathSize ? usbPathName : nullptr;
}

// Opens through open(path) while holding the mount; a failed open gives the hold back.
template <typename Handle, typename Open> Handle* openOnStick(const char* name, Open open) {
    if (!usb_mountHold(1)) return nullptr;
    const char* path = usb_filePath(name);
    Handle* h = path != nullptr ? open(path) : nullptr;
    if (h == nullptr) usb_mountRelease(1);
    return h;
}

FILE* usb_fopen(const char* name, const char* mode) {
    return openOnStick<FILE>(name, [mode](const char* path) { return fopen(path, mode); });
}

void usb_fclose(FILE* f) {
    if (f == nullptr) return;
    fclose(f);
    usb_mountRelease(1);
}

DIR* usb_opendir(const char* name) {
    return openOnStick<DIR>(name, [](const char* path) { return opendir(path); });
}

void usb_closedir(DIR* d) {
    if (d == nullptr) return;
    closedir(d);
    usb_mountRelease(1);
}

int usb_remove(const char* name) {
    if (!usb_mountHold(0)) return -1;
    const char* path = usb_filePath(name);
    int r = path != nullptr ? remove(path) : -1;
    usb_mountRelease(0);
    return r;
}

int usb_mkdir(const char* name) {
    if (!usb_mountHold(0)) return -1;
    const char* path = usb_filePath(name);
    int r = path != nullptr ? mkdir(path, 0777) : -1;
    usb_mountRelease(0);
    return r;
}

int local_mkdir(const char* path) {
    return mkdir(path, 0777);
}

bool fileExists(const char* name, bool onUsb) {
    struct stat st;
    if (!onUsb) return stat(name, &st) == 0;
    if (!usb_mountHold(0)) return false;
    const char* path = usb_filePath(name);
    bool exists = path != nullptr && stat(path, &st) == 0;
    usb_mountRelease(0);
    return exists;
}

unsigned long diskSpaceLeft(bool onUsb) {
    if (onUsb && !usb_mountHold(0)) return 0;
    struct statfs fs;
    uint64_t kib = 0;
    if (statfs(onUsb ? usbMountPoint() : localFlashMountPoint(), &fs) == 0)
        kib = static_cast<uint64_t>(fs.f_bavail) * static_cast<uint64_t>(fs.f_bsize) / 1024;
    if (onUsb) usb_mountRelease(0);
    return clampToULong(kib);
}

unsigned long fileSize(FILE* f) {
    struct stat st;
    if (f == nullptr || fstat(fileno(f), &st) != 0) return 0;
    return clampToULong(static_cast<uint64_t>(st.st_size));
}
