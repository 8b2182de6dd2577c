// The USB memory stick and file helpers. The stick is mounted only while something on it
// is open: every file or directory opened here holds the mount and the last close releases
// it, so the user may pull the stick whenever nothing is being read. Names on the stick are
// relative to its root.
#pragma once

#include <cstdio>
#include <dirent.h>

constexpr int UsbPathSize = 256;
// Synchronous writes, no access-time updates of files or directories.
constexpr unsigned long UsbMountFlags = 0x10 | 0x400 | 0x800;
constexpr const char* UsbFileSystemType = "vfat";

extern bool USB_mounted;
extern bool USB_leaveMounted; // keep mounted after the last close
extern unsigned char N_usbFilesOpen;

// The system calls behind mounting (errno set on failure); tests replace them.
struct UsbMountOps {
    int (*mount)(const char* device, const char* dir, const char* type, unsigned long flags,
                 const void* data);
    int (*umount)(const char* dir);
};
extern UsbMountOps usbMountOps;

// Platform-specific: where the stick appears, the devices that may hold it (tried in
// order, null-terminated) and the display's own flash file system.
const char* usbMountPoint();
const char* const* usbDevices();
const char* localFlashMountPoint();

// Mounts the stick unless it is mounted; 0, or -1 when there is no stick. A stick that
// someone else has mounted already is used as it is and kept mounted.
int usb_mount(bool leaveMounted);
// Unmounts unless keep-mounted is set and force is not. A stick mounted by someone else is
// left mounted.
void usb_umount(bool force);

// Holds the mount for n more open objects; false when nothing is open and the stick cannot
// be mounted, or when the count would overflow.
bool usb_mountHold(unsigned char n);
// Gives up n; the last release unmounts (unless keep-mounted).
void usb_mountRelease(unsigned char n);

// The full path of a name on the stick, in a buffer the next call overwrites; null when it
// would not fit.
char* usb_filePath(const char* name);
FILE* usb_fopen(const char* name, const char* mode);
void usb_fclose(FILE* f);
DIR* usb_opendir(const char* name);
void usb_closedir(DIR* d);
int usb_remove(const char* name);
int usb_mkdir(const char* name); // mode 0777; -1 on failure
int local_mkdir(const char* path);
bool fileExists(const char* name, bool onUsb);
// Free space in KiB on the stick or on the display's own flash; 0 when unknown.
unsigned long diskSpaceLeft(bool onUsb);
// Bytes in an open file; 0 for a null file or when unknown.
unsigned long fileSize(FILE* f);
