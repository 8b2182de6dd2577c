// Mount holding and the file operations on the stick, the same on every platform; only
// mounting itself is the platform's.
#include "platform/usb_files.h"

#include <cstring>
#include <sys/stat.h>

bool USB_mounted = false;
bool USB_leaveMounted = false;
unsigned char N_usbFilesOpen = 0;

namespace {
char usbPathName[UsbPathSize];
} // namespace

bool usb_mountHold(unsigned char n) {
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
    if (!usb_mountHold(0)) return nullptr;
    const char* path = usb_filePath(name);
    Handle* h = path != nullptr ? open(path) : nullptr;
    if (h != nullptr)
        ++N_usbFilesOpen;
    else
        usb_mountRelease(0);
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
