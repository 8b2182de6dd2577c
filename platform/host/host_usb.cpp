// The stick on the host: the directory named with --usb stands for its mount point, and
// mounting only checks that it is there. Without --usb there is no stick.
#include <sys/stat.h>

#include "platform/host/host_options.h"
#include "platform/usb_files.h"

const char* usbMountPoint() {
    return hostOptions.usb != nullptr ? hostOptions.usb : "/mnt/usb_flash";
}

int usb_mount(bool leaveMounted) {
    if (!USB_mounted) {
        struct stat st;
        if (hostOptions.usb == nullptr || stat(hostOptions.usb, &st) != 0 || !S_ISDIR(st.st_mode)) {
            USB_leaveMounted = false;
            return -1;
        }
        USB_mounted = true;
    }
    if (leaveMounted) USB_leaveMounted = true;
    return 0;
}

void usb_umount(bool force) {
    if (!force && USB_leaveMounted) return;
    USB_mounted = false;
    USB_leaveMounted = false;
}
